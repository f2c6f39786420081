#include "jetreader.h"

#include "data/dberror.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace JetReader {
namespace {

// The longest text or memo value taken from a row (libmdb cuts longer ones).
constexpr int BindSize = 65536;
// Flags in a row's offset entry.
constexpr int OffsetMask = 0x1fff;
constexpr int DeletedFlag = 0x4000;

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

// A Jet date and time (days since 1899-12-30, the fraction the time of day,
// kept positive for days before it) as our text; date only without a time.
// Read from the stored number: every year from 100 to 9999 comes out right.
QVariant dateTimeOf(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return QVariant();
    const double whole = value < 0 ? std::ceil(value) : std::floor(value);
    const double fraction = std::fabs(value - whole);
    int seconds = int(std::llround(fraction * 86400.0));
    qint64 days = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
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

// Little-endian values at offset of the page buffer.
qint64 int64At(const unsigned char *page, int offset)
{
    quint64 v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | page[offset + i];
    return qint64(v);
}

double doubleAt(const unsigned char *page, int offset)
{
    const quint64 bits = quint64(int64At(page, offset));
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

float singleAt(const unsigned char *page, int offset)
{
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | page[offset + i];
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

struct Reader::Private
{
    QString path;
    MdbHandle *mdb = nullptr;
    QStringList tables;

    [[noreturn]] void fail(const QString &what) const
    {
        throw DbError(QStringLiteral("Access 数据库文件“%1”%2").arg(QFileInfo(path).fileName(), what));
    }

    MdbTableDef *openTable(const QString &name)
    {
        QByteArray utf8 = name.toUtf8();
        MdbTableDef *def = mdb_read_table_by_name(mdb, utf8.data(), MDB_TABLE);
        if (!def)
            fail(QStringLiteral("中没有数据表“%1”。").arg(name));
        return def;
    }
};

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

Reader::Reader(const QString &path)
    : d(new Private)
{
    d->path = path;
    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        d->fail(QStringLiteral("无法打开。"));
    const qint64 page = d->mdb->fmt ? qint64(d->mdb->fmt->pg_size) : 0;
    if (page <= 0 || QFileInfo(path).size() % page != 0 || QFileInfo(path).size() < 2 * page) {
        mdb_close(d->mdb);
        d->fail(QStringLiteral("不完整（可能已被截断）。"));
    }
    mdb_set_date_fmt(d->mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_bind_size(d->mdb, BindSize);
    if (!mdb_read_catalog(d->mdb, MDB_TABLE) || !d->mdb->catalog) {
        mdb_close(d->mdb);
        d->fail(QStringLiteral("的表目录无法读取。"));
    }
    for (unsigned i = 0; i < d->mdb->num_catalog && i < d->mdb->catalog->len; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (!entry || entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        d->tables.append(QString::fromUtf8(entry->object_name, int(strnlen(entry->object_name, MDB_MAX_OBJ_NAME))));
    }
}

Reader::~Reader()
{
    mdb_close(d->mdb);
}

QStringList Reader::tables() const
{
    return d->tables;
}

qint64 Reader::recordedRows(const QString &table)
{
    MdbTableDef *def = d->openTable(table);
    const qint64 rows = def->num_rows;
    mdb_free_tabledef(def);
    return rows;
}

void Reader::read(const QString &tableName, const std::function<void(const QList<Column> &)> &onColumns,
                  const std::function<void(const Row &)> &onRow)
{
    MdbTableDef *def = d->openTable(tableName);
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef *)> table(def, mdb_free_tabledef);
    const auto broken = [&](const QString &why) {
        d->fail(QStringLiteral("的数据表“%1”%2").arg(tableName, why));
    };
    if (def->num_cols == 0 || def->num_cols > unsigned(MaxColumns))
        broken(QStringLiteral("记录的列数（%1）不合理。").arg(def->num_cols));
    if (!mdb_read_columns(def) || !def->columns || def->columns->len != def->num_cols)
        broken(QStringLiteral("的列定义无法读取。"));
    const int count = int(def->num_cols);
    QList<Column> columns;
    std::vector<std::vector<char>> buffers(size_t(count), std::vector<char>(BindSize + 1, '\0'));
    std::vector<int> lengths(size_t(count), 0);
    std::vector<MdbColumn *> cols(size_t(count), nullptr);
    for (int c = 0; c < count; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
        if (!col || col->name[0] == '\0')
            broken(QStringLiteral("的第 %1 列没有名称。").arg(c + 1));
        cols[size_t(c)] = col;
        Column column;
        column.name = QString::fromUtf8(col->name, int(strnlen(col->name, MDB_MAX_OBJ_NAME)));
        column.jetType = col->col_type;
        column.kind = kindOf(col->col_type);
        columns.append(column);
        if (mdb_bind_column(def, c + 1, buffers[size_t(c)].data(), &lengths[size_t(c)]) != c + 1)
            broken(QStringLiteral("的第 %1 列无法读取。").arg(c + 1));
    }
    onColumns(columns);

    MdbHandle *mdb = d->mdb;
    const int pageSize = int(mdb->fmt->pg_size);
    std::vector<MdbField> fields(static_cast<size_t>(count));
    // the table's page map, which libmdb follows without a check
    if (!def->usage_map || def->map_sz == 0)
        broken(QStringLiteral("的页面分配表无法读取。"));
    mdb_rewind_table(def);
    Row row;
    while (mdb_fetch_row(def)) {
        // The row just read, taken apart again: libmdb's bound texts do not
        // tell Null from '', and its text of a number is rounded.
        int start = 0;
        size_t size = 0;
        if (def->cur_row == 0 || mdb_find_row(mdb, int(def->cur_row) - 1, &start, &size) != 0 || size == 0
            || (start & DeletedFlag))
            broken(QStringLiteral("有一行无法读取。"));
        std::fill(fields.begin(), fields.end(), MdbField{});
        // the number of columns the row holds (older rows may hold fewer);
        // every field of the table is filled
        if (mdb_crack_row(def, start & OffsetMask, size, fields.data()) < 0)
            broken(QStringLiteral("有一行无法读取。"));
        row.clear();
        row.reserve(count);
        for (int c = 0; c < count; ++c)
            row.append(QVariant());
        for (const MdbField &field : fields) {
            if (field.colnum < 0 || field.colnum >= count)
                broken(QStringLiteral("有一行无法读取。"));
            const MdbColumn *col = cols[size_t(field.colnum)];
            QVariant &value = row[field.colnum];
            if (col->col_type == MDB_BOOL) { // the null bit holds the value
                value = qlonglong(field.is_null ? 0 : 1);
                continue;
            }
            if (field.is_null)
                continue;
            const auto fixed = [&](int bytes) {
                if (field.start < 0 || field.siz < bytes || field.start + bytes > pageSize)
                    broken(QStringLiteral("有一个值超出了数据页。"));
                return mdb->pg_buf;
            };
            switch (col->col_type) {
            case MDB_BYTE:
                value = qlonglong(fixed(1)[field.start]);
                break;
            case MDB_INT: {
                const unsigned char *p = fixed(2) + field.start;
                value = qlonglong(qint16(quint16(p[0] | (p[1] << 8))));
                break;
            }
            case MDB_LONGINT: {
                const unsigned char *p = fixed(4) + field.start;
                value
                    = qlonglong(qint32(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24));
                break;
            }
            case MDB_MONEY:
                // a whole number of ten-thousandths of a unit
                value = double(int64At(fixed(8), field.start)) / 10000.0;
                break;
            case MDB_FLOAT:
                value = double(singleAt(fixed(4), field.start));
                break;
            case MDB_DOUBLE:
                value = doubleAt(fixed(8), field.start);
                break;
            case MDB_DATETIME:
                value = dateTimeOf(doubleAt(fixed(8), field.start));
                break;
            case MDB_NUMERIC: {
                const int length = lengths[size_t(field.colnum)];
                bool ok = false;
                const double n = QString::fromUtf8(buffers[size_t(field.colnum)].data(), length).toDouble(&ok);
                value = ok ? QVariant(n) : QVariant();
                break;
            }
            default: {
                const int length = qBound(0, lengths[size_t(field.colnum)], BindSize);
                value = QString::fromUtf8(buffers[size_t(field.colnum)].data(), length);
                break;
            }
            }
        }
        onRow(row);
    }
}

QStringList tables(const QString &path)
{
    return Reader(path).tables();
}

Table read(const QString &path, const QString &table)
{
    Reader reader(path);
    Table out;
    out.name = table;
    reader.read(
        table, [&out](const QList<Column> &columns) { out.columns = columns; },
        [&out](const Row &row) { out.rows.append(row); });
    return out;
}

} // namespace JetReader
