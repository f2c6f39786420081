#pragma once

#include "components/form.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The ledger filter: narrows the ledger list by date range, type, item,
// detail, account and a range of the net amount. It stays open after each
// try; the ledger grid behind it shows the result at once.
class TFrmZbcx : public Form
{
    Q_OBJECT
public:
    explicit TFrmZbcx(QWidget *parent = nullptr);

    QLabel *Label1;
    QDateEdit *DateTimePicker1;
    QDateEdit *DateTimePicker2;
    QComboBox *ComboBox3; // type
    QComboBox *ComboBox5; // item
    QComboBox *ComboBox4; // detail
    QComboBox *ComboBox6; // account
    QLineEdit *Edit1;     // lower bound of the net amount
    QLineEdit *Edit2;     // upper bound
    QPushButton *BitBtn1; // 确定
    QPushButton *BitBtn3; // 选择全部
    QPushButton *BitBtn2; // 退出

    void FormCreate();
    void ComboBox5Change();
    // The statement that 确定 runs, built from the controls.
    QString statement() const;
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

protected:
    void FormShow() override;

private:
    // False (after a notice, the offending bound focused) when a bound of
    // the net amount is not a number.
    bool checkBounds();
};
