#include "dataset.h"

#include "collation.h"
#include "datecodec.h"
#include "dberror.h"
#include "jetsql.h"
#include "rangeplan.h"

#include <QLocale>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <future>
#include <numeric>
#include <thread>

namespace {

const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
const QString NoCurrentRecord = QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                               "Requested operation requires a current record.");
const QString ReadOnly = QStringLiteral("Cannot update. Database or object is read-only.");
const char RowidName[] = "__rowid__";
const QString RowNotFound
    = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

// The stored text of a date or time stamp; a date outside the years the
// stored text can hold is a conversion error.
QByteArray storedDate(const QVariant &v, bool withTime)
{
    const bool isDateTime = v.typeId() == QMetaType::QDateTime;
    const QDate date = isDateTime ? v.toDateTime().date() : v.toDate();
    if (!DateCodec::inRange(date))
        throw notADate(Dataset::displayText(v));
    const std::int64_t packed = isDateTime ? DateCodec::pack(v.toDateTime()) : DateCodec::pack(date);
    return DateCodec::toStored(packed, withTime);
}

QString withoutQuotedTexts(const QString &sql)
{
    static const QRegularExpression quoted(QStringLiteral("'(?:[^']|'')*'"));
    QString s = sql;
    return s.replace(quoted, QStringLiteral("''"));
}

double toDoubleStrict(const QString &text, bool *ok)
{
    const double d = QLocale::c().toDouble(text.trimmed(), ok);
    if (*ok && !std::isfinite(d))
        *ok = false;
    return d;
}

} // namespace

Dataset::Dataset(Connection *connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{}

// --- the statement ---------------------------------------------------------

void Dataset::clearSql()
{
    m_sql.clear();
}

void Dataset::addSql(const QString &line)
{
    m_sql.append(line);
}

void Dataset::setTableName(const QString &table)
{
    m_tableName = table;
    m_sql = QStringList{QStringLiteral("select * from ") + table};
}

void Dataset::setParameter(const QString &name, const QVariant &value)
{
    m_params.insert(name, value);
}

void Dataset::requery(const QString &line, const QString &secondLine)
{
    close();
    clearSql();
    addSql(line);
    if (!secondLine.isEmpty())
        addSql(secondLine);
    open();
}

void Dataset::open()
{
    if (m_pending) {
        finishOpen();
        return;
    }
    if (isActive())
        return;
    load(sqlText());
}

void Dataset::close()
{
    abandonPendingLoad();
    if (!isActive())
        return;
    ++m_reshaping;
    Q_EMIT aboutToReset();
    m_fields.clear();
    m_columns.clear();
    m_order.clear();
    m_order.shrink_to_fit();
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    m_pos = -1;
    m_eof = m_bof = true;
    m_table.clear();
    m_keyColumn = m_rowidColumn = -1;
    m_sortColumn = -1;
    m_state = State::Inactive;
    Q_EMIT reset();
    --m_reshaping;
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_pos);
    Q_EMIT listChanged();
}

void Dataset::execSql()
{
    if (m_params.isEmpty()) {
        m_connection->execute(sqlText());
        return;
    }
    QStringList attached;
    Statement stmt = m_connection->prepare(sqlText(), &attached);
    try {
        bindParameters(stmt.get(), m_params, m_connection);
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            m_connection->fail();
    } catch (...) {
        m_connection->detachExternals(attached);
        throw;
    }
    m_connection->detachExternals(attached);
}

