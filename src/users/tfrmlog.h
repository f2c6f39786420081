#pragma once

#include "components/form.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusBar;

// The login dialog: fixes the current operator for the run. Any close
// without a successful login ends the program.
class TFrmLog : public Form
{
    Q_OBJECT
public:
    // statusBar: the main window's, whose first panel shows the operator.
    TFrmLog(StatusBar *statusBar, QWidget *parent = nullptr);

    QLabel *Image1;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label1;
    QComboBox *ComboBox1;
    QLabel *Label2;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

    // What runs after a successful login, before the dialog leaves the
    // screen: the announcement of due reminders.
    void setAfterLogin(std::function<void()> fn) { m_afterLogin = std::move(fn); }

    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void Edit1KeyPress();

    // A user name as the login compares it: full-width Latin letters and
    // digits as their ASCII forms, then Unicode case folding.
    static QString foldedName(const QString &name);

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void refuse();
    QString storedName(const QString &typed) const;

    StatusBar *m_statusBar;
    std::function<void()> m_afterLogin;
};
