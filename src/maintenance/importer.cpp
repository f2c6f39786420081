#include "importer.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/sqltext.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

namespace Importer {

const QStringList &tables()
{
    static const QStringList six = {QStringLiteral("szzb"), QStringLiteral("fyxm"), QStringLiteral("fymx"),
                                    QStringLiteral("jtcy"), QStringLiteral("czyh"), QStringLiteral("xtcs")};
    return six;
}

Kind kindOf(const QString &path, const QString &password)
{
    const JetReader::Version version = JetReader::version(path);
    if (version == JetReader::Version::Jet3 || version == JetReader::Version::Jet4)
        return Kind::Jet;
    sqlite3 *raw = nullptr;
    // read-only and without touching a journal beside it
    const QByteArray uri = "file:" + QUrl::fromLocalFile(path).path(QUrl::FullyEncoded).toUtf8() + "?mode=ro";
    if (sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        return Kind::Unknown;
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> db(raw, sqlite3_close);
    Connection::applyKey(db.get(), password);
    for (const QString &table : tables()) {
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='%1' "
                                              "COLLATE NOCASE")
                                   .arg(table)
                                   .toUtf8();
        sqlite3_stmt *st = nullptr;
        bool found = sqlite3_prepare_v2(db.get(), sql.constData(), -1, &st, nullptr) == SQLITE_OK
                     && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
        sqlite3_finalize(st);
        if (!found)
            return Kind::Unknown;
    }
    return Kind::Ledger;
}

namespace {

QString quotedName(const QString &name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

struct StagingWriter::Private
{
    QString path;
    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;
    int columns = 0;
    bool finished = false;

    [[noreturn]] void fail() const { throw DbError(QString::fromUtf8(sqlite3_errmsg(db))); }

    void closeStatement()
    {
        sqlite3_finalize(insert);
        insert = nullptr;
    }
};

StagingWriter::StagingWriter(const QString &path, const QString &key)
    : d(new Private)
{
    d->path = path;
    QFile::remove(path);
    if (!FileSafety::createPrivateFile(path))
        throw DbError(QStringLiteral("无法创建临时文件“%1”。").arg(path));
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &d->db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(d->db));
        sqlite3_close(d->db);
        d->db = nullptr;
        QFile::remove(path);
        throw DbError(message);
    }
    try {
        Connection::applyKey(d->db, key);
        Schema::exec(d->db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN"));
    } catch (...) {
        sqlite3_close(d->db);
        d->db = nullptr;
        QFile::remove(path);
        throw;
    }
}

StagingWriter::~StagingWriter()
{
    d->closeStatement();
    sqlite3_close(d->db);
    if (!d->finished)
        QFile::remove(d->path);
}

void StagingWriter::beginTable(const QString &name, const QList<JetReader::Column> &columns)
{
    d->closeStatement();
    QStringList defined;
    QStringList marks;
    for (const JetReader::Column &c : columns) {
        const char *affinity = c.kind == QLatin1String("integer")  ? "INTEGER"
                               : c.kind == QLatin1String("number") ? "REAL"
                                                                   : "TEXT";
        defined.append(quotedName(c.name) + QLatin1Char(' ') + QLatin1String(affinity));
        marks.append(QStringLiteral("?"));
    }
    Schema::exec(d->db, QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(name), defined.join(QLatin1Char(','))));
    const QByteArray insert
        = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quotedName(name), marks.join(QLatin1Char(','))).toUtf8();
    if (sqlite3_prepare_v2(d->db, insert.constData(), -1, &d->insert, nullptr) != SQLITE_OK)
        d->fail();
    d->columns = int(columns.size());
}

void StagingWriter::addRow(const JetReader::Row &row)
{
    sqlite3_stmt *st = d->insert;
    if (!st || row.size() != d->columns)
        throw DbError(QStringLiteral("StagingWriter: a row that does not fit its table."));
    for (int i = 0; i < row.size(); ++i) {
        const QVariant &v = row.at(i);
        if (!v.isValid()) {
            sqlite3_bind_null(st, i + 1);
        } else if (v.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(st, i + 1, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(st, i + 1, v.toDouble());
        } else {
            const QByteArray text = v.toString().toUtf8();
            sqlite3_bind_text(st, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
    }
    if (sqlite3_step(st) != SQLITE_DONE)
        d->fail();
    sqlite3_reset(st);
}

void StagingWriter::finish()
{
    d->closeStatement();
    try {
        Schema::exec(d->db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_close(d->db);
        d->db = nullptr;
        QFile::remove(d->path);
        throw;
    }
    if (sqlite3_close(d->db) != SQLITE_OK) {
        d->db = nullptr;
        QFile::remove(d->path);
        throw DbError(QStringLiteral("无法关闭临时文件“%1”。").arg(d->path));
    }
    d->db = nullptr;
    d->finished = true;
}

void writeStaging(const QList<JetReader::Table> &tablesRead, const QString &staging, const QString &key)
{
    StagingWriter writer(staging, key);
    for (const JetReader::Table &table : tablesRead) {
        writer.beginTable(table.name, table.columns);
        for (const JetReader::Row &row : table.rows)
            writer.addRow(row);
    }
    writer.finish();
}

void stageJet(const QString &jetFile, const QString &staging, const QString &key,
              const std::function<void(qint64, qint64)> &progress)
{
    QFile::remove(staging); // whatever an earlier run left
    JetReader::Reader reader(jetFile);
    const QStringList present = reader.tables();
    QStringList names;
    qint64 total = 0;
    for (const QString &wanted : tables()) {
        QString name;
        for (const QString &p : present)
            if (p.compare(wanted, Qt::CaseInsensitive) == 0)
                name = p;
        if (name.isEmpty())
            throw NotVersionOneBooks(
                QStringLiteral("“%1”中没有数据表“%2”。").arg(QFileInfo(jetFile).fileName(), wanted));
        names.append(name);
        total += qMax<qint64>(0, reader.recordedRows(name));
    }
    StagingWriter writer(staging, key);
    qint64 done = 0;
    if (progress)
        progress(0, total);
    for (const QString &name : std::as_const(names)) {
        reader.read(
            name, [&](const QList<JetReader::Column> &columns) { writer.beginTable(name, columns); },
            [&](const JetReader::Row &row) {
                writer.addRow(row);
                if (progress && ++done % 256 == 0)
                    progress(done, qMax(total, done));
            });
    }
    writer.finish();
    if (progress)
        progress(qMax(total, done), qMax(total, done));
}

QStringList statements(const QString &file)
{
    QStringList out;
    for (const QString &table : tables()) {
        out.append(QStringLiteral(" delete from ") + table);
        out.append(QStringLiteral("insert into %1  select *  from %1 in '").arg(table) + sqlText(file)
                   + QStringLiteral("'"));
    }
    out.append(QStringLiteral("update xtcs set bbh='V2.0'"));
    return out;
}

void changeDbPassword(const QString &oldPassword, const QString &newPassword, const QString &path)
{
    Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False"));
    connection.setProperty(QStringLiteral("Jet OLEDB:Database Password"), oldPassword);
    connection.setProperty(QStringLiteral("Data Source"), path);
    connection.setProperty(QStringLiteral("Mode"), QStringLiteral("Share Exclusive"));
    const QString from = oldPassword.isEmpty() ? QStringLiteral("``") : oldPassword;
    const QString to = newPassword.isEmpty() ? QStringLiteral("``") : newPassword;
    connection.execute(QStringLiteral("ALTER Database Password ") + to + QLatin1Char(' ') + from);
    connection.close();
}

} // namespace Importer