// A statement "select * from T [alias] [where ...]" is written back to T.
void Dataset::detectTable(QString *sql)
{
    static const QRegularExpression re(
        QStringLiteral(
            R"(^\s*select\s+\*\s+from\s+([A-Za-z_]\w*)(?:\s+(?:as\s+)?(?!(?:where|order)\b)([A-Za-z_]\w*))?\s*(?:(?:where|order\s+by)\b(.*))?;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression notPlain(QStringLiteral(R"(\b(group\s+by|union|having|join)\b)"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(*sql);
    if (!m.hasMatch() || withoutQuotedTexts(m.captured(3)).contains(notPlain))
        return;
    const TableInfo &info = m_connection->tableInfo(m.captured(1));
    m_table = info.name;
    if (info.autoIncrement >= 0) {
        m_keyColumn = -2; // resolved by name once the fields are known
        return;
    }
    const QString qualifier = m.captured(2).isEmpty() ? m.captured(1) : m.captured(2);
    static const QRegularExpression head(QStringLiteral(R"(^\s*select\s+\*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    sql->replace(head, QStringLiteral("select %1.rowid AS %2, *").arg(qualifier, QLatin1String(RowidName)));
    m_rowidColumn = -2;
}

void Dataset::bindParameters(sqlite3_stmt *stmt, const QHash<QString, QVariant> &params, Connection *connection)
{
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char *name = sqlite3_bind_parameter_name(stmt, i);
        const QString key = name ? QString::fromUtf8(name + 1) : QString();
        auto it = params.constFind(key);
        if (it == params.constEnd()) {
            // parameter names compare without regard to case
            for (auto p = params.constBegin(); p != params.constEnd(); ++p)
                if (p.key().compare(key, Qt::CaseInsensitive) == 0)
                    it = p;
        }
        if (it == params.constEnd())
            throw DbError(QStringLiteral("No value given for one or more required parameters."));
        const QVariant &v = it.value();
        int rc = SQLITE_OK;
        if (!v.isValid() || v.isNull()) {
            rc = sqlite3_bind_null(stmt, i);
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            rc = sqlite3_bind_double(stmt, i, v.toDouble());
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::UInt
                   || v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(stmt, i, v.toLongLong());
        } else if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime) {
            const QByteArray t = storedDate(v, v.typeId() == QMetaType::QDateTime);
            rc = sqlite3_bind_text(stmt, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        } else {
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        connection->check(rc);
    }
}

// A reading under way on a worker thread, and how to stop it.
struct Dataset::PendingLoad
{
    std::atomic<bool> stop{false};
    std::future<ReadRows> rows;
};

JetSql::Statement Dataset::prepareLoad(const QString &sqlTextToOpen)
{
    JetSql::Statement st = JetSql::translate(sqlTextToOpen);
    m_table.clear();
    m_keyColumn = m_rowidColumn = -1;
    if (st.kind == JetSql::Statement::Kind::Sql)
        detectTable(&st.sql);
    // most of a table read through a range of dates: walk the table
    if (!m_table.isEmpty() && st.externalFiles.isEmpty())
        st.sql = RangePlan::plan(m_connection, m_table, st.sql);
    return st;
}

void Dataset::load(const QString &sqlTextToOpen)
{
    load(prepareLoad(sqlTextToOpen), sqlTextToOpen);
}

void Dataset::load(const JetSql::Statement &st, const QString &sqlTextToOpen)
{
    if (st.kind != JetSql::Statement::Kind::Sql) {
        m_connection->execute(sqlTextToOpen);
        return;
    }
    QStringList attached;
    Statement stmt = m_connection->prepare(st, &attached);
    sqlite3_stmt *s = stmt.get();
    struct Cleanup
    {
        Connection *c;
        QStringList &a;
        ~Cleanup() { c->detachExternals(a); }
    } cleanup{m_connection, attached};
    bindParameters(s, m_params, m_connection);

    if (sqlite3_column_count(s) == 0) { // a statement that returns no rows: run it
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            m_connection->fail();
        m_table.clear();
        return;
    }
    adopt(readRows(m_connection, s, m_rowidColumn == -2, nullptr));
}

namespace {
std::function<void()> &backgroundReadHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void Dataset::setBackgroundReadHook(std::function<void()> hook)
{
    backgroundReadHook() = std::move(hook);
}

void Dataset::openInBackground()
{
    if (isActive() || m_pending)
        return;
    JetSql::Statement st = prepareLoad(sqlText());
    if (st.kind != JetSql::Statement::Kind::Sql || !st.externalFiles.isEmpty()) {
        load(st, sqlText());
        return;
    }
    {
        // a statement that returns no rows runs at once
        Statement probe = m_connection->prepare(st);
        if (sqlite3_column_count(probe.get()) == 0) {
            probe = Statement();
            load(st, sqlText());
            return;
        }
    }
    auto pending = std::make_unique<PendingLoad>();
    const std::atomic<bool> *stop = &pending->stop;
    const QString connectionString = m_connection->connectionString();
    const QHash<QString, QVariant> params = m_params;
    const bool hidden = m_rowidColumn == -2;
    pending->rows
        = std::async(std::launch::async, [st, connectionString, params, hidden, stop, hook = backgroundReadHook()] {
              if (hook)
                  hook();
              Connection reader;
              reader.setConnectionString(connectionString);
              reader.open();
              Statement stmt = reader.prepare(st);
              bindParameters(stmt.get(), params, &reader);
              return readRows(&reader, stmt.get(), hidden, stop);
          });
    m_pending = std::move(pending);
}

Dataset::~Dataset()
{
    abandonPendingLoad();
}

void Dataset::finishOpen()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingLoad> pending = std::move(m_pending);
    ReadRows rows;
    try {
        rows = pending->rows.get();
    } catch (...) {
        m_table.clear();
        m_keyColumn = m_rowidColumn = -1;
        throw;
    }
    adopt(std::move(rows));
}

void Dataset::abandonPendingLoad()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingLoad> pending = std::move(m_pending);
    pending->stop = true;
    try {
        pending->rows.get();
    } catch (...) { // the reading is abandoned; how it ended does not matter
    }
    m_table.clear();
    m_keyColumn = m_rowidColumn = -1;
}

void Dataset::adopt(ReadRows &&loaded)
{
    const bool hidden = m_rowidColumn == -2;
    const std::size_t rows = loaded.count;
    ++m_reshaping;

    Q_EMIT aboutToReset();
    m_fields = std::move(loaded.fields);
    m_columns = std::move(loaded.columns);
    m_order.resize(rows);
    std::iota(m_order.begin(), m_order.end(), 0u);
    if (hidden)
        m_rowidColumn = int(m_fields.size());
    if (m_keyColumn == -2) {
        const TableInfo &info = m_connection->tableInfo(m_table);
        m_keyColumn = info.autoIncrement >= 0 ? fieldIndex(info.columns[info.autoIncrement].name) : -1;
        if (m_keyColumn < 0) // the key is not among the columns read: nothing to write back by
            m_table.clear();
    }
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    m_sortColumn = -1;
    m_pos = rows ? 0 : -1;
    m_bof = true;
    m_eof = rows == 0;
    m_state = State::Browse;
    Q_EMIT reset();
    --m_reshaping;
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_pos);
    Q_EMIT listChanged();
}

// --- walking -----------------------------------------------------------------

void Dataset::checkActive() const
{
    if (!isActive())
        throw DbError(ClosedDataset);
}

void Dataset::checkBrowseMode()
{
    checkActive();
    if (!isEditing())
        return;
    Q_EMIT updateRecord();
    if (m_modified)
        post();
    else
        cancel();
}

int Dataset::recordCount() const
{
    checkActive();
    return int(m_order.size()) + (m_state == State::Insert ? 1 : 0);
}

void Dataset::setCurrent(int row)
{
    if (row == m_pos)
        return;
    m_pos = row;
    Q_EMIT currentChanged(m_pos);
}

void Dataset::first()
{
    if (m_reshaping) // a view following a change of rows, not a move
        return;
    checkBrowseMode();
    const int count = recordCount();
    setCurrent(count ? 0 : -1);
    m_bof = true;
    m_eof = count == 0;
}

void Dataset::next()
{
    if (m_reshaping) // a view following a change of rows, not a move
        return;
    checkBrowseMode();
    const int count = recordCount();
    if (m_pos + 1 < count) {
        setCurrent(m_pos + 1);
        m_bof = m_eof = false;
    } else {
        m_eof = true;
        m_bof = count == 0;
    }
}

void Dataset::prior()
{
    if (m_reshaping) // a view following a change of rows, not a move
        return;
    checkBrowseMode();
    const int count = recordCount();
    if (m_pos > 0) {
        setCurrent(m_pos - 1);
        m_bof = m_eof = false;
    } else {
        m_bof = true;
        m_eof = count == 0;
    }
}

void Dataset::last()
{
    if (m_reshaping) // a view following a change of rows, not a move
        return;
    checkBrowseMode();
    const int count = recordCount();
    setCurrent(count - 1);
    m_eof = true;
    m_bof = count == 0;
}

void Dataset::moveTo(int row)
{
    if (m_reshaping) // a view following a change of rows, not a move
        return;
    checkActive();
    if (isEditing() && row == m_pos)
        return;
    checkBrowseMode();
    const int count = recordCount();
    if (count == 0)
        return;
    setCurrent(std::clamp(row, 0, count - 1));
    m_bof = m_eof = false;
}

bool Dataset::locate(const QString &fieldName, const QVariant &value)
{
    checkBrowseMode();
    const int f = requireField(fieldName);
    const ColumnData &col = *m_columns[std::size_t(f)];
    const int count = int(m_order.size());
    int found = -1;
    if (col.isText()) {
        const QByteArray utf8 = value.toString().toUtf8();
        const std::uint32_t id = value.isNull() ? 0 : col.pool.find(utf8.constData(), std::size_t(utf8.size()));
        if (id == 0 && !value.isNull())
            return false;
        for (int i = 0; i < count && found < 0; ++i)
            if (col.ids[m_order[std::size_t(i)]] == id)
                found = i;
    } else {
        QVariant wanted;
        try {
            wanted = convert(f, value);
        } catch (const DbError &) {
            return false;
        }
        for (int i = 0; i < count && found < 0; ++i)
            if (storedValue(m_order[std::size_t(i)], f) == wanted)
                found = i;
    }
    if (found < 0)
        return false;
    setCurrent(found);
    m_bof = m_eof = false;
    return true;
}

// --- fields --------------------------------------------------------------------

int Dataset::fieldIndex(const QString &name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Dataset::requireField(const QString &name) const
{
    checkActive();
    const int f = fieldIndex(name);
    if (f < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(name));
    return f;
}

QVariant Dataset::storedValue(std::size_t row, int column) const
{
    const ColumnData &col = *m_columns[std::size_t(column)];
    switch (col.kind) {
    case FieldKind::Text:
    case FieldKind::Memo: {
        const std::uint32_t id = col.ids[row];
        return id ? QVariant(col.pool.string(id)) : QVariant();
    }
    case FieldKind::Float: {
        const double d = col.reals[row];
        return std::isnan(d) ? QVariant() : QVariant(d);
    }
    case FieldKind::Integer: {
        const std::int64_t v = col.ints[row];
        return v == ColumnData::NullInt ? QVariant() : QVariant(qlonglong(v));
    }
    case FieldKind::Date: {
        const std::int64_t v = col.ints[row];
        return v == ColumnData::NullInt ? QVariant() : QVariant(DateCodec::date(v));
    }
    case FieldKind::DateTime: {
        const std::int64_t v = col.ints[row];
        return v == ColumnData::NullInt ? QVariant() : QVariant(DateCodec::dateTime(v));
    }
    }
    return QVariant();
}

QVariant Dataset::currentValue(int column) const
{
    if (m_pos < 0)
        return QVariant();
    if (isEditing())
        return m_buffer[std::size_t(column)];
    return storedValue(m_order[std::size_t(m_pos)], column);
}

QVariant Dataset::value(const QString &field) const
{
    return currentValue(requireField(field));
}

QString Dataset::asString(const QString &field) const
{
    return displayText(value(field));
}

qint64 Dataset::asInteger(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return qint64(std::llround(v.toDouble()));
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 i = v.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw notAnInteger(v.toString());
        return i;
    }
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toJulianDay() - QDate(1899, 12, 30).toJulianDay();
    return v.toLongLong();
}

double Dataset::asFloat(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = toDoubleStrict(v.toString(), &ok);
        if (!ok)
            throw notANumber(v.toString());
        return d;
    }
    return v.toDouble();
}

QDate Dataset::asDate(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return QDate();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    std::int64_t packed = 0;
    if (!DateCodec::parse(v.toString(), &packed))
        throw notADate(v.toString());
    return DateCodec::date(packed);
}

QDateTime Dataset::asDateTime(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return QDateTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    std::int64_t packed = 0;
    if (!DateCodec::parse(v.toString(), &packed))
        throw notADate(v.toString());
    return DateCodec::dateTime(packed);
}

bool Dataset::isNull(const QString &field) const
{
    return value(field).isNull();
}

QVariant Dataset::convert(int column, const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    const FieldKind kind = m_fields[std::size_t(column)].kind;
    const bool isText = v.typeId() == QMetaType::QString;
    const QString text = isText ? v.toString() : QString();
    switch (kind) {
    case FieldKind::Text:
    case FieldKind::Memo:
        return isText ? v : QVariant(displayText(v));
    case FieldKind::Integer: {
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            bool ok = false;
            const qlonglong i = text.trimmed().toLongLong(&ok);
            // the smallest integer is the held form of an empty value
            if (!ok || i == ColumnData::NullInt)
                throw notAnInteger(text);
            return i;
        }
        if (v.typeId() == QMetaType::Double) {
            const double d = v.toDouble();
            // doubles in [-2^63, 2^63) round to a 64-bit integer; the lowest
            // one is the held form of an empty value
            if (!std::isfinite(d) || d <= -9223372036854775808.0 || d >= 9223372036854775808.0)
                throw notAnInteger(displayText(v));
            return qlonglong(std::llround(d));
        }
        if (v.typeId() == QMetaType::ULongLong && v.toULongLong() > quint64(INT64_MAX))
            throw notAnInteger(v.toString());
        if (v.toLongLong() == ColumnData::NullInt)
            throw notAnInteger(v.toString());
        return v.toLongLong();
    }
    case FieldKind::Float: {
        bool ok = true;
        double d;
        if (isText) {
            if (text.trimmed().isEmpty())
                return QVariant();
            d = toDoubleStrict(text, &ok);
        } else {
            d = v.toDouble(&ok);
            ok = ok && std::isfinite(d);
        }
        if (!ok)
            throw notANumber(isText ? text : v.toString());
        return d;
    }
    case FieldKind::Date:
    case FieldKind::DateTime: {
        std::int64_t packed = DateCodec::Null;
        if (v.typeId() == QMetaType::QDate) {
            packed = DateCodec::pack(v.toDate());
        } else if (v.typeId() == QMetaType::QDateTime) {
            packed = DateCodec::pack(v.toDateTime());
        } else {
            if (text.trimmed().isEmpty())
                return QVariant();
            if (!DateCodec::parse(text, &packed))
                packed = DateCodec::Null;
        }
        if (packed == DateCodec::Null || !DateCodec::inRange(DateCodec::date(packed)))
            throw notADate(isText ? text : displayText(v));
        if (kind == FieldKind::Date)
            return DateCodec::date(packed);
        return DateCodec::dateTime(packed);
    }
    }
    return v;
}

