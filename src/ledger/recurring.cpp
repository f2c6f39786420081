#include "recurring.h"

#include "data/connection.h"
#include "data/statement.h"
#include "data/tableinfo.h"

#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace Recurring {
namespace {

QDate clamped(int year, int month, int day)
{
    return QDate(year, month, std::min(day, QDate(year, month, 1).daysInMonth()));
}

const char *const Columns = "dqid, lx, xm, mx, szr, CAST(round(coalesce(je,0)*100) AS INTEGER), bz, coalesce(gj,0), "
                            "coalesce(gz,0), coalesce(jg,1), coalesce(rh,1), ksrq, jsrq, coalesce(cs,0), "
                            "coalesce(ms,0)";

Template read(const Statement &st)
{
    Template t;
    t.id = st.integer(0);
    t.type = st.text(1);
    t.item = st.text(2);
    t.detail = st.text(3);
    t.account = st.text(4);
    t.cents = st.integer(5);
    t.remark = st.text(6);
    t.estimated = st.integer(7) != 0;
    t.rule = Rule(std::clamp(int(st.integer(8)), 0, 2));
    t.every = std::max(1, int(st.integer(9)));
    t.day = std::clamp(int(st.integer(10)), 1, 31);
    t.first = QDate::fromString(st.text(11).left(10), Qt::ISODate);
    t.until = QDate::fromString(st.text(12).left(10), Qt::ISODate);
    t.count = std::max(0, int(st.integer(13)));
    t.mode = st.integer(14) == 1 ? Mode::Automatic : Mode::Confirm;
    return t;
}

// The dates done of the template of id.
QSet<QDate> done(Connection *connection, qint64 id)
{
    QSet<QDate> out;
    Statement st = connection->prepareSqlite(QStringLiteral("SELECT rq FROM dqjl WHERE dqid=?"));
    st.bind(1, id);
    while (st.step())
        out.insert(QDate::fromString(st.text(0).left(10), Qt::ISODate));
    return out;
}

QList<Occurrence> dueFrom(Connection *connection, const QList<Template> &all, const QDate &today)
{
    QList<Occurrence> out;
    for (const Template &t : all) {
        const QSet<QDate> taken = done(connection, t.id);
        // every occurrence up to today, however many years it has run
        for (const QDate &d : t.occurrences(today, std::numeric_limits<int>::max()))
            if (!taken.contains(d))
                out.append({t, d});
    }
    std::stable_sort(out.begin(), out.end(), [](const Occurrence &a, const Occurrence &b) { return a.date < b.date; });
    return out;
}

} // namespace

QString Template::ruleText() const
{
    QString text;
    switch (rule) {
    case Rule::Months:
        text = (every == 1 ? QStringLiteral("每月") : QStringLiteral("每 %1 个月").arg(every))
               + QStringLiteral(" %1 日").arg(day) + (day > 28 ? QStringLiteral("（月小取月末）") : QString());
        break;
    case Rule::Yearly:
        text = QStringLiteral("每年 %1 月 %2 日").arg(first.month()).arg(first.day());
        break;
    case Rule::Days:
        text = every == 1 ? QStringLiteral("每天") : QStringLiteral("每 %1 天").arg(every);
        break;
    }
    if (until.isValid())
        text += QStringLiteral("，至 %1").arg(until.toString(QStringLiteral("yyyy-MM-dd")));
    else if (count > 0)
        text += QStringLiteral("，共 %1 次").arg(count);
    return text;
}

QList<QDate> Template::occurrences(const QDate &upTo, int limit) const
{
    QList<QDate> out;
    if (!first.isValid() || !upTo.isValid())
        return out;
    const QDate last = until.isValid() ? std::min(until, upTo) : upTo;
    const int most = count > 0 ? std::min(count, limit) : limit;
    for (int k = 0; out.size() < most; ++k) {
        QDate d;
        switch (rule) {
        case Rule::Months: {
            const QDate month = QDate(first.year(), first.month(), 1).addMonths(qint64(k) * every);
            d = clamped(month.year(), month.month(), day);
            if (k == 0 && d < first) // the first month's day has passed: the next one
                continue;
            break;
        }
        case Rule::Yearly:
            d = clamped(first.year() + k, first.month(), first.day());
            break;
        case Rule::Days:
            d = first.addDays(qint64(k) * every);
            break;
        }
        if (!d.isValid() || d > last)
            break;
        out.append(d);
    }
    return out;
}

QDate Template::nextAfter(const QDate &date) const
{
    // the occurrences up to a little past date, at most as many as allowed
    const QDate horizon = date.addDays(qint64(every) * (rule == Rule::Days ? 1 : 31) + 400);
    for (const QDate &d : occurrences(horizon, 100000))
        if (d > date)
            return d;
    return QDate();
}

QList<Template> templates(Connection *connection)
{
    QList<Template> out;
    Statement st
        = connection->prepareSqlite(QStringLiteral("SELECT %1 FROM dqsz ORDER BY dqid").arg(QLatin1String(Columns)));
    while (st.step())
        out.append(read(st));
    return out;
}

Template templateOf(Connection *connection, qint64 id)
{
    Statement st
        = connection->prepareSqlite(QStringLiteral("SELECT %1 FROM dqsz WHERE dqid=?").arg(QLatin1String(Columns)));
    st.bind(1, id);
    return st.step() ? read(st) : Template();
}

