#pragma once

#include "components/form.h"
#include "recurring.h"
#include "settings/listdialog.h"

class Dataset;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;

// "定期收支": the templates of recurring entries (what each posts, its
// rule, its mode and its next date) with 增加, 修改, 删除, 退出 and
// "以此帐目为模板", which starts a template from the ledger's current entry.
class TFrmDqsz : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmDqsz(QWidget *parent = nullptr);

    Dataset *ADOQDqsz;    // the templates, as listed
    QPushButton *BitBtn5; // 以此帐目为模板

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
    void BitBtn5Click();
    // Reads the list anew, keeping the template id current when given.
    void reread(qint64 id = 0);

protected:
    void FormShow() override;

private:
    void edit(const Recurring::Template &t);
};

// "定期收支模板": one template, the entry it posts and its rule. "确定"
// checks and stores it; a new template whose first date lies in the past
// offers to post the occurrences up to today (or passes them over).
class TFrmDqxg : public Form
{
    Q_OBJECT
public:
    explicit TFrmDqxg(QWidget *parent = nullptr);

    // The template to show (id 0 for a new one) before it shows.
    void setTemplate(const Recurring::Template &t) { m_template = t; }
    const Recurring::Template &storedTemplate() const { return m_template; }

    QComboBox *ComboBox1; // 收支类型
    QComboBox *ComboBox2; // 费用项目
    QComboBox *ComboBox3; // 费用明细
    QComboBox *ComboBox4; // 收支帐户
    QLineEdit *Edit1;     // 金额
    QCheckBox *CheckBox1; // 估计
    QLineEdit *Edit2;     // 备注
    QComboBox *ComboBox5; // 按月, 按年, 按天
    QSpinBox *SpinEdit1;  // every N
    QSpinBox *SpinEdit2;  // day D
    QDateEdit *DateEdit1; // 首次日期
    QComboBox *ComboBox6; // 不结束, 到某日为止, 共几次
    QDateEdit *DateEdit2; // the end date
    QSpinBox *SpinEdit3;  // the count
    QComboBox *ComboBox7; // 提醒确认, 自动记帐
    QPushButton *BitBtn1; // 确定
    QPushButton *BitBtn2; // 取消

    void BitBtn1Click();

protected:
    void FormShow() override;

private:
    void itemChanged();
    void ruleChanged();

    Recurring::Template m_template;
};
