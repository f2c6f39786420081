#include "databasefiles.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/filesafety.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <csignal>
#include <memory>

namespace DatabaseFiles {
namespace {

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

// Copies from into a new owner-only file to, flushed; false on any failure
// (to is then removed).
bool copyPrivate(const QString &from, const QString &to, QString *why)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        say(why, QStringLiteral("无法读取文件：") + in.errorString());
        return false;
    }
    if (!FileSafety::createPrivateFile(to)) {
        say(why, QStringLiteral("无法在目标文件夹中创建文件"));
        return false;
    }
    QFile out(to);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    char buffer[1 << 16];
    while (ok) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        ok = out.write(buffer, n) == n;
    }
    ok = ok && out.flush();
    out.close();
    ok = ok && out.error() == QFileDevice::NoError && FileSafety::syncFile(to);
    if (!ok) {
        say(why, QStringLiteral("写入失败：") + out.errorString());
        QFile::remove(to);
    }
    return ok;
}

} // namespace

bool backup(Connection *connection, const QString &target, QString *why)
{
    // a write beyond a size limit fails instead of ending the program
    std::signal(SIGXFSZ, SIG_IGN);
    const QString temp = FileSafety::temporarySibling(target);
    sqlite3 *db = nullptr;
    try {
        db = connection->handle();
    } catch (const DbError &e) {
        say(why, e.message());
        return false;
    }
    // a read transaction: the file does not change while it is copied
    if (sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        say(why, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    bool ok = copyPrivate(connection->dataSource(), temp, why);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (ok && !FileSafety::replaceFile(temp, target)) {
        say(why, QStringLiteral("无法替换目标文件"));
        ok = false;
    }
    if (!ok)
        QFile::remove(temp);
    return ok;
}

bool isLedger(const QString &path, const QString &password, QString *why)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        say(why, QStringLiteral("所选文件不存在。"));
        return false;
    }
    sqlite3 *raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        say(why, QStringLiteral("所选文件无法打开。"));
        return false;
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3 *)> db(raw, sqlite3_close);
    Connection::applyKey(db.get(), password);
    QStringList tables;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(st);
        say(why, QStringLiteral("所选文件不是本程序的帐本数据文件（或口令不同）。"));
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        tables.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))).toLower());
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        say(why, QStringLiteral("所选文件不是本程序的帐本数据文件（或口令不同）。"));
        return false;
    }
    for (const char *table : {"szzb", "fyxm", "fymx", "jtcy", "czyh", "xtcs", "jstx", "jslx", "txl", "lxrfz"}) {
        if (!tables.contains(QLatin1String(table))) {
            say(why, QStringLiteral("所选文件缺少帐本数据表 %1，不是本程序的帐本数据文件。").arg(QLatin1String(table)));
            return false;
        }
    }
    QString verdict;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (verdict != QLatin1String("ok")) {
        say(why, QStringLiteral("所选文件已损坏（完整性检查未通过）。"));
        return false;
    }
    return true;
}

bool replace(const QString &database, const QString &source, const QString &safetyCopy, QString *why)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const QString temp = FileSafety::temporarySibling(database);
    if (!copyPrivate(source, temp, why))
        return false;
    const QString safetyTemp = FileSafety::temporarySibling(safetyCopy);
    if (QFileInfo::exists(database)) {
        if (!copyPrivate(database, safetyTemp, why) || !FileSafety::replaceFile(safetyTemp, safetyCopy)) {
            QFile::remove(safetyTemp);
            QFile::remove(temp);
            say(why, QStringLiteral("无法保存原有数据的安全副本。"));
            return false;
        }
    }
    if (!FileSafety::replaceFile(temp, database)) {
        QFile::remove(temp);
        say(why, QStringLiteral("无法替换帐本数据文件。"));
        return false;
    }
    return true;
}

} // namespace DatabaseFiles
