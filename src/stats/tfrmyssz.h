#pragma once

#include "components/form.h"
#include "settings/listdialog.h"

class Dataset;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

// "设置预算": the budgets, one per item and period (每月, 每年, or one
// month), with 增加, 修改, 删除 and 退出. Its list is read from the budget
// table whenever it is shown or changed.
class TFrmYssz : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmYssz(QWidget *parent = nullptr);

    Dataset *ADOQYszb; // the budgets, as listed

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
    // Reads the list anew, keeping the budget ysid current when given.
    void reread(qint64 ysid = 0);

protected:
    void FormShow() override;
};

// "预算": one budget. setBudget() says which (0 for a new one) before it
// shows; "确定" checks the amount as entry amounts are checked and that the
// item has no other budget of that period, and stores it.
class TFrmYsxg : public Form
{
    Q_OBJECT
public:
    explicit TFrmYsxg(QWidget *parent = nullptr);

    void setBudget(qint64 ysid) { m_id = ysid; }
    qint64 budget() const { return m_id; } // after 确定, the budget stored

    QComboBox *ComboBox1; // 费用项目 (or all expenses)
    QComboBox *ComboBox2; // 每月, 每年, 仅某月
    QDateEdit *DateEdit1; // the month of 仅某月
    QLineEdit *Edit1;     // 金额
    QCheckBox *CheckBox1; // 结转
    QPushButton *BitBtn1; // 确定
    QPushButton *BitBtn2; // 取消

    void BitBtn1Click();

protected:
    void FormShow() override;

private:
    void periodChanged();

    qint64 m_id = 0;
};
