#pragma once

#include "settings/listdialog.h"

class Dataset;
class QComboBox;
class QLabel;
class QLineEdit;

// "账单分类规则": the rules that suggest an item and a detail for a bill
// row whose counterparty or goods contain a keyword, listed in the order
// they are tried, with 增加, 修改, 删除 and 退出. The list reads its own
// dataset of the rules table whenever it is shown.
class TFrmZdgz : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmZdgz(QWidget *parent = nullptr);

    Dataset *ADOQzdgz; // select * from zdgz

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;

protected:
    void FormShow() override;
};

// "分类规则": one rule, its keyword and the item and detail it suggests, on
// the row of the rules dataset its opener has put into inserting or
// editing. "确定" checks and saves; every other way out drops the change.
class TFrmGzwh : public Form
{
    Q_OBJECT
public:
    explicit TFrmGzwh(Dataset *rules, QWidget *parent = nullptr);

    QLineEdit *Edit1;     // 关键字
    QComboBox *ComboBox1; // 费用项目
    QComboBox *ComboBox2; // 费用明细
    QPushButton *BitBtn1; // 确定
    QPushButton *BitBtn2; // 取消

    void BitBtn1Click();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void fillDetails();

    Dataset *m_rules;
};
