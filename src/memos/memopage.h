#pragma once

#include <QWidget>

#include <functional>

class ClickLabel;
class DBGridEh;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The memo page: the household's diary of memos with reminder dates, the
// count of due reminders (a click lists them), the commands to add, modify
// and delete memos, a search in the subjects and the memo filter.
class MemoPage : public QWidget
{
    Q_OBJECT
public:
    explicit MemoPage(QWidget *parent = nullptr);

    QLabel *Panel10;
    ClickLabel *Label16; // the due count
    DBGridEh *DBGridEh5;
    QPushButton *BitBtn27; // 添加
    QPushButton *BitBtn28; // 修改
    QPushButton *BitBtn29; // 删除
    QGroupBox *GroupBox12;
    QLineEdit *Edit4;      // subject keyword
    QPushButton *BitBtn30; // 确定
    QPushButton *BitBtn31; // 条件筛选

    void BitBtn27Click();
    void BitBtn28Click();
    void BitBtn29Click();
    void BitBtn30Click();
    void BitBtn31Click();
    void Label16Click();
    // The statement of the subject search for keyword (trimmed first); "%"
    // and "_" in it stand for themselves.
    static QString searchStatement(const QString &keyword);

    // Writes the due count into Label16.
    void setDueCount(int count);
    // After a successful login: when memos are due, their count goes to
    // showCount, a notice on window says how many, and each opens in the
    // memo editor once, in the order of the query.
    static void announceDueReminders(QWidget *window, const std::function<void(int)> &showCount);
};
