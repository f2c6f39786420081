#pragma once

#include <QDate>
#include <QList>
#include <QString>

class Connection;

// Monthly and yearly budgets of expense items, kept in the table yszb: an
// amount per month for an item (or for all expenses together, the item
// AllExpenses), the same every month ("每月"), set for one month only
// ("yyyy-MM", which takes the place of the monthly amount in that month),
// or per year ("每年") for irregular costs. A monthly budget may roll over:
// what was left (or overspent) in each month since the month it was set up
// in is added to the month's budget, across the years.
//
// What is spent on an item in a period is its expense amounts less the
// income entries on the same item (refunds); an item with no expense in the
// period has spent nothing. All expenses together are the sum of what was
// spent on every item. Amounts are whole cents.
namespace Budgets {

// The item name under which the budget of all expenses together is kept.
inline const QString AllExpenses = QStringLiteral("（全部支出）");
inline const QString Monthly = QStringLiteral("每月");
inline const QString Yearly = QStringLiteral("每年");

// One budgeted item in one month.
struct Line
{
    QString item;            // an item, or AllExpenses
    bool yearly = false;     // the budget and the spending are the year's (to the month's end)
    qint64 budgetCents = 0;  // with what rolled over
    qint64 carriedCents = 0; // rolled over from the earlier months (part of budgetCents)
    qint64 spentCents = 0;
    qint64 leftCents() const { return budgetCents - spentCents; }
    // spent / budget in percent (0 for a budget of 0 with nothing spent)
    double percent() const;
};

// The budgeted items in the month of month (any day of it), items in the
// order of the item list and AllExpenses last. An item without a budget
// has none. Throws DbError.
QList<Line> execution(Connection *connection, const QDate &month);

// The month's budget of item (its yearly one counts not), with what rolled
// over; -1 when the item has no monthly budget. Throws DbError.
qint64 monthBudget(Connection *connection, const QString &item, const QDate &month);

// The notice for an expense of item on date that leaves its month (or its
// year, for a yearly budget) over budget, or for the month's expenses over
// the budget of all expenses: "本月“餐饮”已支出 2 350.00 元，超出预算 350.00
// 元" (the month named when it is not today's); empty when nothing is over.
// Throws DbError.
QString overrunNotice(Connection *connection, const QString &item, const QDate &date, const QDate &today);

// Amounts in cents as "2 350.00" (thousands set apart by a blank).
QString yuan(qint64 cents);

// An amount typed for a budget or a recurring entry: a positive number under one trillion with
// at most two decimals, in cents; false with *why (Chinese) otherwise.
bool parseAmount(const QString &text, qint64 *cents, QString *why);

} // namespace Budgets
