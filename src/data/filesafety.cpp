#include "filesafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace FileSafety {

namespace {

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

// What errno says, in the household's words, the system's own after it.
QString systemError()
{
    const int code = errno;
    const char *said = nullptr;
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        said = "磁盘空间已满";
        break;
    case EACCES:
    case EPERM:
        said = "没有权限";
        break;
    case ENOENT:
        said = "文件或文件夹不存在";
        break;
    case EROFS:
        said = "磁盘是只读的";
        break;
    case EIO:
        said = "读写磁盘时出错";
        break;
    case EFBIG:
        said = "文件太大";
        break;
    case EISDIR:
        said = "这是一个文件夹";
        break;
    case ENAMETOOLONG:
        said = "文件名太长";
        break;
    default:
        said = "系统出错";
        break;
    }
    return QString::fromUtf8(said) + QStringLiteral("（") + QString::fromLocal8Bit(std::strerror(code))
           + QStringLiteral("）");
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void syncFolder(const QString &folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// A rollback journal that the engine would not play back: empty, or with
// its header not yet written (a first byte of zero). A program killed the
// moment it began a transaction leaves one; the engine itself only
// overwrites it at the next write, so it would stay beside the ledger.
bool isSpentJournal(const QString &folder, const QString &name)
{
    QFile f(QDir(folder).filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    char first = 0;
    const qint64 got = f.read(&first, 1);
    return got == 0 || (got == 1 && first == 0);
}

} // namespace

bool createPrivateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

bool makePrivate(const QString &path)
{
    return ::chmod(QFile::encodeName(path).constData(), 0600) == 0;
}

bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool replaceFile(const QString &from, const QString &to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

QString temporarySibling(const QString &target)
{
    for (int n = 0;; ++n) {
        const QString name = target + QStringLiteral(".doz-tmp-%1-%2").arg(::getpid()).arg(n);
        if (!QFileInfo::exists(name))
            return name;
    }
}

bool copyInto(const QString &from, int fd, QString *why)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        say(why, QStringLiteral("无法读取文件“%1”：%2").arg(from, systemError()));
        return false;
    }
    static constexpr int Size = 1 << 16;
    std::unique_ptr<char[]> buffer(new char[Size]);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), Size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            say(why, QStringLiteral("读取文件时出错：") + systemError());
            ::close(in);
            return false;
        }
        if (n == 0)
            break;
        if (!writeAll(fd, buffer.get(), n)) {
            say(why, QStringLiteral("写入文件时出错：") + systemError());
            ::close(in);
            return false;
        }
    }
    ::close(in);
    return true;
}

bool writeAtomically(const QString &target, const std::function<bool(int fd)> &write, QString *why)
{
    if (why)
        why->clear();
    const QString folder = QFileInfo(target).absolutePath();
    // what a killed program left in the moment between naming and renaming
    removeStaleTemporaries(folder);
    const QByteArray folderName = QFile::encodeName(folder);
    // an unnamed file first: nothing of it stays when the program is killed
    int fd = ::open(folderName.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    QString named;
    if (fd < 0) {
        named = temporarySibling(target);
        fd = ::open(QFile::encodeName(named).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            say(why, QStringLiteral("无法在“%1”中创建文件：%2").arg(folder, systemError()));
            return false;
        }
    }
    const auto giveUp = [&] {
        ::close(fd);
        if (!named.isEmpty())
            ::unlink(QFile::encodeName(named).constData());
        return false;
    };
    if (!write(fd)) {
        // write() may have said why through the same text; else errno does
        if (why && why->isEmpty())
            say(why, QStringLiteral("写入文件时出错：") + systemError());
        return giveUp();
    }
    if (::fchmod(fd, 0600) != 0 || ::fsync(fd) != 0) {
        say(why, QStringLiteral("写入文件时出错：") + systemError());
        return giveUp();
    }
    if (named.isEmpty()) {
        // the unnamed file gets a name for the moment of the rename
        named = temporarySibling(target);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(named).constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            say(why, QStringLiteral("无法写入文件“%1”：%2").arg(target, systemError()));
            named.clear();
            return giveUp();
        }
    }
    ::close(fd);
    if (::rename(QFile::encodeName(named).constData(), QFile::encodeName(target).constData()) != 0) {
        say(why, QStringLiteral("无法替换文件“%1”：%2").arg(target, systemError()));
        ::unlink(QFile::encodeName(named).constData());
        return false;
    }
    syncFolder(folder);
    return true;
}

FolderPresence::FolderPresence(const QString &folder)
{
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    // alone when nobody else holds the folder; then present like the others
    m_alone = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
        m_alone = false;
    }
}

FolderPresence::~FolderPresence()
{
    if (m_fd >= 0)
        ::close(m_fd); // the lock goes with it
}

QStringList leftovers(const QString &folder)
{
    static const QRegularExpression ours(
        QStringLiteral(
            R"(^(.+\.doz-tmp-\d+-\d+|.+\.qhd\.tmp-\d+|DATA1_temp\.(mdb|db)|.+\.(qhd|mdb)\.rekey)(-journal|-wal|-shm)?$)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    static const QRegularExpression journal(QStringLiteral(R"(^.+\.qhd-journal$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QString &name : names) {
        if (ours.match(name).hasMatch() || (journal.match(name).hasMatch() && isSpentJournal(folder, name)))
            found.append(name);
    }
    return found;
}

QStringList removeStaleTemporaries(const QString &folder)
{
    static const QRegularExpression ours(QStringLiteral(R"(^.+\.doz-tmp-(\d+)-\d+(-journal|-wal|-shm)?$)"));
    QStringList removed;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.doz-tmp-*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = ours.match(name);
        if (!m.hasMatch())
            continue;
        const pid_t pid = pid_t(m.captured(1).toLongLong());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH && QFile::remove(QDir(folder).filePath(name)))
            removed.append(name);
    }
    return removed;
}

QStringList removeLeftovers(const QString &folder)
{
    QStringList removed;
    for (const QString &name : leftovers(folder)) {
        if (QFile::remove(QDir(folder).filePath(name)))
            removed.append(name);
    }
    return removed;
}

} // namespace FileSafety
