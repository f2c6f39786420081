#pragma once

#include <QWidget>

class Dataset;
class DataSource;
class DBGridEh;
class QDateEdit;
class QLabel;
class QPushButton;

// "预算执行": for the month chosen (this month at first), each budgeted
// item's budget, what was spent, what is left and a bar in green, amber
// (over 80 %) or red (over 100 %); the monthly items' total in a row after
// them, the yearly items (spent to the month's end) below it, and the
// budget of all expenses together in a line of its own. "设置预算" edits the
// budgets. It reads the ledger only.
class BudgetView : public QWidget
{
    Q_OBJECT
public:
    explicit BudgetView(QWidget *parent = nullptr);

    QDateEdit *DateTimePicker5; // the month
    QPushButton *BitBtn17;      // 设置预算
    DBGridEh *DBGridEh4;
    QLabel *Label6; // all expenses together

    Dataset *ADOQYszx; // the month's lines

    // Reads the month's lines anew. Throws DbError.
    void refresh();
    void BitBtn17Click();

    // The colour of a bar for percent spent of the budget.
    static QColor barColor(double percent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataSource *m_source;
    bool m_monthChosen = false;
};
