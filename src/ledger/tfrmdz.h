#pragma once

#include "components/form.h"

#include <QDate>
#include <QString>

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class DBMemo;
class QPushButton;
class QToolButton;

// The entry form: edits the current row of the ledger list, which the
// ledger page has appended or put into editing. Closing it by any means
// other than a save drops what is pending.
class TFrmDz : public Form
{
    Q_OBJECT
public:
    explicit TFrmDz(QWidget *parent = nullptr);

    DBEdit *DBEdit1;                     // rq
    QToolButton *SpeedButton4;           // date dialog
    DBLookupComboBox *DBLookupComboBox1; // xm
    QToolButton *SpeedButton1;           // items
    DBLookupComboBox *DBLookupComboBox2; // mx
    QToolButton *SpeedButton2;           // details
    DBLookupComboBox *DBLookupComboBox3; // szr
    QToolButton *SpeedButton3;           // accounts
    DBMemo *DBMemo1;                     // bz
    DBComboBox *DBComboBox1;             // lx
    DBEdit *DBEdit3;                     // sr, income
    DBEdit *DBEdit2;                     // zc, expense
    DBEdit *DBEdit4;                     // jsze, net
    DBEdit *DBEdit6;                     // jzr
    DBEdit *DBEdit7;                     // jzsj
    QPushButton *BitBtn1;                // 保存退出
    QPushButton *BitBtn3;                // 继续增加
    QPushButton *BitBtn2;                // 取消退出

    void DBLookupComboBox1Click();
    void DBComboBox1Change();
    void DBEdit2Change();
    void DBEdit3Change();
    void DBEdit2Click();
    void DBEdit3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    // The presets of a new entry in the row being inserted: date; item and
    // account where their lists stand; the first detail of the item (with
    // freshDetails, the detail list read anew for it) or the detail the list
    // stands on; time stamp and bookkeeper; type 支出, income 0, the expense
    // box open. Throws DbError; the caller cancels the row then.
    void presetNewEntry(const QDate &date, bool freshDetails);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void reloadDetails();
    void keepNetAmount();
    // Checks the date and amounts before storing and sets the net amount;
    // false (with a notice) when the entry cannot be stored.
    bool checkEntry();
    // An expense being saved (its item and date), for the budget's notice
    // once it is stored; the date is invalid for anything else.
    struct SavedExpense
    {
        QString item;
        QDate date;
    };
    // The expense being saved when it adds to what its item's month spent
    // (a new one; an edit that raises the amount, or moves it to another
    // item or month); a remark put right tells nothing.
    SavedExpense savedExpense() const;
    // Says when the saved expense left its item's month (or year), or the
    // month's expenses, over budget.
    void tellOverrun(const SavedExpense &saved);
    // What the entry was when the form opened on it for a change.
    void rememberEntryAsItWas();

    bool m_computing = false;
    struct
    {
        bool expense = false; // the entry was an expense
        QString item;
        QDate date;
        double amount = 0;
    } m_before;
};
