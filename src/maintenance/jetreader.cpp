#include "jetreader.h"

#include "data/dberror.h"

#include <QDate>
#include <QFile>

#include <mdbtools.h>

#include <cmath>
#include <memory>
#include <vector>

namespace JetReader {
namespace {

struct Handle
{
    explicit Handle(const QString &path)
        : mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS))
    {
        if (!mdb)
            throw DbError(QStringLiteral("无法读取 Access 数据库文件“%1”。").arg(path));
        mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_bind_size(mdb, 65536);
    }
    ~Handle() { mdb_close(mdb); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    MdbHandle *mdb;
};

QString kindOf(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return QStringLiteral("integer");
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return QStringLiteral("number");
    case MDB_DATETIME:
        return QStringLiteral("datetime");
    default:
        return QStringLiteral("text");
    }
}

// A bound value as ours; the library gives an empty value for Null.
QVariant valueOf(int jetType, const char *text, int length)
{
    if (length <= 0)
        return QVariant();
    const QString s = QString::fromUtf8(text, length);
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return s.toLongLong();
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return s.toDouble();
    default:
        return s;
    }
}

// A Jet date and time (days since 1899-12-30, the fraction the time of day,
// kept positive for days before it) as our text; date only without a time.
// Read from the stored number: every year from 100 to 9999 comes out right.
QVariant dateTimeOf(double value)
{
    const double whole = value < 0 ? std::ceil(value) : std::floor(value);
    const double fraction = std::fabs(value - whole);
    int seconds = int(std::llround(fraction * 86400.0));
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid())
        return QVariant();
    const QString day = QStringLiteral("%1-%2-%3")
                            .arg(date.year(), 4, 10, QLatin1Char('0'))
                            .arg(date.month(), 2, 10, QLatin1Char('0'))
                            .arg(date.day(), 2, 10, QLatin1Char('0'));
    if (seconds == 0)
        return day;
    return day
           + QStringLiteral(" %1:%2:%3")
                 .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                 .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

Version version(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Version::NotJet;
    const QByteArray head = file.read(0x20);
    if (head.size() < 0x15 || head.mid(4, 15) != QByteArray("Standard Jet DB", 15)) {
        if (head.size() >= 0x15 && head.mid(4, 15) == QByteArray("Standard ACE DB", 15))
            return Version::Other;
        return Version::NotJet;
    }
    switch (head.at(0x14)) {
    case 0:
        return Version::Jet3;
    case 1:
        return Version::Jet4;
    default:
        return Version::Other;
    }
}

QStringList tables(const QString &path)
{
    Handle h(path);
    if (!mdb_read_catalog(h.mdb, MDB_TABLE))
        throw DbError(QStringLiteral("无法读取 Access 数据库文件“%1”的表目录。").arg(path));
    QStringList names;
    for (unsigned i = 0; i < h.mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(h.mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

Table read(const QString &path, const QString &tableName)
{
    Handle h(path);
    if (!mdb_read_catalog(h.mdb, MDB_TABLE))
        throw DbError(QStringLiteral("无法读取 Access 数据库文件“%1”的表目录。").arg(path));
    QByteArray name = tableName.toUtf8();
    MdbTableDef *def = mdb_read_table_by_name(h.mdb, name.data(), MDB_TABLE);
    if (!def)
        throw DbError(QStringLiteral("Access 数据库文件中没有数据表“%1”。").arg(tableName));
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef *)> table(def, mdb_free_tabledef);
    mdb_read_columns(def);
    mdb_rewind_table(def);
    Table out;
    out.name = tableName;
    const unsigned count = def->num_cols;
    std::vector<std::vector<char>> buffers(count, std::vector<char>(65536 + 1));
    std::vector<int> lengths(count, 0);
    std::vector<int> types(count, 0);
    for (unsigned c = 0; c < count; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
        Column column;
        column.name = QString::fromUtf8(col->name);
        column.jetType = col->col_type;
        column.kind = kindOf(col->col_type);
        types[c] = col->col_type;
        out.columns.append(column);
        mdb_bind_column(def, int(c) + 1, buffers[c].data(), &lengths[c]);
    }
    while (mdb_fetch_row(def)) {
        QList<QVariant> row;
        row.reserve(int(count));
        for (unsigned c = 0; c < count; ++c) {
            if (types[c] == MDB_DATETIME) {
                // the library's own text of a date goes wrong outside 1900..2100
                auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
                row.append(lengths[c] > 0 && col->cur_value_len == 8
                               ? dateTimeOf(mdb_pg_get_double(h.mdb, col->cur_value_start))
                               : QVariant());
                continue;
            }
            row.append(valueOf(types[c], buffers[c].data(), lengths[c]));
        }
        out.rows.append(row);
    }
    return out;
}

} // namespace JetReader
