#include "autobackups.h"

#include "databasefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace AutoBackups {
namespace {

const QString Prefix = QStringLiteral("自动备份 ");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd hhmmss");
const QString NoteGroup = QStringLiteral("autoBackup");

} // namespace

QString fileName(const QDateTime &when)
{
    return Prefix + when.toString(TimeFormat) + QStringLiteral(".qhd");
}

QDateTime timeOf(const QString &fileName)
{
    static const QRegularExpression name(QStringLiteral("^自动备份 (\\d{4}-\\d{2}-\\d{2} \\d{6})\\.qhd$"));
    const QRegularExpressionMatch m = name.match(fileName);
    if (!m.hasMatch())
        return QDateTime();
    return QDateTime::fromString(m.captured(1), TimeFormat);
}

QList<Backup> list(const QString &folder)
{
    QList<Backup> found;
    const QFileInfoList files
        = QDir(folder).entryInfoList({Prefix + QLatin1Char('*')}, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo &f : files) {
        const QDateTime when = timeOf(f.fileName());
        if (when.isValid())
            found.append({f.absoluteFilePath(), when, f.size()});
    }
    std::sort(found.begin(), found.end(), [](const Backup &a, const Backup &b) { return a.when > b.when; });
    return found;
}

QList<Backup> dropped(const QList<Backup> &backups)
{
    QList<Backup> newestFirst = backups;
    std::stable_sort(newestFirst.begin(), newestFirst.end(),
                     [](const Backup &a, const Backup &b) { return a.when > b.when; });
    // the newest of each of the last days and months that have one
    QSet<QString> kept;
    QSet<QDate> days;
    QSet<int> months;
    for (const Backup &b : newestFirst) {
        const QDate day = b.when.date();
        if (!days.contains(day) && days.size() < DaysKept) {
            days.insert(day);
            kept.insert(b.path);
        }
        const int month = day.year() * 12 + day.month();
        if (!months.contains(month) && months.size() < MonthsKept) {
            months.insert(month);
            kept.insert(b.path);
        }
    }
    QList<Backup> result;
    for (const Backup &b : newestFirst)
        if (!kept.contains(b.path))
            result.append(b);
    return result;
}

bool make(Connection *connection, const QString &folder, const QDateTime &when, QString *why,
          const std::function<void(const std::function<void()> &)> &copy)
{
    const QByteArray name = QFile::encodeName(QDir::cleanPath(folder));
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = QStringLiteral("无法建立备份文件夹“%1”：%2")
                       .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!QFileInfo(folder).isDir()) {
        if (why)
            *why = QStringLiteral("“%1”不是文件夹。").arg(QDir::toNativeSeparators(QDir::cleanPath(folder)));
        return false;
    }
    const QString target = QDir(folder).filePath(fileName(when));
    if (!DatabaseFiles::backup(connection, target, why, copy))
        return false;
    for (const Backup &b : dropped(list(folder)))
        QFile::remove(b.path);
    return true;
}

void noteFailure(const QString &ledger, const QDateTime &when, const QString &why)
{
    QSettings settings;
    settings.beginGroup(NoteGroup);
    settings.setValue(QStringLiteral("ledger"), DatabaseFiles::resolved(ledger));
    settings.setValue(QStringLiteral("when"), when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    settings.setValue(QStringLiteral("why"), why);
    settings.endGroup();
    settings.sync();
}

QString takeFailureNotice(const QString &ledger)
{
    QSettings settings;
    settings.beginGroup(NoteGroup);
    const QString noted = settings.value(QStringLiteral("ledger")).toString();
    if (noted.isEmpty() || noted != DatabaseFiles::resolved(ledger))
        return QString();
    const QString when = settings.value(QStringLiteral("when")).toString();
    const QString why = settings.value(QStringLiteral("why")).toString();
    settings.remove(QString());
    settings.endGroup();
    return QStringLiteral("上次退出时（%1）帐本的自动备份没有成功：\r%2\r\r"
                          "帐本本身未受影响。请检查帐本所在文件夹的空间和权限，或者用“数据备份”另行备份。")
        .arg(when, why);
}

} // namespace AutoBackups
