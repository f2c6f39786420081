#pragma once

#include "components/form.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

// The memo filter: narrows the memo list by memo date, reminder date, type,
// reminder state and author. It stays open while conditions are tried; the
// memo list shows each result at once.
class TFrmJssx : public Form
{
    Q_OBJECT
public:
    explicit TFrmJssx(QWidget *parent = nullptr);

    QLabel *Label1;
    QDateEdit *DateTimePicker1; // memo date from
    QDateEdit *DateTimePicker2; // memo date to
    QComboBox *ComboBox5;       // reminder state
    QComboBox *ComboBox4;       // type
    QComboBox *ComboBox6;       // author
    QDateEdit *DateTimePicker3; // reminder date from
    QDateEdit *DateTimePicker4; // reminder date to
    QPushButton *BitBtn1;       // 确定条件
    QPushButton *BitBtn3;       // 选择全部
    QPushButton *Button1;       // 退出

    void FormCreate();
    // The statement that 确定条件 runs, built from the controls.
    QString statement() const;
    void BitBtn1Click();
    void BitBtn3Click();
    void Button1Click();

protected:
    void FormShow() override;
};
