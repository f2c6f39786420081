#include "importer.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "jetreader.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>

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
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
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

void stageJet(const QString &jetFile, const QString &staging, const std::function<void(int, int)> &progress)
{
    QFile::remove(staging); // whatever an earlier run left
    const QStringList present = JetReader::tables(jetFile);
    QList<JetReader::Table> read;
    int done = 0;
    for (const QString &wanted : tables()) {
        QString name;
        for (const QString &p : present)
            if (p.compare(wanted, Qt::CaseInsensitive) == 0)
                name = p;
        if (name.isEmpty())
            throw DbError(QStringLiteral("1.0旧版数据库文件中没有数据表“%1”。").arg(wanted));
        read.append(JetReader::read(jetFile, name));
        if (progress)
            progress(++done, int(tables().size()));
    }
    writeStaging(read, staging);
}

void writeStaging(const QList<JetReader::Table> &tablesRead, const QString &staging)
{
    QFile::remove(staging);
    sqlite3 *raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(staging).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr)
        != SQLITE_OK) {
        sqlite3_close(raw);
        throw DbError(QStringLiteral("无法创建临时文件“%1”。").arg(staging));
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> db(raw, sqlite3_close);
    try {
        Schema::exec(db.get(), QStringLiteral("BEGIN"));
        for (const JetReader::Table &table : tablesRead) {
            QStringList columns;
            QStringList marks;
            for (const JetReader::Column &c : table.columns) {
                const char *affinity = c.kind == QLatin1String("integer")  ? "INTEGER"
                                       : c.kind == QLatin1String("number") ? "REAL"
                                                                           : "TEXT";
                columns.append(quotedName(c.name) + QLatin1Char(' ') + QLatin1String(affinity));
                marks.append(QStringLiteral("?"));
            }
            Schema::exec(
                db.get(),
                QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(table.name), columns.join(QLatin1Char(','))));
            sqlite3_stmt *st = nullptr;
            const QByteArray insert = QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                          .arg(quotedName(table.name), marks.join(QLatin1Char(',')))
                                          .toUtf8();
            if (sqlite3_prepare_v2(db.get(), insert.constData(), -1, &st, nullptr) != SQLITE_OK)
                throw DbError(QString::fromUtf8(sqlite3_errmsg(db.get())));
            std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> statement(st, sqlite3_finalize);
            for (const QList<QVariant> &row : table.rows) {
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
                    throw DbError(QString::fromUtf8(sqlite3_errmsg(db.get())));
                sqlite3_reset(st);
            }
        }
        Schema::exec(db.get(), QStringLiteral("COMMIT"));
    } catch (...) {
        db.reset();
        QFile::remove(staging);
        throw;
    }
}

QStringList statements(const QString &file)
{
    QStringList out;
    for (const QString &table : tables()) {
        out.append(QStringLiteral(" delete from ") + table);
        out.append(QStringLiteral("insert into %1  select *  from %1 in '").arg(table) + file + QStringLiteral("'"));
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
