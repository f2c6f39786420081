#include "budgets.h"

#include "data/connection.h"
#include "data/statement.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace Budgets {
namespace {

struct Stored
{
    QString item;
    QString period; // Monthly, Yearly or "yyyy-MM"
    qint64 cents = 0;
    bool rollover = false;
};

QList<Stored> stored(Connection *connection)
{
    QList<Stored> out;
    // an older ledger opened read-only has not been given the table yet
    Statement exists
        = connection->prepareSqlite(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='yszb'"));
    if (!exists.step())
        return out;
    Statement st = connection->prepareSqlite(
        QStringLiteral("SELECT xm, zq, CAST(round(coalesce(je,0)*100) AS INTEGER), coalesce(jz,0) FROM yszb "
                       "ORDER BY ysid"));
    while (st.step())
        out.append({st.text(0), st.text(1), st.integer(2), st.integer(3) != 0});
    return out;
}

QString monthKey(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM"));
}

// What was spent on every item in each month of month's year up to month:
// item (lower case) -> month (1..12) -> cents.
using Spending = QHash<QString, QHash<int, qint64>>;

Spending spending(Connection *connection, const QDate &month)
{
    Spending out;
    const QDate first(month.year(), 1, 1);
    const QDate last(month.year(), month.month(), month.daysInMonth());
    Statement st = connection->prepareSqlite(
        QStringLiteral("SELECT xm, CAST(substr(rq,6,2) AS INTEGER), CAST(round(sum(coalesce(zc,0))*100) AS INTEGER), "
                       "CAST(round(sum(coalesce(sr,0))*100) AS INTEGER) FROM szzb WHERE rq>=? AND rq<? "
                       "GROUP BY xm, substr(rq,6,2)"));
    st.bind(1, first.toString(Qt::ISODate));
    st.bind(2, last.addDays(1).toString(Qt::ISODate));
    while (st.step()) {
        const qint64 expense = st.integer(2);
        const qint64 refunds = st.integer(3);
        // an item without expenses in the month (an income item) spent nothing
        if (expense <= 0)
            continue;
        out[st.text(0).toLower()][int(st.integer(1))] += expense - refunds;
    }
    return out;
}

qint64 spentIn(const Spending &spending, const QString &item, int fromMonth, int toMonth)
{
    qint64 total = 0;
    const auto add = [&](const QHash<int, qint64> &months) {
        for (auto it = months.cbegin(); it != months.cend(); ++it)
            if (it.key() >= fromMonth && it.key() <= toMonth)
                total += it.value();
    };
    if (item == AllExpenses) {
        for (const QHash<int, qint64> &months : spending)
            add(months);
    } else {
        add(spending.value(item.toLower()));
    }
    return total;
}

// The month's own budget of item (a budget for that month, else the
// monthly one); -1 for none. *rollover tells whether the monthly one rolls.
qint64 ownBudget(const QList<Stored> &all, const QString &item, const QDate &month, bool *rollover)
{
    qint64 monthly = -1;
    qint64 once = -1;
    bool rolls = false;
    for (const Stored &s : all) {
        if (s.item.compare(item, Qt::CaseInsensitive) != 0)
            continue;
        if (s.period == Monthly) {
            monthly = s.cents;
            rolls = s.rollover;
        } else if (s.period == monthKey(month)) {
            once = s.cents;
        }
    }
    if (rollover)
        *rollover = rolls;
    return once >= 0 ? once : monthly;
}

// The budget of item in month with what rolled over from the earlier
// months of the year (when it rolls); -1 for none.
qint64 withRollover(const QList<Stored> &all, const Spending &spending, const QString &item, const QDate &month,
                    qint64 *carried)
{
    bool rolls = false;
    const qint64 own = ownBudget(all, item, month, &rolls);
    *carried = 0;
    if (own < 0 || !rolls)
        return own;
    for (int m = 1; m < month.month(); ++m) {
        const qint64 budget = ownBudget(all, item, QDate(month.year(), m, 1), nullptr);
        if (budget < 0)
            continue;
        *carried += budget - spentIn(spending, item, m, m);
    }
    return own + *carried;
}

qint64 yearlyBudget(const QList<Stored> &all, const QString &item)
{
    for (const Stored &s : all)
        if (s.period == Yearly && s.item.compare(item, Qt::CaseInsensitive) == 0)
            return s.cents;
    return -1;
}

} // namespace

double Line::percent() const
{
    if (budgetCents <= 0)
        return spentCents > 0 ? 1000.0 : 0.0;
    return 100.0 * double(spentCents) / double(budgetCents);
}

QList<Line> execution(Connection *connection, const QDate &month)
{
    const QList<Stored> all = stored(connection);
    if (all.isEmpty())
        return {};
    const Spending spent = spending(connection, month);
    // the items in the order of the item list, then budgets of items no
    // longer listed, then all expenses
    QStringList items;
    {
        Statement st = connection->prepareSqlite(QStringLiteral("SELECT xmmc FROM fyxm ORDER BY xmid"));
        while (st.step())
            items.append(st.text(0));
    }
    for (const Stored &s : all) {
        const bool listed = std::any_of(items.cbegin(), items.cend(),
                                        [&s](const QString &i) { return i.compare(s.item, Qt::CaseInsensitive) == 0; });
        if (!listed && s.item != AllExpenses)
            items.append(s.item);
    }
    items.append(AllExpenses);
    QList<Line> out;
    for (const QString &item : std::as_const(items)) {
        Line line;
        line.item = item;
        const qint64 monthly = withRollover(all, spent, item, month, &line.carriedCents);
        if (monthly >= 0) {
            line.budgetCents = monthly;
            line.spentCents = spentIn(spent, item, month.month(), month.month());
            out.append(line);
            continue;
        }
        const qint64 yearly = yearlyBudget(all, item);
        if (yearly >= 0) {
            line.yearly = true;
            line.budgetCents = yearly;
            line.spentCents = spentIn(spent, item, 1, month.month());
            out.append(line);
        }
    }
    return out;
}

qint64 monthBudget(Connection *connection, const QString &item, const QDate &month)
{
    const QList<Stored> all = stored(connection);
    if (ownBudget(all, item, month, nullptr) < 0)
        return -1;
    const Spending spent = spending(connection, month);
    qint64 carried = 0;
    return withRollover(all, spent, item, month, &carried);
}

QString overrunNotice(Connection *connection, const QString &item, const QDate &date, const QDate &today)
{
    const QList<Stored> all = stored(connection);
    if (all.isEmpty() || !date.isValid())
        return QString();
    const Spending spent = spending(connection, date);
    const bool thisMonth = monthKey(date) == monthKey(today);
    const QString monthName
        = thisMonth ? QStringLiteral("本月") : QStringLiteral("%1年%2月").arg(date.year()).arg(date.month());
    QStringList notices;
    qint64 carried = 0;
    const qint64 monthly = withRollover(all, spent, item, date, &carried);
    if (monthly >= 0) {
        const qint64 s = spentIn(spent, item, date.month(), date.month());
        if (s > monthly)
            notices.append(
                QStringLiteral("%1“%2”已支出 %3 元，超出预算 %4 元").arg(monthName, item, yuan(s), yuan(s - monthly)));
    } else if (const qint64 yearly = yearlyBudget(all, item); yearly >= 0) {
        const qint64 s = spentIn(spent, item, 1, date.month());
        if (s > yearly)
            notices.append(QStringLiteral("%1年“%2”已支出 %3 元，超出全年预算 %4 元")
                               .arg(date.year() == today.year() ? QStringLiteral("今") : QString::number(date.year()),
                                    item, yuan(s), yuan(s - yearly)));
    }
    const qint64 total = withRollover(all, spent, AllExpenses, date, &carried);
    if (total >= 0) {
        const qint64 s = spentIn(spent, AllExpenses, date.month(), date.month());
        if (s > total)
            notices.append(
                QStringLiteral("%1全部支出 %2 元，超出总预算 %3 元").arg(monthName, yuan(s), yuan(s - total)));
    }
    return notices.join(QStringLiteral("；\r"));
}

QString yuan(qint64 cents)
{
    const bool negative = cents < 0;
    const qint64 a = negative ? -cents : cents;
    QString whole = QString::number(a / 100);
    for (int i = int(whole.size()) - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(' '));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.')
           + QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
}

bool parseAmount(const QString &text, qint64 *cents, QString *why)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,12})(?:\\.(\\d{1,2}))?\\s*$"));
    QString t = text;
    t.remove(QLatin1Char(',')).remove(QLatin1Char(' '));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch()) {
        *why = QStringLiteral("请输入金额（元，最多两位小数），例如 2000 或 350.50！");
        return false;
    }
    const qint64 whole = m.captured(1).toLongLong();
    const QString fraction = m.captured(2).leftJustified(2, QLatin1Char('0'));
    const qint64 value = whole * 100 + fraction.toLongLong();
    if (whole >= 1000000000000LL) {
        *why = QStringLiteral("金额太大：请输入小于一万亿（1000000000000）元的金额！");
        return false;
    }
    if (value == 0) {
        *why = QStringLiteral("金额不能为 0！");
        return false;
    }
    *cents = value;
    return true;
}

} // namespace Budgets
