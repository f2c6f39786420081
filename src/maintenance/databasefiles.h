#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>

class Connection;

// Copies of the ledger database that can never cost a household its data.
namespace DatabaseFiles {

// The name under which a restore at when keeps the file it replaces, in the
// ledger's folder: each restore keeps its own ("恢复前的帐本 2026-12-10 083015.qhd").
QString safetyCopyName(const QDateTime &when);

// The file path names, symbolic links followed (path itself when it does
// not exist yet).
QString resolved(const QString &path);
// Whether a and b name the same file (links followed; the same device and
// inode). False when either does not exist.
bool sameFile(const QString &a, const QString &b);

// Progress of a long copy or check: (done, total) in bytes, total 0 when
// unknown. May be called from a worker thread.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Copies the database of connection, byte for byte, to target: under a read
// transaction (no write can come between), into a new owner-only file in
// the target's folder that takes target's name in one step when it is
// complete. Refuses a target that is the open database itself. A write-ahead
// log that another program began beside the database is folded in first
// (the file back in the ordinary journal mode); where that cannot be done
// (that program still has it open) the backup is refused. Returns false
// (and *why, when given, says why in Chinese) when anything fails; target is
// then as it was and no temporary file remains. The database's transaction
// is begun and ended on the calling thread; copy (when given) runs the copy
// itself, e.g. on a worker thread: copy(work) must call work() and return
// when it has ended.
bool backup(Connection *connection, const QString &target, QString *why = nullptr,
            const std::function<void(const std::function<void()> &)> &copy = {});

// Whether path is a ledger database that can replace the program's: it opens
// with password and holds a sound ledger (Schema::checkLedger) that passes
// the engine's integrity check. *why says what is wrong otherwise. Never
// changes the file.
bool isLedger(const QString &path, const QString &password, QString *why);

// The first half of a restore, which changes nothing the household has:
// source is copied into a new owner-only file beside database (links
// followed), together with a write-ahead log beside source, which is then
// folded into the copy; the copy is checked as isLedger() checks. Returns the
// copy's path, or an empty text (and *why) when source cannot serve; the copy
// is then removed. Gives up, as a failure, when *cancelled becomes true.
// progress is told the bytes copied, then (0, 0) as the check of the copy
// begins, which has no count to tell.
QString prepareRestore(const QString &database, const QString &source, const QString &password, QString *why,
                       const std::atomic<bool> *cancelled = nullptr, const Progress &progress = {});

// The second half: database (links followed) is copied to safetyCopy, then
// replaced by prepared in one step. Returns false (and *why) when anything
// fails; database is then as it was, and prepared is removed.
bool commitRestore(const QString &prepared, const QString &database, const QString &safetyCopy, QString *why);

// Removes a prepared copy that will not be used.
void discardPrepared(const QString &prepared);

} // namespace DatabaseFiles
