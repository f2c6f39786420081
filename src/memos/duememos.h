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
// Whether state repeats (monthly or yearly).
bool recurs(const QString &state);
// Whether date is one of the reminders of the recurring series that starts
// at anchor: the anchor moved on by whole months (or years), the day kept
// where the month has it (31 January, 28 February, 31 March, 30 April…;
// 29 February in leap years only).
bool isOccurrence(const QString &state, const QDate &anchor, const QDate &date);
// The day a recurring memo keeps: its second date txjsrq, when the reminder
// date is one of the series starting there, else the reminder date itself.
// (A recurring memo keeps the reminder date it was set to in txjsrq, which
// nothing else reads; a memo made before that kept the day of its making
// there, which is then not taken.)
QDate anchorOf(const QString &state, const QDate &reminder, const QDate &second);
// The next reminder of a recurring series starting at anchor: its first
// occurrence after today. An invalid date for the other states.
QDate nextReminder(const QString &state, const QDate &anchor, const QDate &today);

} // namespace DueMemos
