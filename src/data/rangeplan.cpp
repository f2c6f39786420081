#include "rangeplan.h"

#include "connection.h"
#include "datecodec.h"

#include <sqlite3.h>

#include <QList>

#include <algorithm>
#include <limits>

namespace {

struct Comparison
{
    qsizetype start = 0; // where the column's name begins
    QString column;      // lower case, without a qualifier
    bool lower = false;  // > or >=: a lowest date; < or <=: a highest
    std::int64_t day = 0;
};

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.');
}

// The comparisons "name op 'date'" of sql, outside quoted texts.
QList<Comparison> comparisons(const QString &sql)
{
    QList<Comparison> found;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (sql[i] != QLatin1Char('\''))
            continue;
        qsizetype end = i + 1;
        while (end < sql.size()) {
            if (sql[end] == QLatin1Char('\'')) {
                if (end + 1 < sql.size() && sql[end + 1] == QLatin1Char('\'')) {
                    end += 2;
                    continue;
                }
                break;
            }
            ++end;
        }
        const QString literal = sql.mid(i + 1, end - i - 1);
        // the operator and the name before the text
        qsizetype p = i - 1;
        while (p >= 0 && sql[p].isSpace())
            --p;
        qsizetype opEnd = p + 1;
        while (p >= 0 && (sql[p] == QLatin1Char('<') || sql[p] == QLatin1Char('>') || sql[p] == QLatin1Char('=')))
            --p;
        const QString op = sql.mid(p + 1, opEnd - p - 1);
        while (p >= 0 && sql[p].isSpace())
            --p;
        const qsizetype nameEnd = p + 1;
        while (p >= 0 && isNameChar(sql[p]))
            --p;
        const qsizetype nameStart = p + 1;
        std::int64_t packed = 0;
        const bool isOp = op == QLatin1String(">=") || op == QLatin1String(">") || op == QLatin1String("<=")
                          || op == QLatin1String("<");
        if (isOp && nameEnd > nameStart && !sql[nameStart].isDigit() && DateCodec::parse(literal, &packed)) {
            Comparison c;
            c.start = nameStart;
            const QString name = sql.mid(nameStart, nameEnd - nameStart);
            c.column = name.mid(name.lastIndexOf(QLatin1Char('.')) + 1).toLower();
            c.lower = op.startsWith(QLatin1Char('>'));
            c.day = packed / 86400;
            found.append(c);
        }
        i = end;
    }
    return found;
}

// Whether an index of the table begins with the column.
bool isIndexed(Connection *connection, const QString &table, const QString &column)
{
    Statement indexes = connection->prepareSqlite(QStringLiteral("PRAGMA index_list(\"%1\")").arg(table));
    QStringList names;
    while (indexes.step())
        names.append(indexes.text(1));
    for (const QString &name : std::as_const(names)) {
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        Statement info = connection->prepareSqlite(QStringLiteral("PRAGMA index_info(\"%1\")").arg(quoted));
        while (info.step()) {
            // the index's first column
            if (info.integer(0) == 0 && info.text(2).compare(column, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

// The days of the column's lowest and highest dates; false when the table
// is empty or they are not dates.
bool dayRange(Connection *connection, const QString &table, const QString &column, std::int64_t *low,
              std::int64_t *high)
{
    // one aggregate a statement: the engine reads each from one end of the index
    std::int64_t packed[2];
    const char *const aggregates[] = {"min", "max"};
    for (int i = 0; i < 2; ++i) {
        Statement st = connection->prepareSqlite(
            QStringLiteral("SELECT %3(\"%2\") FROM \"%1\"").arg(table, column, QLatin1String(aggregates[i])));
        if (!st.step())
            return false;
        if (sqlite3_column_type(st.get(), 0) != SQLITE_TEXT
            || !DateCodec::parse(reinterpret_cast<const char *>(sqlite3_column_text(st.get(), 0)),
                                 sqlite3_column_bytes(st.get(), 0), &packed[i]))
            return false;
    }
    *low = packed[0] / 86400;
    *high = packed[1] / 86400;
    return true;
}

} // namespace

QString RangePlan::plan(Connection *connection, const QString &table, const QString &sql)
{
    const QList<Comparison> found = comparisons(sql);
    if (found.isEmpty())
        return sql;
    QList<qsizetype> plus; // where "+" goes
    QStringList columns;
    for (const Comparison &c : found)
        if (!columns.contains(c.column))
            columns.append(c.column);
    for (const QString &column : std::as_const(columns)) {
        std::int64_t low = 0;
        std::int64_t high = 0;
        if (!isIndexed(connection, table, column) || !dayRange(connection, table, column, &low, &high))
            continue;
        std::int64_t from = std::numeric_limits<std::int64_t>::min();
        std::int64_t to = std::numeric_limits<std::int64_t>::max();
        for (const Comparison &c : found) {
            if (c.column != column)
                continue;
            if (c.lower)
                from = std::max(from, c.day);
            else
                to = std::min(to, c.day);
        }
        const std::int64_t first = std::max(from, low);
        const std::int64_t last = std::min(to, high);
        const double share = last < first ? 0.0 : double(last - first + 1) / double(high - low + 1);
        if (share <= RangePlan::ScanShare)
            continue;
        for (const Comparison &c : found)
            if (c.column == column)
                plus.append(c.start);
    }
    if (plus.isEmpty())
        return sql;
    std::sort(plus.begin(), plus.end(), std::greater<qsizetype>());
    QString planned = sql;
    for (qsizetype at : std::as_const(plus))
        planned.insert(at, QLatin1Char('+'));
    return planned;
}
