#include "filesafety.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSafety {

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
    const int dir = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

QString temporarySibling(const QString &target)
{
    for (int n = int(::getpid());; ++n) {
        const QString name = target + QStringLiteral(".tmp-%1").arg(n);
        if (!QFileInfo::exists(name))
            return name;
    }
}

} // namespace FileSafety
