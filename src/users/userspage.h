#pragma once

#include <QObject>

class DBGridEh;
class DBText;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The settings page's groups of the operator users: "操作用户管理" (the
// list with 添加, 修改, 删除) and "更改当前操作用户口令" (the password of
// the operator who logged in).
class UserGroups : public QObject
{
    Q_OBJECT
public:
    // The groups are made as children of parent (the settings page).
    explicit UserGroups(QWidget *parent);

    QGroupBox *GroupBox9;
    DBGridEh *DBGridEh4;
    QPushButton *BitBtn21; // 添加
    QPushButton *BitBtn22; // 修改
    QPushButton *BitBtn23; // 删除
    QLabel *StaticText1;
    QGroupBox *GroupBox10;
    DBText *DBText1;
    QLineEdit *Edit1;      // old password
    QLineEdit *Edit2;      // new password
    QLineEdit *Edit3;      // again
    QPushButton *BitBtn24; // 确定修改

    void BitBtn21Click();
    void BitBtn22Click();
    void BitBtn23Click();
    void BitBtn24Click();

private:
    QWidget *m_page;
};
