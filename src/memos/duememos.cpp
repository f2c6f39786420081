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

QDate nextReminder(const QString &state, const QDate &reminder)
{
    if (state == Monthly)
        return reminder.addMonths(1);
    if (state == Yearly)
        return reminder.addYears(1);
    return QDate();
}

} // namespace DueMemos
