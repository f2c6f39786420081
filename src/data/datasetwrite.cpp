#include "dataset.h"

#include "datasetprivate.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>

// Converting values to a column's kind and writing rows back to the table.

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
    ::bindValue(stmt, index, v, column < fieldCount() ? m_fields[std::size_t(column)].kind : FieldKind::Integer);
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
    updateRecord();
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
        stmt.run();
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
            stmt.run();
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
    stmt.run();
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
