#pragma once

#include "components/form.h"

class DBComboBox;
class DBEdit;
class DBLookupComboBox;
class DBMemo;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

// The memo editor: edits the current memo of the memo list, which the opener
// has put into inserting or editing. For a due memo it offers "知道了", which
// ends the reminder (or, for a recurring one, moves it on). Every close
// recounts the due memos and announces the count.
class TFrmJstx : public Form
{
    Q_OBJECT
public:
    explicit TFrmJstx(QWidget *parent = nullptr);

    DBEdit *DBEdit1; // memo date
    DBEdit *DBEdit2; // author
    DBEdit *DBEdit6; // last save
    DBEdit *DBEdit3; // subject
    DBLookupComboBox *DBLookupComboBox1;
    QToolButton *SpeedButton1;
    QGroupBox *GroupBox1;
    DBMemo *DBMemo1;
    QGroupBox *GroupBox2;
    DBComboBox *DBComboBox1; // reminder state
    DBEdit *DBEdit4;         // reminder date
    QToolButton *SpeedButton2;
    QPushButton *BitBtn1; // 知道了
    QPushButton *BitBtn4; // 保存退出
    QPushButton *BitBtn3; // 清空内容
    QPushButton *BitBtn2; // 取消退出

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

Q_SIGNALS:
    // The due memos were counted as the editor closed.
    void dueCounted(int count);

protected:
    void FormShow() override;
    void FormClose() override;
    void keyPressEvent(QKeyEvent *event) override;
};