void Dataset::setValue(const QString &field, const QVariant &value)
{
    setValue(requireField(field), value);
}

void Dataset::setValue(int field, const QVariant &value)
{
    checkActive();
    if (!isEditing())
        throw DbError(NotEditing);
    m_buffer[std::size_t(field)] = convert(field, value);
    m_changed[std::size_t(field)] = true;
    m_modified = true;
    Q_EMIT fieldChanged(field);
    Q_EMIT rowChanged(m_pos);
}

// --- editing -------------------------------------------------------------------

void Dataset::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void Dataset::append()
{
    checkActive();
    if (isReadOnly())
        throw DbError(ReadOnly);
    checkBrowseMode();
    m_posBeforeInsert = m_pos;
    const int row = int(m_order.size());
    ++m_reshaping;
    Q_EMIT rowAboutToBeInserted(row);
    m_buffer.assign(m_fields.size(), QVariant());
    m_changed.assign(m_fields.size(), false);
    m_modified = false;
    m_state = State::Insert;
    m_pos = row;
    m_bof = m_eof = false;
    Q_EMIT rowInserted(row);
    --m_reshaping;
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_pos);
}

void Dataset::edit()
{
    checkActive();
    if (isEditing())
        return;
    if (isReadOnly())
        throw DbError(ReadOnly);
    if (recordCount() == 0) {
        append();
        return;
    }
    m_buffer.resize(m_fields.size());
    for (int f = 0; f < fieldCount(); ++f)
        m_buffer[std::size_t(f)] = storedValue(m_order[std::size_t(m_pos)], f);
    m_changed.assign(m_fields.size(), false);
    m_modified = false;
    setState(State::Edit);
}

