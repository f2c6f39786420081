#include "duememos.h"

#include "data/dataset.h"
#include "data/sqltext.h"

namespace DueMemos {

QStringList states()
{
    return {NoReminder, Once, Ended, Monthly, Yearly};
}

bool reminds(const QString &state)
{
    return state == Once || state == Monthly || state == Yearly;
}

bool isDue(const QString &state, const QDate &reminder, const QDate &today)
{
    return reminds(state) && reminder.isValid() && reminder <= today;
}

QStringList statementLines(const QDate &today)
{
    return {QStringLiteral("select * from jstx where txfs in ('%1','%2','%3')").arg(Once, Monthly, Yearly),
            QStringLiteral(" and txqsrq<=#") + sqlDate(today) + QStringLiteral("#")};
}

void listDue(Dataset *dataset, const QDate &today)
{
    const QStringList lines = statementLines(today);
    dataset->requery(lines.at(0), lines.at(1));
}

QString countCaption(int count)
{
    return QStringLiteral("共有 ") + QString::number(count) + QStringLiteral(" 件提醒事务到期");
}

bool recurs(const QString &state)
{
    return state == Monthly || state == Yearly;
}

namespace {

// The k-th reminder of the series starting at anchor.
QDate occurrence(const QString &state, const QDate &anchor, int k)
{
    return state == Monthly ? anchor.addMonths(k) : anchor.addYears(k);
}

// How many steps of the series lie between anchor and date, by the calendar.
int stepsTo(const QString &state, const QDate &anchor, const QDate &date)
{
    const int months = (date.year() - anchor.year()) * 12 + date.month() - anchor.month();
    return state == Monthly ? months : date.year() - anchor.year();
}

} // namespace

bool isOccurrence(const QString &state, const QDate &anchor, const QDate &date)
{
    if (!recurs(state) || !anchor.isValid() || !date.isValid())
        return false;
    const int k = stepsTo(state, anchor, date);
    return k >= 0 && occurrence(state, anchor, k) == date;
}

QDate anchorOf(const QString &state, const QDate &reminder, const QDate &second)
{
    return isOccurrence(state, second, reminder) ? second : reminder;
}

QDate nextReminder(const QString &state, const QDate &anchor, const QDate &today)
{
    if (!recurs(state) || !anchor.isValid())
        return QDate();
    int k = qMax(0, stepsTo(state, anchor, today));
    QDate next = occurrence(state, anchor, k);
    while (next <= today)
        next = occurrence(state, anchor, ++k);
    return next;
}

} // namespace DueMemos
