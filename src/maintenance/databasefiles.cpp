#include "databasefiles.h"

#include "data/connection.h"
#include "data/databasefile.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "platform/errortext.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace DatabaseFiles {
namespace {

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

const QString NotALedger = QStringLiteral("所选文件不是本程序的帐本数据文件（或口令不同）。");

// Copies from into the new owner-only file to, in pieces, telling progress
// and giving up when cancelled. False (and *why) on failure; to is then
// removed.
bool copyNew(const QString &from, const QString &to, QString *why, const std::atomic<bool> *cancelled,
             const Progress &progress)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        say(why, QStringLiteral("所选文件无法读取。"));
        return false;
    }
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        say(why, QStringLiteral("无法在帐本所在的文件夹中创建文件。"));
        return false;
    }
    struct stat st;
    const qint64 total = ::fstat(in, &st) == 0 ? qint64(st.st_size) : 0;
    static constexpr int Size = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[Size]);
    qint64 done = 0;
    bool ok = true;
    while (ok) {
        if (cancelled && *cancelled) {
            say(why, QStringLiteral("已取消。"));
            ok = false;
            break;
        }
        const ssize_t n = ::read(in, buffer.get(), Size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0)
                say(why, QStringLiteral("读取所选文件时出错。"));
            ok = n == 0;
            break;
        }
        for (ssize_t written = 0; ok && written < n;) {
            const ssize_t w = ::write(out, buffer.get() + written, size_t(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                say(why, QStringLiteral("写入时出错（磁盘可能已满）。"));
                ok = false;
            } else {
                written += w;
            }
        }
        done += n;
        if (progress)
            progress(done, total);
    }
    ok = ok && ::fsync(out) == 0;
    ::close(out);
    ::close(in);
    if (!ok) {
        if (why && why->isEmpty())
            *why = QStringLiteral("写入时出错（磁盘可能已满）。");
        QFile::remove(to);
    }
    return ok;
}

struct Cancel
{
    const std::atomic<bool> *flag;
};

int stopWhenCancelled(void *data)
{
    const auto *cancel = static_cast<const Cancel *>(data);
    return cancel->flag && *cancel->flag ? 1 : 0;
}

// The checks of a ledger on an open handle; empty when sound.
QString examine(DatabaseFile &file, const std::atomic<bool> *cancelled)
{
    if (!file.isDatabase())
        return NotALedger;
    sqlite3 *db = file.handle();
    const QString schema = Schema::checkLedger(db);
    if (!schema.isEmpty())
        return schema;
    Cancel cancel{cancelled};
    sqlite3_progress_handler(db, 10000, stopWhenCancelled, &cancel);
    QString verdict;
    try {
        Statement st = file.prepare(QStringLiteral("PRAGMA integrity_check"));
        if (st.step())
            verdict = st.text(0);
    } catch (const DbError &) {
        verdict.clear();
    }
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (cancelled && *cancelled)
        return QStringLiteral("已取消。");
    if (verdict != QLatin1String("ok"))
        return QStringLiteral("所选文件已损坏（完整性检查未通过）。");
    return QString();
}

