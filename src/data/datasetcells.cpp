#include "dataset.h"

#include "datasetprivate.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>

// Cells by position, for grids, footers and exports.

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

QString ValueText::display(const QVariant &v)
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
