#pragma once

#include "components/form.h"

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class QPushButton;
class QToolButton;

// The contact editor: one contact of the contact list, which the opener has
// put into inserting or editing. "保存退出" stores it, "继续添加" stores it
// and starts the next one with the presets, every other way out discards
// what is pending. Its group list keeps the group list on the current
// contact's group for the whole run: that group is the "current" one.
class TFrmTxl : public Form
{
    Q_OBJECT
public:
    explicit TFrmTxl(QWidget *parent = nullptr);

    DBEdit *DBEdit1;                     // 姓名
    DBComboBox *DBComboBox1;             // gender
    DBLookupComboBox *DBLookupComboBox1; // group
    QToolButton *SpeedButton1;
    DBEdit *DBEdit7;           // QQ
    DBEdit *DBEdit2;           // 网名
    DBEdit *DBEdit4;           // 手机
    DBEdit *DBEdit6;           // 家庭电话
    DBEdit *DBEdit8;           // 电子邮箱
    DBEdit *DBEdit9;           // 网址
    DBEdit *DBEdit5;           // 办公电话
    DBEdit *DBEdit10;          // 工作单位
    DBEdit *DBDateTimeEditEh1; // 生日
    QToolButton *SpeedButton2; // the birthday's calendar
    DBEdit *DBEdit11;          // 家庭住址
    DBEdit *DBEdit13;          // 备注
    QPushButton *BitBtn1;      // 保存退出
    QPushButton *BitBtn2;      // 继续添加
    QPushButton *BitBtn3;      // 取消退出

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    // False (after the notice) when the name is empty or blank.
    bool checkName();
};
