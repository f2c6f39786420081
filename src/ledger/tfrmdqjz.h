#pragma once

#include "components/form.h"
#include "recurring.h"

#include <QAbstractTableModel>

class QLabel;
class QPushButton;
class QTableView;

// The occurrences of recurring entries in the "定期收支" confirmation: a
// tick and the amount (asked for where it is estimated) of each occurrence
// to confirm, and the ones posted already by themselves, shown as done.
class OccurrencesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Tick, Date, Kind, Item, Detail, Amount, Account, Note, ColumnCount };
    struct Row
    {
        Recurring::Occurrence occurrence;
        bool ticked = true;
        bool done = false; // posted at login by itself
        qint64 cents = 0;
        bool amountGiven = true; // false for an estimate not yet given
    };

    explicit OccurrencesModel(QObject *parent = nullptr);
    void setRows(const QList<Row> &rows);
    const QList<Row> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

Q_SIGNALS:
    void changed();

private:
    QList<Row> m_rows;
};

// "到期的定期收支": the occurrences of recurring entries due up to today, listed
// once (never a box per occurrence). "记入帐本" posts the ticked ones in one
// transaction and marks each done; "以后再说" leaves them for the next
// login. Those posted by themselves (自动记帐) are listed as done.
class TFrmDqjz : public Form
{
    Q_OBJECT
public:
    explicit TFrmDqjz(QWidget *parent = nullptr);

    // The occurrences to confirm, and those posted by themselves.
    void setOccurrences(const QList<Recurring::Occurrence> &toConfirm, const QList<Recurring::Occurrence> &posted);
    // The entries made while it was shown.
    int posted() const { return m_posted; }

    QLabel *Label1;
    QTableView *DBGridEh1;
    OccurrencesModel *Model;
    QLabel *Label2;
    QPushButton *BitBtn1; // 记入帐本
    QPushButton *BitBtn2; // 以后再说

    void BitBtn1Click();

    // At login, after the due memos: posts the automatic occurrences due
    // and shows the dialog when anything is due or was posted; the ledger
    // list is read anew when entries were made. Throws DbError.
    static void atLogin();
    // The occurrences of a template just made whose first date lies in the
    // past: shown for posting at once. Returns the entries made.
    static int offerPast(const QList<Recurring::Occurrence> &past);

protected:
    void FormShow() override;

private:
    void updateSummary();

    int m_posted = 0;
};
