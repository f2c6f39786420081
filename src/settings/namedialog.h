#pragma once

#include "components/form.h"

class DataSource;
class Dataset;
class DBEdit;
class QLabel;
class QPushButton;

// A small dialog that edits one name of the row its opener has put into
// inserting or editing: "确定" saves, every other way out drops the change.
class NameDialog : public Form
{
    Q_OBJECT
public:
    NameDialog(const QString &caption, const QString &prompt, DataSource *source, const QString &field,
               QWidget *parent = nullptr);

    QLabel *Label1;
    DBEdit *DBEdit1;
    QPushButton *BitBtn1; // 确定
    QPushButton *BitBtn2; // 取消

    void BitBtn1Click();
    virtual void BitBtn2Click();

    // Refuses a name that is empty once blanks and control characters at
    // either end are removed, with notice (shown in a plain notice; the
    // dialog stays open). Without a notice every name is stored.
    void setBlankNotice(const QString &notice) { m_blankNotice = notice; }
    // The rows of table whose column holds a copy of the name (memos of a
    // type, contacts of a group). When a name in use is changed, the user
    // is asked whether they take the new name too; on Yes they do, in the
    // same transaction as the rename, and refresh (when given) is read anew
    // keeping its current row by keyField.
    void setCopies(const QString &table, const QString &column, Dataset *refresh = nullptr,
                   const QString &keyField = QString());

protected:
    void FormShow() override;
    void FormClose() override;
    // A further check of the name before it is stored (after the blank
    // check); false (after its own notice) keeps the dialog open.
    virtual bool nameAccepted(const QString &name)
    {
        Q_UNUSED(name);
        return true;
    }
    // Runs after the name was stored (the row posted).
    virtual void afterPost() {}

    DataSource *m_source;
    QString m_field;
    QString m_blankNotice;
    QString m_copiesTable;
    QString m_copiesColumn;
    Dataset *m_refresh = nullptr;
    QString m_refreshKey;
    QString m_oldName; // the name as it was when an edit began
};
