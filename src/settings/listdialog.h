#pragma once

#include "components/form.h"

class DataSource;
class DBGridEh;
class QPushButton;

// A small dialog listing one shared dataset in a grid with "增加", "修改",
// "删除" and "退出"; the subclasses say what the first three do.
class ListDialog : public Form
{
    Q_OBJECT
public:
    ListDialog(const QString &caption, DataSource *source, const QString &title, const QString &field,
               const QString &footer, QWidget *parent = nullptr);

    DBGridEh *DBGridEh1;
    QPushButton *BitBtn1; // 增加
    QPushButton *BitBtn2; // 修改
    QPushButton *BitBtn3; // 删除
    QPushButton *BitBtn4; // 退出

    virtual void BitBtn1Click() = 0;
    virtual void BitBtn2Click() = 0;
    virtual void BitBtn3Click() = 0;
    void BitBtn4Click();

protected:
    void FormShow() override;
};
