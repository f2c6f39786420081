#include "ledgerlock.h"

#include "filesafety.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Header = "doz-lock 1";
constexpr qint64 Day = 24 * 60 * 60;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A text of a lock for showing: no control characters, at most 64 of them.
QString clean(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            continue;
        result.append(c);
        if (result.size() >= 64)
            break;
    }
    return result.trimmed();
}

QByteArray firstLine(const char *path)
{
    QFile f(QString::fromLatin1(path));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readLine(256).trimmed();
}

// This computer: its machine id where there is one, else its name.
QString machine()
{
    static const QString id = QString::fromLatin1(firstLine("/etc/machine-id"));
    return id;
}

QString bootId()
{
    static const QString id = QString::fromLatin1(firstLine("/proc/sys/kernel/random/boot_id"));
    return id;
}

// When process pid started, in clock ticks since the boot; 0 when unknown.
qint64 processStart(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.read(4096);
    // the name in parentheses may hold anything; the fields follow the last ')'
    const int end = stat.lastIndexOf(')');
    if (end < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(end + 2).split(' ');
    // the fields after the name begin with the third (state); the start is the 22nd
    return fields.size() > 19 ? fields.at(19).toLongLong() : 0;
}

// The locks this process holds, released also when it ends through exit()
// (a restore ends the program so) rather than through its windows.
QList<LedgerLock *> &heldLocks()
{
    static QList<LedgerLock *> locks;
    return locks;
}

void releaseAtExit()
{
    const QList<LedgerLock *> locks = heldLocks();
    for (LedgerLock *lock : locks)
        lock->release();
}

QString timeText(const QDateTime &t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

LedgerLock::LedgerLock(const QString &ledger)
    : m_file(ledger + QStringLiteral(".lock"))
{}

LedgerLock::~LedgerLock()
{
    release();
}

LedgerLock::Holder LedgerLock::self(const QDateTime &now)
{
    Holder h;
    h.host = clean(QSysInfo::machineHostName());
    h.machine = machine();
    const struct passwd *user = ::getpwuid(::geteuid());
    h.user = clean(user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER"));
    h.pid = ::getpid();
    h.since = now;
    h.seen = now;
    h.boot = bootId();
    h.started = processStart(h.pid);
    return h;
}

QByteArray LedgerLock::format(const Holder &h)
{
    QByteArray text = Header + '\n';
    const auto line = [&text](const char *key, const QString &value) {
        text += QByteArray(key) + '=' + clean(value).toUtf8() + '\n';
    };
    line("host", h.host);
    line("machine", h.machine);
    line("user", h.user);
    line("pid", QString::number(h.pid));
    line("since", timeText(h.since));
    line("seen", timeText(h.seen.isValid() ? h.seen : h.since));
    line("boot", h.boot);
    line("started", QString::number(h.started));
    return text;
}

bool LedgerLock::parse(const QByteArray &text, Holder *holder)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != Header)
        return false;
    Holder h;
    for (const QByteArray &line : lines) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QString value = clean(QString::fromUtf8(line.mid(eq + 1)));
        if (key == "host")
            h.host = value;
        else if (key == "machine")
            h.machine = value;
        else if (key == "user")
            h.user = value;
        else if (key == "pid")
            h.pid = value.toLongLong();
        else if (key == "since")
            h.since = QDateTime::fromString(value, Qt::ISODate);
        else if (key == "seen")
            h.seen = QDateTime::fromString(value, Qt::ISODate);
        else if (key == "boot")
            h.boot = value;
        else if (key == "started")
            h.started = value.toLongLong();
    }
    if (h.host.isEmpty() || h.pid <= 0 || !h.since.isValid())
        return false;
    if (!h.seen.isValid())
        h.seen = h.since;
    if (holder)
        *holder = h;
    return true;
}

bool LedgerLock::isThisComputer(const Holder &h)
{
    if (!h.machine.isEmpty() && !machine().isEmpty())
        return h.machine == machine();
    return h.host.compare(clean(QSysInfo::machineHostName()), Qt::CaseInsensitive) == 0;
}

