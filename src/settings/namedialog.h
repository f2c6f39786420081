#pragma once

#include "components/form.h"

class DataSource;
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

    DataSource *m_source;
    QString m_field;
    QString m_blankNotice;
};