void Dataset::bindValue(sqlite3_stmt *stmt, int index, int column, const QVariant &v) const
{
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (column < fieldCount() ? m_fields[std::size_t(column)].kind : FieldKind::Integer) {
        case FieldKind::Integer:
            rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
            break;
        case FieldKind::Float:
            rc = sqlite3_bind_double(stmt, index, v.toDouble());
            break;
        case FieldKind::Date:
        case FieldKind::DateTime: {
            const bool withTime = column < fieldCount() && m_fields[std::size_t(column)].kind == FieldKind::DateTime;
            const QByteArray t = storedDate(v, withTime);
            rc = sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    m_connection->check(rc);
}

void Dataset::storeValue(std::size_t row, int column, const QVariant &v, bool append)
{
    ColumnData &col = *m_columns[std::size_t(column)];
    const bool null = !v.isValid() || v.isNull();
    switch (col.kind) {
    case FieldKind::Text:
    case FieldKind::Memo: {
        const std::uint32_t id = null ? 0 : col.pool.intern(v.toString());
        append ? col.ids.push(id) : void(col.ids.at(row) = id);
        break;
    }
    case FieldKind::Float: {
        const double d = null ? std::nan("") : v.toDouble();
        append ? col.reals.push(d) : void(col.reals.at(row) = d);
        break;
    }
    case FieldKind::Integer: {
        const std::int64_t i = null ? ColumnData::NullInt : v.toLongLong();
        append ? col.ints.push(i) : void(col.ints.at(row) = i);
        break;
    }
    case FieldKind::Date:
    case FieldKind::DateTime: {
        std::int64_t p = ColumnData::NullInt;
        if (!null)
            p = v.typeId() == QMetaType::QDate ? DateCodec::pack(v.toDate()) : DateCodec::pack(v.toDateTime());
        append ? col.ints.push(p) : void(col.ints.at(row) = p);
        break;
    }
    }
}

void Dataset::post()
{
    checkActive();
    if (!isEditing())
        return;
    Q_EMIT updateRecord();
    sqlite3 *db = m_connection->handle();
    if (m_state == State::Insert) {
        QStringList names;
        QList<int> columns;
        for (int f = 0; f < fieldCount(); ++f) {
            if (f == m_keyColumn || m_buffer[std::size_t(f)].isNull())
                continue;
            names.append(m_fields[std::size_t(f)].name);
            columns.append(f);
        }
        QString sql = QStringLiteral("INSERT INTO %1 ").arg(m_table);
        if (names.isEmpty()) {
            sql += QStringLiteral("DEFAULT VALUES");
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks.append(QStringLiteral("?"));
            sql += QStringLiteral("(%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
        Statement stmt = m_connection->prepareSqlite(sql);
        for (int i = 0; i < columns.size(); ++i)
            bindValue(stmt.get(), i + 1, columns[i], m_buffer[std::size_t(columns[i])]);
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            m_connection->fail();
        const qlonglong rowid = sqlite3_last_insert_rowid(db);
        if (m_keyColumn >= 0)
            m_buffer[std::size_t(m_keyColumn)] = rowid;
        const std::size_t storageRow = m_columns.front()->size();
        for (int f = 0; f < fieldCount(); ++f)
            storeValue(storageRow, f, m_buffer[std::size_t(f)], true);
        if (m_rowidColumn >= 0)
            storeValue(storageRow, m_rowidColumn, rowid, true);
        m_order.push_back(std::uint32_t(storageRow));
    } else {
        const std::size_t storageRow = m_order[std::size_t(m_pos)];
        QStringList sets;
        QList<int> columns;
        for (int f = 0; f < fieldCount(); ++f) {
            if (!m_changed[std::size_t(f)] || f == m_keyColumn)
                continue;
            sets.append(m_fields[std::size_t(f)].name + QStringLiteral("=?"));
            columns.append(f);
        }
        if (!sets.isEmpty()) {
            QList<int> matched;
            const QString sql = QStringLiteral("UPDATE %1 SET %2%3")
                                    .arg(m_table, sets.join(QLatin1Char(',')), rowCondition(storageRow, &matched));
            Statement stmt = m_connection->prepareSqlite(sql);
            for (int i = 0; i < columns.size(); ++i)
                bindValue(stmt.get(), i + 1, columns[i], m_buffer[std::size_t(columns[i])]);
            bindRowCondition(stmt.get(), int(columns.size()) + 1, storageRow, matched);
            if (sqlite3_step(stmt.get()) != SQLITE_DONE)
                m_connection->fail();
            if (sqlite3_changes(db) != 1)
                throw DbError(RowNotFound);
            for (int f : std::as_const(columns))
                storeValue(storageRow, f, m_buffer[std::size_t(f)], false);
        }
    }
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    setState(State::Browse);
    Q_EMIT rowChanged(m_pos);
    Q_EMIT listChanged();
}

void Dataset::cancel()
{
    if (!isEditing())
        return;
    if (m_state == State::Insert) {
        const int row = int(m_order.size());
        ++m_reshaping;
        Q_EMIT rowAboutToBeRemoved(row);
        m_state = State::Browse;
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        const int count = int(m_order.size());
        m_pos = count == 0 ? -1 : std::clamp(m_posBeforeInsert, 0, count - 1);
        m_bof = m_pos <= 0;
        m_eof = count == 0;
        Q_EMIT rowRemoved(row);
        --m_reshaping;
        Q_EMIT stateChanged(m_state);
        Q_EMIT currentChanged(m_pos);
        return;
    }
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    setState(State::Browse);
    Q_EMIT rowChanged(m_pos);
    Q_EMIT currentChanged(m_pos);
}

void Dataset::remove()
{
    checkActive();
    if (isReadOnly())
        throw DbError(ReadOnly);
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_order.empty() || m_pos < 0)
        throw DbError(NoCurrentRecord);
    cancel();
    const std::size_t storageRow = m_order[std::size_t(m_pos)];
    QList<int> matched;
    Statement stmt = m_connection->prepareSqlite(
        QStringLiteral("DELETE FROM %1%2").arg(m_table, rowCondition(storageRow, &matched)));
    bindRowCondition(stmt.get(), 1, storageRow, matched);
    if (sqlite3_step(stmt.get()) != SQLITE_DONE)
        m_connection->fail();
    if (sqlite3_changes(m_connection->handle()) != 1)
        throw DbError(RowNotFound);
    const int row = m_pos;
    ++m_reshaping;
    Q_EMIT rowAboutToBeRemoved(row);
    m_order.erase(m_order.begin() + row);
    const int count = int(m_order.size());
    m_pos = row < count ? row : count - 1;
    m_eof = count == 0;
    m_bof = count == 0;
    Q_EMIT rowRemoved(row);
    --m_reshaping;
    Q_EMIT currentChanged(m_pos);
    Q_EMIT listChanged();
}

QString Dataset::identityName() const
{
    const int identity = identityColumn();
    return identity == m_rowidColumn ? QStringLiteral("rowid") : m_fields[std::size_t(identity)].name;
}

// A row of a table with an AutoNumber key is found by its key, which the
// engine never gives out twice. A table without one has only the engine's
// row identity, which a new row may take over once the old one is gone: such
// a row must also still hold every value that was read (a date that could not
// be read is left out), so that a stale row never hits another one.
QString Dataset::rowCondition(std::size_t storageRow, QList<int> *matched) const
{
    if (identityColumn() < 0)
        throw DbError(ReadOnly);
    QString where = QStringLiteral(" WHERE %1=?").arg(identityName());
    if (m_rowidColumn < 0)
        return where;
    for (int f = 0; f < fieldCount(); ++f) {
        const FieldKind kind = m_fields[std::size_t(f)].kind;
        const bool date = kind == FieldKind::Date || kind == FieldKind::DateTime;
        if (date && m_columns[std::size_t(f)]->ints[storageRow] == ColumnData::NullInt)
            continue;
        where += QStringLiteral(" AND %1 IS ?").arg(m_fields[std::size_t(f)].name);
        matched->append(f);
    }
    return where;
}

void Dataset::bindRowCondition(sqlite3_stmt *stmt, int first, std::size_t storageRow, const QList<int> &matched) const
{
    m_connection->check(sqlite3_bind_int64(stmt, first, m_columns[std::size_t(identityColumn())]->ints[storageRow]));
    for (int i = 0; i < matched.size(); ++i)
        bindValue(stmt, first + 1 + i, matched[i], storedValue(storageRow, matched[i]));
}

// --- access by position -----------------------------------------------------------

QVariant Dataset::valueAt(int row, int column) const
{
    if (!isActive() || row < 0 || column < 0 || column >= fieldCount())
        return QVariant();
    if (isEditing() && row == m_pos)
        return m_buffer[std::size_t(column)];
    if (row >= int(m_order.size()))
        return QVariant();
    return storedValue(m_order[std::size_t(row)], column);
}

std::int64_t Dataset::storedRowOf(int row, int column) const
{
    if (!isActive() || row < 0 || column < 0 || column >= fieldCount() || (isEditing() && row == m_pos)
        || row >= int(m_order.size()))
        return -1;
    return m_order[std::size_t(row)];
}

QString Dataset::textAt(int row, int column) const
{
    const std::int64_t stored = storedRowOf(row, column);
    if (stored < 0)
        return displayText(valueAt(row, column));
    const ColumnData &col = *m_columns[std::size_t(column)];
    const std::size_t r = std::size_t(stored);
    switch (col.kind) {
    case FieldKind::Text:
    case FieldKind::Memo:
        return col.pool.string(col.ids[r]);
    case FieldKind::Date:
    case FieldKind::DateTime:
        return DateCodec::toText(col.ints[r]);
    case FieldKind::Integer:
        return col.ints[r] == ColumnData::NullInt ? QString() : QString::number(col.ints[r]);
    case FieldKind::Float:
        break;
    }
    return displayText(valueAt(row, column));
}

void Dataset::appendTextUtf8(int row, int column, std::string *out) const
{
    const std::int64_t stored = storedRowOf(row, column);
    if (stored < 0) {
        out->append(displayText(valueAt(row, column)).toStdString());
        return;
    }
    const ColumnData &col = *m_columns[std::size_t(column)];
    const std::size_t r = std::size_t(stored);
    switch (col.kind) {
    case FieldKind::Text:
    case FieldKind::Memo:
        if (col.ids[r])
            out->append(col.pool.view(col.ids[r]));
        return;
    case FieldKind::Date:
    case FieldKind::DateTime: {
        const std::int64_t packed = col.ints[r];
        if (packed == ColumnData::NullInt)
            return;
        char text[20];
        out->append(text, std::size_t(DateCodec::toChars(packed, DateCodec::secondsOfDay(packed) != 0, text)));
        return;
    }
    case FieldKind::Integer: {
        if (col.ints[r] == ColumnData::NullInt)
            return;
        char text[24];
        const auto end = std::to_chars(text, text + sizeof text, col.ints[r]).ptr;
        out->append(text, std::size_t(end - text));
        return;
    }
    case FieldKind::Float:
        if (!std::isnan(col.reals[r]))
            out->append(displayText(col.reals[r]).toStdString());
        return;
    }
}

bool Dataset::numberAt(int row, int column, double *out) const
{
    if (!isActive() || row < 0 || column < 0 || column >= fieldCount())
        return false;
    const ColumnData &col = *m_columns[std::size_t(column)];
    if (col.kind != FieldKind::Integer && col.kind != FieldKind::Float)
        return false;
    const std::int64_t stored = storedRowOf(row, column);
    if (stored < 0) {
        const QVariant v = valueAt(row, column);
        *out = v.toDouble();
        return !v.isNull();
    }
    const std::size_t r = std::size_t(stored);
    if (col.kind == FieldKind::Float) {
        *out = col.reals[r];
        return !std::isnan(*out);
    }
    *out = double(col.ints[r]);
    return col.ints[r] != ColumnData::NullInt;
}

bool Dataset::packedDateAt(int row, int column, std::int64_t *out) const
{
    if (!isActive() || row < 0 || column < 0 || column >= fieldCount())
        return false;
    const ColumnData &col = *m_columns[std::size_t(column)];
    if (col.kind != FieldKind::Date && col.kind != FieldKind::DateTime)
        return false;
    const std::int64_t stored = storedRowOf(row, column);
    if (stored < 0) {
        const QVariant v = valueAt(row, column);
        if (v.isNull())
            return false;
        *out = v.typeId() == QMetaType::QDate ? DateCodec::pack(v.toDate()) : DateCodec::pack(v.toDateTime());
        return true;
    }
    *out = col.ints[std::size_t(stored)];
    return *out != ColumnData::NullInt;
}

bool Dataset::isNullAt(int row, int column) const
{
    return valueAt(row, column).isNull();
}

double Dataset::sum(int column) const
{
    if (!isActive() || column < 0 || column >= fieldCount())
        return 0;
    const ColumnData &col = *m_columns[std::size_t(column)];
    double total = 0;
    if (col.isReal()) {
        for (std::uint32_t r : m_order) {
            const double d = col.reals[r];
            if (!std::isnan(d))
                total += d;
        }
    } else if (col.kind == FieldKind::Integer) {
        for (std::uint32_t r : m_order)
            if (col.ints[r] != ColumnData::NullInt)
                total += double(col.ints[r]);
    }
    return total;
}

namespace {

// Sorts order by key (key[i] belongs to order[i]), keeping rows of equal
// keys in their order: a radix sort by 11 bits at a time that skips the
// digits all keys share.
void radixSort(std::vector<std::uint32_t> &order, std::vector<std::uint64_t> &key)
{
    const std::size_t n = order.size();
    if (n < 2)
        return;
    std::uint64_t all = 0;
    std::uint64_t any = 0;
    for (std::uint64_t k : key) {
        any |= k;
        all |= ~k;
    }
    const std::uint64_t varying = any & all; // bits that are 1 in some key and 0 in another
    std::vector<std::uint32_t> order2(n);
    std::vector<std::uint64_t> key2(n);
    constexpr int Bits = 11;
    constexpr std::size_t Buckets = std::size_t(1) << Bits;
    std::vector<std::size_t> counts(Buckets);
    for (int shift = 0; shift < 64; shift += Bits) {
        if (((varying >> shift) & (Buckets - 1)) == 0)
            continue;
        std::fill(counts.begin(), counts.end(), 0);
        for (std::uint64_t k : key)
            ++counts[(k >> shift) & (Buckets - 1)];
        std::size_t sum = 0;
        for (std::size_t &c : counts) {
            const std::size_t here = c;
            c = sum;
            sum += here;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t to = counts[(key[i] >> shift) & (Buckets - 1)]++;
            order2[to] = order[i];
            key2[to] = key[i];
        }
        order.swap(order2);
        key.swap(key2);
    }
}

// A double as an unsigned number of the same order; Null before all.
std::uint64_t orderedBits(double d)
{
    if (std::isnan(d))
        return 0;
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits & (std::uint64_t(1) << 63)) ? ~bits : bits | (std::uint64_t(1) << 63);
}

} // namespace

void Dataset::sort(int column, Qt::SortOrder order)
{
    if (!isActive() || column < 0 || column >= fieldCount())
        return;
    checkBrowseMode();
    ColumnData &col = *m_columns[std::size_t(column)];
    const std::uint32_t current = m_pos >= 0 ? m_order[std::size_t(m_pos)] : 0;
    ++m_reshaping;
    Q_EMIT aboutToReorder();
    // one key per row, of the same order as the values
    std::vector<std::uint64_t> key(m_order.size());
    if (col.isText()) {
        // in Chinese order at every size; the ranks hold until the column
        // gets a text it did not have
        if (col.ranks.size() != col.pool.count())
            col.ranks = Collation::ranks(col.pool);
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = col.ranks[col.ids[m_order[i]]];
    } else if (col.isReal()) {
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = orderedBits(col.reals[m_order[i]]);
    } else {
        // Null is the smallest integer, before every other value
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = std::uint64_t(col.ints[m_order[i]]) ^ (std::uint64_t(1) << 63);
    }
    radixSort(m_order, key);
    if (order == Qt::DescendingOrder)
        std::reverse(m_order.begin(), m_order.end());
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_pos >= 0)
        m_pos = int(std::find(m_order.begin(), m_order.end(), current) - m_order.begin());
    Q_EMIT reordered();
    --m_reshaping;
    Q_EMIT currentChanged(m_pos);
}

std::size_t Dataset::memoryUsage() const
{
    std::size_t bytes = m_order.capacity() * sizeof(std::uint32_t);
    for (const auto &c : m_columns)
        bytes += c->bytes() + sizeof(ColumnData);
    return bytes;
}

QString Dataset::displayText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double: {
        // 15 significant digits, unless they do not give the value back: then
        // every digit it takes
        const double d = v.toDouble();
        if (d == 0)
            return QStringLiteral("0");
        const QString text = QString::number(d, 'g', 15);
        if (!std::isfinite(d) || text.toDouble() == d)
            return text;
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
        return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    default:
        return v.toString();
    }
}
