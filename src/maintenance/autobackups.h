#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Connection;

// The backups the program keeps by itself: after a session that changed the
// ledger, at the exit, a copy made as "数据备份" makes it, in "backups/"
// beside the ledger, named with its date and time. Of them the newest of
// each of the last ten days that have one and the newest of each of the
// last twelve months that have one are kept; the others are removed. Files
// of other names in that folder are never touched.
namespace AutoBackups {

// How many days and months keep a backup.
constexpr int DaysKept = 10;
constexpr int MonthsKept = 12;

struct Backup
{
    QString path;
    QDateTime when; // from its name
    qint64 size = 0;
};

// The name of the backup made at when: "自动备份 2026-12-09 103015.qhd".
QString fileName(const QDateTime &when);
// The time in the name of an automatic backup; an invalid time for any
// other name.
QDateTime timeOf(const QString &fileName);

// The automatic backups in folder, newest first; none when there is no
// such folder.
QList<Backup> list(const QString &folder);
// Of backups, those the rule above removes (newest first).
QList<Backup> dropped(const QList<Backup> &backups);

// Makes the backup of the database of connection at when in folder (made,
// owner-only, when missing) through DatabaseFiles::backup(), then removes
// the backups the rule drops. Returns false (and *why, in Chinese) when the
// backup cannot be made; nothing is removed then. copy runs the copying as
// for DatabaseFiles::backup().
bool make(Connection *connection, const QString &folder, const QDateTime &when, QString *why = nullptr,
          const std::function<void(const std::function<void()> &)> &copy = {});

// Notes in the user's settings that the automatic backup of ledger failed
// at when for why, for the next start to tell.
void noteFailure(const QString &ledger, const QDateTime &when, const QString &why);
// The notice of a failure noted for ledger, and forgets it; "" when none
// was noted for it (one noted for another ledger stays).
QString takeFailureNotice(const QString &ledger);

} // namespace AutoBackups