LedgerLock::Status LedgerLock::judge(const Holder &h, const QDateTime &now)
{
    if (!isThisComputer(h))
        return h.seen.secsTo(now) > Day ? Status::Stale : Status::Held;
    if (!h.boot.isEmpty() && !bootId().isEmpty() && h.boot != bootId())
        return Status::Stale; // the computer has started again since
    if (::kill(pid_t(h.pid), 0) != 0 && errno == ESRCH)
        return Status::Stale;
    const qint64 started = processStart(h.pid);
    if (h.started != 0 && started != 0 && started != h.started)
        return Status::Stale; // the number belongs to another process now
    return Status::Held;
}

QByteArray LedgerLock::readRaw(bool *exists) const
{
    *exists = true;
    // never through a link, never waiting on a pipe
    const int fd = ::open(QFile::encodeName(m_file).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *exists = errno != ENOENT && errno != ENOTDIR;
        return QByteArray();
    }
    QByteArray text;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= MaxSize) {
        text.resize(MaxSize + 1);
        qint64 got = 0;
        while (got <= MaxSize) {
            const ssize_t n = ::read(fd, text.data() + got, size_t(MaxSize + 1 - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        text.truncate(got > MaxSize ? 0 : int(got));
    }
    ::close(fd);
    return text;
}

LedgerLock::Status LedgerLock::examine(const QDateTime &now, Holder *holder) const
{
    if (holder)
        *holder = Holder();
    bool exists = false;
    const QByteArray text = readRaw(&exists);
    if (!exists)
        return Status::Free;
    Holder h;
    if (!parse(text, &h))
        return Status::Damaged;
    if (holder)
        *holder = h;
    return judge(h, now);
}

bool LedgerLock::write(const QByteArray &text, bool replace, QString *why)
{
    const auto fail = [&](const QString &reason) {
        if (why)
            *why = QStringLiteral("无法在帐本所在的文件夹中建立帐本锁“%1”：%2")
                       .arg(QFileInfo(m_file).fileName(), reason);
        return false;
    };
    const QString temp = FileSafety::temporarySibling(m_file);
    const QByteArray tempName = QFile::encodeName(temp);
    const QByteArray name = QFile::encodeName(m_file);
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(systemError());
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        const QString reason = systemError();
        ::unlink(tempName.constData());
        return fail(reason);
    }
    if (replace) {
        if (::rename(tempName.constData(), name.constData()) != 0) {
            const QString reason = systemError();
            ::unlink(tempName.constData());
            return fail(reason);
        }
    } else {
        int rc = ::link(tempName.constData(), name.constData());
        int error = rc == 0 ? 0 : errno;
        if (rc != 0 && error != EEXIST) {
            // a file system without hard links: made in place, only when absent
            const int direct = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            error = direct < 0 ? errno : 0;
            if (direct >= 0) {
                const bool ok = ::write(direct, text.constData(), size_t(text.size())) == ssize_t(text.size());
                ::close(direct);
                if (!ok) {
                    ::unlink(name.constData());
                    error = EIO;
                }
            }
        }
        ::unlink(tempName.constData());
        if (error == EEXIST) {
            if (why)
                *why = QStringLiteral("帐本刚刚被另一个程序打开。");
            return false;
        }
        if (error != 0) {
            errno = error;
            return fail(systemError());
        }
    }
    m_written = text;
    if (!heldLocks().contains(this)) {
        heldLocks().append(this);
        static const bool registered = std::atexit(releaseAtExit) == 0;
        Q_UNUSED(registered)
    }
    return true;
}

bool LedgerLock::take(const QDateTime &now, QString *why)
{
    return write(format(self(now)), false, why);
}

bool LedgerLock::takeOver(const QDateTime &now, QString *why)
{
    return write(format(self(now)), true, why);
}

bool LedgerLock::isHeld() const
{
    if (m_written.isEmpty())
        return false;
    bool exists = false;
    return readRaw(&exists) == m_written;
}

void LedgerLock::refresh(const QDateTime &now)
{
    Holder h;
    if (!isHeld() || !parse(m_written, &h))
        return;
    h.seen = now;
    write(format(h), true, nullptr);
}

void LedgerLock::release()
{
    if (isHeld())
        ::unlink(QFile::encodeName(m_file).constData());
    m_written.clear();
    heldLocks().removeAll(this);
}

void LedgerLock::releaseHeld()
{
    releaseAtExit();
}