qint64 save(Connection *connection, const Template &t)
{
    qint64 id = t.id;
    const Template before = id ? templateOf(connection, id) : Template();
    const bool datesChanged
        = id && (before.rule != t.rule || before.every != t.every || before.day != t.day || before.first != t.first);
    connection->inTransaction([&] {
        Statement st = connection->prepareSqlite(
            id ? QStringLiteral("UPDATE dqsz SET lx=?, xm=?, mx=?, szr=?, je=?, bz=?, gj=?, gz=?, jg=?, rh=?, ksrq=?, "
                                "jsrq=?, cs=?, ms=? WHERE dqid=?")
               : QStringLiteral("INSERT INTO dqsz (lx, xm, mx, szr, je, bz, gj, gz, jg, rh, ksrq, jsrq, cs, ms) "
                                "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        st.bind(1, t.type);
        st.bind(2, t.item);
        st.bind(3, t.detail);
        st.bind(4, t.account);
        st.bind(5, double(t.cents) / 100.0, FieldKind::Float);
        st.bind(6, t.remark);
        st.bind(7, t.estimated ? 1 : 0);
        st.bind(8, int(t.rule));
        st.bind(9, t.every);
        st.bind(10, t.day);
        st.bind(11, t.first, FieldKind::Date);
        st.bind(12, t.until.isValid() ? QVariant(t.until) : QVariant(), FieldKind::Date);
        st.bind(13, t.count);
        st.bind(14, int(t.mode));
        if (id)
            st.bind(15, id);
        st.run();
        if (!id)
            id = sqlite3_last_insert_rowid(connection->handle());
        if (datesChanged) {
            const QSet<QDate> taken = done(connection, id);
            if (!taken.isEmpty()) {
                const QDate lastDone = *std::max_element(taken.cbegin(), taken.cend());
                Statement mark = connection->prepareSqlite(
                    QStringLiteral("INSERT OR IGNORE INTO dqjl (dqid, rq, zbid) VALUES (?, ?, 0)"));
                for (const QDate &d : t.occurrences(lastDone, std::numeric_limits<int>::max())) {
                    mark.bind(1, id);
                    mark.bind(2, d, FieldKind::Date);
                    mark.run();
                    mark.reset();
                }
            }
        }
    });
    return id;
}

QDate nextDue(Connection *connection, const Template &t, const QDate &today)
{
    const QSet<QDate> taken = t.id ? done(connection, t.id) : QSet<QDate>();
    const QDate horizon = today.addDays(qint64(t.every) * (t.rule == Rule::Days ? 1 : 31) + 400);
    for (const QDate &d : t.occurrences(horizon, 100000))
        if (!taken.contains(d))
            return d;
    return QDate();
}

void remove(Connection *connection, qint64 id)
{
    connection->inTransaction([&] {
        connection->execute(QStringLiteral("delete from dqjl where dqid=%1").arg(id));
        connection->execute(QStringLiteral("delete from dqsz where dqid=%1").arg(id));
    });
}

QList<Occurrence> due(Connection *connection, const QDate &today)
{
    return dueFrom(connection, templates(connection), today);
}

QList<Occurrence> dueOf(Connection *connection, qint64 id, const QDate &today)
{
    const Template t = templateOf(connection, id);
    return t.id ? dueFrom(connection, {t}, today) : QList<Occurrence>();
}

QList<qint64> post(Connection *connection, const QList<Posting> &postings, const QString &operatorName,
                   const QDateTime &now)
{
    QList<qint64> made;
    connection->inTransaction([&] {
        Statement mark
            = connection->prepareSqlite(QStringLiteral("INSERT OR IGNORE INTO dqjl (dqid, rq, zbid) VALUES (?, ?, 0)"));
        Statement entry = connection->prepareSqlite(QStringLiteral(
            "INSERT INTO szzb (rq, lx, xm, mx, sr, zc, jsze, szr, bz, jzr, jzsj) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
        Statement link = connection->prepareSqlite(QStringLiteral("UPDATE dqjl SET zbid=? WHERE dqid=? AND rq=?"));
        for (const Posting &p : postings) {
            const Template &t = p.occurrence.t;
            mark.bind(1, t.id);
            mark.bind(2, p.occurrence.date, FieldKind::Date);
            mark.run();
            mark.reset();
            if (sqlite3_changes(connection->handle()) != 1)
                continue; // done meanwhile
            const bool income = t.type == QStringLiteral("收入");
            const double amount = double(p.cents) / 100.0;
            entry.bind(1, p.occurrence.date, FieldKind::Date);
            entry.bind(2, income ? QStringLiteral("收入") : QStringLiteral("支出"));
            entry.bind(3, t.item);
            entry.bind(4, t.detail);
            entry.bind(5, income ? amount : 0.0, FieldKind::Float);
            entry.bind(6, income ? 0.0 : amount, FieldKind::Float);
            entry.bind(7, income ? amount : -amount, FieldKind::Float);
            entry.bind(8, t.account);
            entry.bind(9, t.remark);
            entry.bind(10, operatorName);
            entry.bind(11, now, FieldKind::DateTime);
            entry.run();
            entry.reset();
            const qint64 id = sqlite3_last_insert_rowid(connection->handle());
            link.bind(1, id);
            link.bind(2, t.id);
            link.bind(3, p.occurrence.date, FieldKind::Date);
            link.run();
            link.reset();
            made.append(id);
        }
    });
    return made;
}

void pass(Connection *connection, const QList<Occurrence> &occurrences)
{
    connection->inTransaction([&] {
        Statement mark
            = connection->prepareSqlite(QStringLiteral("INSERT OR IGNORE INTO dqjl (dqid, rq, zbid) VALUES (?, ?, 0)"));
        for (const Occurrence &o : occurrences) {
            mark.bind(1, o.t.id);
            mark.bind(2, o.date, FieldKind::Date);
            mark.run();
            mark.reset();
        }
    });
}

} // namespace Recurring
