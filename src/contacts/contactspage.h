#pragma once

#include <QWidget>

class DBGridEh;
class GridPrinter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SaveDialog;

// The family address book: the contacts in a grid, the commands to add,
// change, delete, print and export them (also as vCards for a phone), a
// search over one chosen field and a filter by contact group.
class ContactsPage : public QWidget
{
    Q_OBJECT
public:
    // printer and saveDialog belong to the main window.
    ContactsPage(GridPrinter *printer, SaveDialog *saveDialog, QWidget *parent = nullptr);

    QLabel *Label17;
    DBGridEh *DBGridEh6;
    QPushButton *BitBtn32; // 添加
    QPushButton *BitBtn33; // 修改
    QPushButton *BitBtn34; // 删除
    QPushButton *BitBtn35; // 打印
    QPushButton *BitBtn36; // 导出数据
    QComboBox *ComboBox7;  // the field searched
    QLineEdit *Edit5;      // the search text
    QPushButton *BitBtn37; // 查询
    QComboBox *ComboBox8;  // the group filter

    // The names of the groups, walking the groups to the last (at the start:
    // where the list stands is what a new contact takes).
    static QStringList readGroups();
    // The group filter: "全部", then names.
    void fillGroups(const QStringList &names);
    // The filter of the export dialog on this page: the grid's formats and
    // "vcf （电子名片）".
    static QString exportFilter(const QString &gridFilter);
    // The statement of the search for text in the field at index.
    static QString searchStatement(int index, const QString &text);

    void BitBtn32Click();
    void BitBtn33Click();
    void BitBtn34Click();
    void BitBtn35Click();
    void BitBtn36Click();
    void ComboBox7Click();
    void BitBtn37Click();
    void ComboBox8Click();

private:
    GridPrinter *m_printer;
    SaveDialog *m_saveDialog;
};

// Presets a new contact in the contact list: the current group and "男"
// (no group when there is none).
void presetNewContact();
