#include "ledgerfolder.h"

#include "dberror.h"
#include "filesafety.h"
#include "platform/platform.h"
#include "schema.h"
#include "tdm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace LedgerFolder {
namespace {

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

bool isInstalled(const QString &programDirectory)
{
    return QFileInfo::exists(withSlash(programDirectory) + QStringLiteral("../share/applications/") + DesktopEntryName);
}

QString userDataHome()
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return QDir::cleanPath(home);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/share"));
}

QString path()
{
    const QString program = withSlash(platform().programDirectory());
    if (platform().canWriteIn(program) && !isInstalled(program))
        return program;
    return userDataHome() + QLatin1Char('/') + DataFolderName + QLatin1Char('/');
}

bool isUserData()
{
    return path() != withSlash(platform().programDirectory());
}

QString ledgerFile()
{
    return path() + LedgerName;
}

QString backupsFolder(const QString &ledger)
{
    return QFileInfo(ledger).absolutePath() + QLatin1Char('/') + BackupsName + QLatin1Char('/');
}

QString shown(const QString &path)
{
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home.size() > 1 && (path == home || path.startsWith(home + QLatin1Char('/'))))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

bool prepare(const QDate &today, QString *why)
{
    if (!isUserData())
        return true;
    const QString folder = path();
    const QByteArray name = QFile::encodeName(QDir::cleanPath(folder));
    if (!QDir().mkpath(QFileInfo(QDir::cleanPath(folder)).absolutePath())) {
        say(why, QStringLiteral("无法建立文件夹“%1”。").arg(shown(QFileInfo(QDir::cleanPath(folder)).absolutePath())));
        return false;
    }
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        say(why,
            QStringLiteral("无法建立文件夹“%1”：%2").arg(shown(folder), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    if (!QFileInfo(folder).isDir()) {
        say(why, QStringLiteral("“%1”不是文件夹。").arg(shown(folder)));
        return false;
    }
    // the books of one user, and nobody else's to read
    ::chmod(name.constData(), 0700);
    const QString ledger = folder + LedgerName;
    if (QFileInfo::exists(ledger)) {
        FileSafety::makePrivate(ledger);
        return true;
    }
    // made under a temporary name and named only when complete; a ledger
    // another program made meanwhile is kept
    const QString temp = FileSafety::temporarySibling(ledger);
    try {
        Schema::createDatabase(temp, DatabasePassword, today, true);
    } catch (const DbError &e) {
        QFile::remove(temp);
        say(why, QStringLiteral("无法建立帐本数据文件“%1”：%2").arg(shown(ledger), e.message()));
        return false;
    }
    FileSafety::syncFile(temp);
    bool named = ::link(QFile::encodeName(temp).constData(), QFile::encodeName(ledger).constData()) == 0;
    int error = errno;
    if (!named && error != EEXIST && !QFileInfo::exists(ledger)) {
        // a file system without hard links
        named = ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(ledger).constData()) == 0;
        error = errno;
    }
    QFile::remove(temp);
    if (!named && error != EEXIST) {
        say(why, QStringLiteral("无法建立帐本数据文件“%1”：%2")
                     .arg(shown(ledger), QString::fromLocal8Bit(std::strerror(error))));
        return false;
    }
    return true;
}

QStringList conflictedCopies(const QString &ledger)
{
    const QFileInfo info(ledger);
    const QString base = QRegularExpression::escape(info.completeBaseName());
    const QString suffix = QRegularExpression::escape(info.suffix());
    // "<base><separator>…conflict…", in any language a sync program speaks
    // here, or "<base> (<n>).<suffix>"
    static const QString conflict = QStringLiteral("(conflict|冲突|衝突|konflikt|conflit|conflitto|conflicto)");
    const QRegularExpression speaksOfConflict(QStringLiteral("^%1[ ._\\-(\\[].*%2").arg(base, conflict),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression numbered(QStringLiteral("^%1 ?\\(\\d{1,3}\\)\\.%2$").arg(base, suffix),
                                      QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    const QStringList names
        = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (name == info.fileName())
            continue;
        if (speaksOfConflict.match(name).hasMatch() || numbered.match(name).hasMatch())
            found.append(name);
    }
    return found;
}

} // namespace LedgerFolder
