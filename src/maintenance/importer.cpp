#include "importer.h"

#include "data/connection.h"
#include "data/databasefile.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/sqltext.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <optional>

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
    try {
        DatabaseFile db(path, password, DatabaseFile::Mode::ReadOnly);
        for (const QString &table : tables()) {
            if (db.count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='%1' "
                                        "COLLATE NOCASE")
                             .arg(table),
                         0)
                <= 0)
                return Kind::Unknown;
        }
    } catch (const DbError &) {
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
    std::unique_ptr<DatabaseFile> db;
    std::optional<Statement> insert;
    int columns = 0;
    bool finished = false;
};

StagingWriter::StagingWriter(const QString &path, const QString &key)
    : d(new Private)
{
    d->path = path;
    // owner-only before anything is written into it
    if (!FileSafety::createPrivateFile(path))
        throw DbError(QStringLiteral("无法创建临时文件“%1”。").arg(path));
    try {
        d->db = std::make_unique<DatabaseFile>(path, key, DatabaseFile::Mode::ReadWrite);
        d->db->exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN"));
    } catch (...) {
        d->db.reset();
        QFile::remove(path);
        throw;
    }
}

StagingWriter::~StagingWriter()
{
    d->insert.reset();
    d->db.reset();
    if (!d->finished)
        QFile::remove(d->path);
}

void StagingWriter::beginTable(const QString &name, const QList<JetReader::Column> &columns)
{
    d->insert.reset();
    QStringList defined;
    QStringList marks;
    for (const JetReader::Column &c : columns) {
        const char *affinity = c.kind == QLatin1String("integer")  ? "INTEGER"
                               : c.kind == QLatin1String("number") ? "REAL"
                                                                   : "TEXT";
        defined.append(quotedName(c.name) + QLatin1Char(' ') + QLatin1String(affinity));
        marks.append(QStringLiteral("?"));
    }
    d->db->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(name), defined.join(QLatin1Char(','))));
    d->insert = d->db->prepare(
        QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quotedName(name), marks.join(QLatin1Char(','))));
    d->columns = int(columns.size());
}

void StagingWriter::addRow(const JetReader::Row &row)
{
    if (!d->insert || row.size() != d->columns)
        throw DbError(QStringLiteral("StagingWriter: a row that does not fit its table."));
    // a date is the text the reader made of it: stored as it is
    for (int i = 0; i < row.size(); ++i)
        d->insert->bind(i + 1, row.at(i),
                        row.at(i).typeId() == QMetaType::LongLong ? std::optional<FieldKind>(FieldKind::Integer)
                        : row.at(i).typeId() == QMetaType::Double ? std::optional<FieldKind>(FieldKind::Float)
                                                                  : std::optional<FieldKind>(FieldKind::Text));
    d->insert->run();
    d->insert->reset();
}

void StagingWriter::finish()
{
    d->insert.reset();
    try {
        d->db->exec(QStringLiteral("COMMIT"));
        d->db->close();
    } catch (...) {
        d->db.reset();
        QFile::remove(d->path);
        throw;
    }
    d->db.reset();
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
    // what fails in writing is the staging file's fault, not the reader's
    const auto writing = [](const std::function<void()> &write) {
        try {
            write();
        } catch (const StagingNotWritten &) {
            throw;
        } catch (const DbError &e) {
            throw StagingNotWritten(e.message());
        }
    };
    std::unique_ptr<StagingWriter> writer;
    writing([&] { writer = std::make_unique<StagingWriter>(staging, key); });
    qint64 done = 0;
    if (progress)
        progress(0, total);
    for (const QString &name : std::as_const(names)) {
        reader.read(
            name, [&](const QList<JetReader::Column> &columns) { writing([&] { writer->beginTable(name, columns); }); },
            [&](const JetReader::Row &row) {
                writing([&] { writer->addRow(row); });
                if (progress && ++done % 256 == 0)
                    progress(done, qMax(total, done));
            });
    }
    writing([&] { writer->finish(); });
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

} // namespace Importer
