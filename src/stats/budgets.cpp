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
    int start = 0; // the month index it applies from (rolling over starts there)
};

// Months counted from year 0, so that ranges cross the years.
int indexOf(const QDate &d)
{
    return d.year() * 12 + d.month() - 1;
}
QDate monthOf(int index)
{
    return QDate(index / 12, index % 12 + 1, 1);
}

QList<Stored> stored(Connection *connection)
{
    QList<Stored> out;
    // an older ledger opened read-only has not been given the table yet
    Statement exists
        = connection->prepareSqlite(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='yszb'"));
    if (!exists.step())
        return out;
    Statement st = connection->prepareSqlite(
        QStringLiteral("SELECT xm, zq, CAST(round(coalesce(je,0)*100) AS INTEGER), coalesce(jz,0), ksyf FROM yszb "
                       "ORDER BY ysid"));
    while (st.step()) {
        const QDate from = QDate::fromString(st.text(4) + QStringLiteral("-01"), Qt::ISODate);
        // without a start month a budget rolls nothing over
        out.append({st.text(0), st.text(1), st.integer(2), st.integer(3) != 0, from.isValid() ? indexOf(from) : -1});
    }
    return out;
}

QString monthKey(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM"));
}

// What was spent on every item in each month from the month index first to
// the month index last: item (lower case) -> month index -> cents.
using Spending = QHash<QString, QHash<int, qint64>>;

Spending spending(Connection *connection, int first, int last)
{
    Spending out;
    Statement st = connection->prepareSqlite(
        QStringLiteral("SELECT xm, substr(rq,1,7), CAST(round(sum(coalesce(zc,0))*100) AS INTEGER), "
                       "CAST(round(sum(coalesce(sr,0))*100) AS INTEGER) FROM szzb WHERE rq>=? AND rq<? "
                       "GROUP BY xm, substr(rq,1,7)"));
    st.bind(1, monthOf(first).toString(Qt::ISODate));
    st.bind(2, monthOf(last + 1).toString(Qt::ISODate));
    while (st.step()) {
        const qint64 expense = st.integer(2);
        const qint64 refunds = st.integer(3);
        // an item without expenses in the month (an income item) spent nothing
        if (expense <= 0)
            continue;
        const QDate month = QDate::fromString(st.text(1) + QStringLiteral("-01"), Qt::ISODate);
        if (month.isValid())
            out[st.text(0).toLower()][indexOf(month)] += expense - refunds;
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

// The monthly budget of item as stored (nullptr for none).
const Stored *monthlyOf(const QList<Stored> &all, const QString &item)
{
    for (const Stored &s : all)
        if (s.period == Monthly && s.item.compare(item, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

// The month's own budget of item (a budget for that month, else the
// monthly one); -1 for none.
qint64 ownBudget(const QList<Stored> &all, const QString &item, int month)
{
    const QString key = monthKey(monthOf(month));
    for (const Stored &s : all)
        if (s.period == key && s.item.compare(item, Qt::CaseInsensitive) == 0)
            return s.cents;
    const Stored *monthly = monthlyOf(all, item);
    return monthly ? monthly->cents : -1;
}

// The first month whose spending the lines of month need: the year's
// first for yearly budgets, a rolling budget's start.
int firstNeeded(const QList<Stored> &all, int month)
{
    int first = indexOf(QDate(monthOf(month).year(), 1, 1));
    for (const Stored &s : all)
        if (s.period == Monthly && s.rollover && s.start >= 0)
            first = std::min(first, std::min(s.start, month));
    return first;
}

// The budget of item in month with what rolled over from the months since
// the budget's start (when it rolls); -1 for none.
qint64 withRollover(const QList<Stored> &all, const Spending &spending, const QString &item, int month, qint64 *carried)
{
    const qint64 own = ownBudget(all, item, month);
    *carried = 0;
    const Stored *monthly = monthlyOf(all, item);
    if (own < 0 || !monthly || !monthly->rollover || monthly->start < 0)
        return own;
    for (int m = monthly->start; m < month; ++m) {
        const qint64 budget = ownBudget(all, item, m);
        if (budget >= 0)
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
    const int m = indexOf(month);
    const int january = indexOf(QDate(month.year(), 1, 1));
    const Spending spent = spending(connection, firstNeeded(all, m), m);
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
        const qint64 monthly = withRollover(all, spent, item, m, &line.carriedCents);
        if (monthly >= 0) {
            line.budgetCents = monthly;
            line.spentCents = spentIn(spent, item, m, m);
            out.append(line);
            continue;
        }
        const qint64 yearly = yearlyBudget(all, item);
        if (yearly >= 0) {
            line.yearly = true;
            line.budgetCents = yearly;
            line.spentCents = spentIn(spent, item, january, m);
            out.append(line);
        }
    }
    return out;
}

qint64 monthBudget(Connection *connection, const QString &item, const QDate &month)
{
    const QList<Stored> all = stored(connection);
    const int m = indexOf(month);
    if (ownBudget(all, item, m) < 0)
        return -1;
    const Spending spent = spending(connection, firstNeeded(all, m), m);
    qint64 carried = 0;
    return withRollover(all, spent, item, m, &carried);
}

QString overrunNotice(Connection *connection, const QString &item, const QDate &date, const QDate &today)
{
    const QList<Stored> all = stored(connection);
    if (all.isEmpty() || !date.isValid())
        return QString();
    const int m = indexOf(date);
    const Spending spent = spending(connection, firstNeeded(all, m), m);
    const bool thisMonth = monthKey(date) == monthKey(today);
    const QString monthName
        = thisMonth ? QStringLiteral("本月") : QStringLiteral("%1年%2月").arg(date.year()).arg(date.month());
    QStringList notices;
    qint64 carried = 0;
    const qint64 monthly = withRollover(all, spent, item, m, &carried);
    if (monthly >= 0) {
        const qint64 s = spentIn(spent, item, m, m);
        if (s > monthly)
            notices.append(
                QStringLiteral("%1“%2”已支出 %3 元，超出预算 %4 元").arg(monthName, item, yuan(s), yuan(s - monthly)));
    } else if (const qint64 yearly = yearlyBudget(all, item); yearly >= 0) {
        const qint64 s = spentIn(spent, item, indexOf(QDate(date.year(), 1, 1)), m);
        if (s > yearly)
            notices.append(QStringLiteral("%1年“%2”已支出 %3 元，超出全年预算 %4 元")
                               .arg(date.year() == today.year() ? QStringLiteral("今") : QString::number(date.year()),
                                    item, yuan(s), yuan(s - yearly)));
    }
    const qint64 total = withRollover(all, spent, AllExpenses, m, &carried);
    if (total >= 0) {
        const qint64 s = spentIn(spent, AllExpenses, m, m);
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
    // digits, with commas only between groups of three ("2,000.50")
    static const QRegularExpression number(QStringLiteral("^(\\d+|\\d{1,3}(?:,\\d{3})+)(?:\\.(\\d{1,2}))?$"));
    const QRegularExpressionMatch m = number.match(text.trimmed());
    if (!m.hasMatch()) {
        *why = QStringLiteral("请输入金额（元，最多两位小数），例如 2000 或 350.50！");
        return false;
    }
    const QString whole = QString(m.captured(1)).remove(QLatin1Char(','));
    if (whole.size() > 12) {
        *why = QStringLiteral("金额太大：请输入小于一万亿（1000000000000）元的金额！");
        return false;
    }
    const qint64 value = whole.toLongLong() * 100 + m.captured(2).leftJustified(2, QLatin1Char('0')).toLongLong();
    if (value == 0) {
        *why = QStringLiteral("金额不能为 0！");
        return false;
    }
    *cents = value;
    return true;
}

} // namespace Budgets
