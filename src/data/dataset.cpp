#include "dataset.h"

#include "datasetprivate.h"
#include "jetsql.h"
#include "rangeplan.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

// Statements, the cursor, and reading the current row.

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
        stmt.run();
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
    Q_UNUSED(connection);
    const int count = sqlite3_bind_parameter_count(stmt);
    {
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
            ::bindValue(stmt, i, it.value());
        }
    }
}

// A reading under way on a worker thread, and how to stop it.
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
    updateRecord();
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::addEditor(QObject *owner, std::function<void()> flush)
{
    m_editors.emplace_back(owner, std::move(flush));
    connect(owner, &QObject::destroyed, this, [this, owner] {
        m_editors.erase(
            std::remove_if(m_editors.begin(), m_editors.end(), [owner](const auto &e) { return e.first == owner; }),
            m_editors.end());
    });
}

void Dataset::updateRecord()
{
    // a copy: a flush may not, but could, register or go away
    const auto editors = m_editors;
    for (const auto &e : editors)
        e.second();
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

std::size_t Dataset::memoryUsage() const
{
    std::size_t bytes = m_order.capacity() * sizeof(std::uint32_t);
    for (const auto &c : m_columns)
        bytes += c->bytes() + sizeof(ColumnData);
    return bytes;
}
