#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class Dataset;

// Which memos are due: those whose reminder state asks for a reminder
// ("设置提醒", or the recurring "每月提醒" and "每年提醒") and whose reminder
// date is on or before today. A memo without a reminder date is never due.
namespace DueMemos {

inline const QString Once = QStringLiteral("设置提醒");
inline const QString Monthly = QStringLiteral("每月提醒");
inline const QString Yearly = QStringLiteral("每年提醒");
inline const QString NoReminder = QStringLiteral("不需提醒");
inline const QString Ended = QStringLiteral("提醒结束");

// The states the memo editor offers, in its order.
QStringList states();
// Whether a memo in state is due from its reminder date on.
bool reminds(const QString &state);
// Whether a memo of this state and reminder date is due today.
bool isDue(const QString &state, const QDate &reminder, const QDate &today);
// The two lines of the statement that lists the due memos.
QStringList statementLines(const QDate &today);
// Re-queries dataset with that statement: it then lists the memos due today.
void listDue(Dataset *dataset, const QDate &today);
// The caption of the memo page's count: "共有 " + count + " 件提醒事务到期".
QString countCaption(int count);
// The reminder date after an acknowledgement of a recurring memo: one month
// or one year on, the day kept where the month has it (31 January gives the
// last day of February); an invalid date for the other states.
QDate nextReminder(const QString &state, const QDate &reminder);

} // namespace DueMemos
