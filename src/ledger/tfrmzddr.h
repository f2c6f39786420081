#pragma once

#include "billimport.h"
#include "components/form.h"

#include <QAbstractTableModel>
#include <QHash>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

// The rows of a bill in the preview: a tick, what the row is, and the
// item, detail and account it will be booked under (editable).
class BillRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Tick, Line, Date, Kind, Amount, Counterparty, Goods, Item, Detail, Account, Note, ColumnCount };

    explicit BillRowsModel(QObject *parent = nullptr);

    void setPreview(BillImport::Preview *preview);
    BillImport::Preview *preview() const { return m_preview; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Everything changed (a new preparation).
    void refresh();

Q_SIGNALS:
    // The user chose an item or a detail for row.
    void chosen(int row);
    // Ticks changed.
    void ticksChanged();

private:
    BillImport::Preview *m_preview = nullptr;
};

// "导入账单": the preview of a bill file before its rows become ledger
// entries. Every row with a tick box and the reason where it is not ticked,
// the item, detail and account of each editable in place; a file of no known
// layout first has its columns mapped here. "导入" writes the ticked rows in
// one transaction; "撤销上次导入" takes the last import back.
class TFrmZddr : public Form
{
    Q_OBJECT
public:
    explicit TFrmZddr(QWidget *parent = nullptr);

    // The bill to show (taken over).
    void setPreview(BillImport::Preview preview);
    const BillImport::Preview &preview() const { return m_preview; }

    QLabel *Label1;        // the file and what it is
    QGroupBox *GroupBox1;  // 列对应 (unknown layouts)
    QComboBox *ComboBox1;  // 日期
    QComboBox *ComboBox2;  // 金额（有正负）
    QComboBox *ComboBox3;  // 收入金额
    QComboBox *ComboBox4;  // 支出金额
    QComboBox *ComboBox5;  // 交易对方
    QComboBox *ComboBox6;  // 说明
    QComboBox *ComboBox7;  // 交易号
    QCheckBox *CheckBox1;  // 正数为支出
    QPushButton *BitBtn5;  // 应用列对应
    QTableView *DBGridEh1; // the rows
    BillRowsModel *Model;
    QLabel *Label2;       // the summary line
    QPushButton *BitBtn1; // 导入
    QPushButton *BitBtn2; // 撤销上次导入
    QPushButton *BitBtn3; // 分类规则
    QPushButton *BitBtn4; // 取消
    QPushButton *BitBtn6; // 重新对应列 (a layout mapped before)

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn5Click();
    // The summary: rows, ticked rows and their income and expense sums.
    QString summary() const;
    // Whether an import or an undo changed the ledger while the dialog was
    // open, and the first entry the last import made (0 for none).
    bool changedLedger() const { return m_changed; }
    qint64 firstImported() const { return m_firstImported; }

protected:
    void FormShow() override;

private:
    void offerRule(int row);
    void updateSummary();
    void showMapping(bool shown);

    BillImport::Preview m_preview;
    QHash<QString, bool> m_ruleAnswers; // keyword -> whether its rule was wanted
    bool m_changed = false;
    qint64 m_firstImported = 0;
};