void removeWithCompanions(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

QString safetyCopyName(const QDateTime &when)
{
    return QStringLiteral("恢复前的帐本 ") + when.toString(QStringLiteral("yyyy-MM-dd hhmmss"))
           + QStringLiteral(".qhd");
}

QString resolved(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa;
    struct stat sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool backup(Connection *connection, const QString &target, QString *why,
            const std::function<void(const std::function<void()> &)> &copy)
{
    // a write beyond a size limit fails instead of ending the program
    std::signal(SIGXFSZ, SIG_IGN);
    const QString database = connection->dataSource();
    if (sameFile(target, database)) {
        say(why, QStringLiteral("不能把备份保存为正在使用的帐本数据文件本身，请另选一个文件名。"));
        return false;
    }
    // The copy is of the one file, in the ordinary journal mode, in which
    // the read transaction below holds off writers.
    bool whole = false;
    try {
        whole = connection->leaveWriteAheadLog();
    } catch (const DbError &e) {
        say(why, errorText(e.message()));
        return false;
    }
    if (!whole) {
        say(why, QStringLiteral("帐本有一部分改动还在另一个程序的预写日志“%1”中，现在备份会漏掉它们。\r"
                                "请先关闭其他正在使用帐本的程序，然后再备份。")
                     .arg(QFileInfo(database).fileName() + QStringLiteral("-wal")));
        return false;
    }
    bool ok = false;
    QString failure;
    const auto work = [&] {
        ok = FileSafety::writeAtomically(
            target, [&](int fd) { return FileSafety::copyInto(database, fd, &failure); }, &failure);
    };
    try {
        // the file does not change while it is copied
        connection->inReadTransaction([&] {
            if (copy)
                copy(work);
            else
                work();
        });
    } catch (const DbError &e) {
        say(why, errorText(e.message()));
        return false;
    }
    if (!ok)
        say(why, failure);
    return ok;
}

bool isLedger(const QString &path, const QString &password, QString *why)
{
    if (!QFileInfo(path).isFile()) {
        say(why, QStringLiteral("所选文件不存在。"));
        return false;
    }
    try {
        DatabaseFile db(path, password, DatabaseFile::Mode::ReadOnly);
        const QString problem = examine(db, nullptr);
        say(why, problem);
        return problem.isEmpty();
    } catch (const DbError &) {
        say(why, QStringLiteral("所选文件无法打开。"));
        return false;
    }
}

QString prepareRestore(const QString &database, const QString &source, const QString &password, QString *why,
                       const std::atomic<bool> *cancelled, const Progress &progress)
{
    std::signal(SIGXFSZ, SIG_IGN);
    if (!QFileInfo(source).isFile()) {
        say(why, QStringLiteral("所选文件不存在。"));
        return QString();
    }
    const QString copy = FileSafety::temporarySibling(resolved(database));
    if (!copyNew(source, copy, why, cancelled, progress))
        return QString();
    // a write-ahead log beside the file holds part of it
    const QString log = source + QStringLiteral("-wal");
    if (QFileInfo(log).isFile() && QFileInfo(log).size() > 0
        && !copyNew(log, copy + QStringLiteral("-wal"), why, cancelled, {})) {
        removeWithCompanions(copy);
        return QString();
    }
    QString problem;
    try {
        DatabaseFile db(copy, password, DatabaseFile::Mode::ReadWrite);
        QString mode;
        try {
            Statement st = db.prepare(QStringLiteral("PRAGMA journal_mode"));
            if (st.step())
                mode = st.text(0);
        } catch (const DbError &) {
            mode.clear();
        }
        if (mode.isEmpty()) {
            problem = NotALedger;
        } else if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0) {
            try {
                db.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
            } catch (const DbError &) {
                problem = QStringLiteral("所选文件的预写日志无法并入。");
            }
        }
        if (problem.isEmpty()) {
            if (progress)
                progress(0, 0); // the check has no count to show
            problem = examine(db, cancelled);
        }
    } catch (const DbError &) {
        problem = NotALedger;
    }
    if (!problem.isEmpty()) {
        say(why, problem);
        removeWithCompanions(copy);
        return QString();
    }
    // the copy is whole and alone: no log or journal is left beside it
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(copy + QLatin1String(suffix));
    if (!FileSafety::syncFile(copy)) {
        say(why, QStringLiteral("写入时出错（磁盘可能已满）。"));
        removeWithCompanions(copy);
        return QString();
    }
    return copy;
}

bool commitRestore(const QString &prepared, const QString &database, const QString &safetyCopy, QString *why)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const QString real = resolved(database);
    if (QFileInfo::exists(real)) {
        QString failure;
        if (!FileSafety::writeAtomically(
                safetyCopy, [&](int fd) { return FileSafety::copyInto(real, fd, &failure); }, &failure)) {
            discardPrepared(prepared);
            say(why, QStringLiteral("无法保存原有数据的安全副本：") + failure);
            return false;
        }
    }
    if (!FileSafety::replaceFile(prepared, real)) {
        discardPrepared(prepared);
        say(why, QStringLiteral("无法替换帐本数据文件。"));
        return false;
    }
    return true;
}

void discardPrepared(const QString &prepared)
{
    if (!prepared.isEmpty())
        removeWithCompanions(prepared);
}

} // namespace DatabaseFiles
