#pragma once

#include <QString>

class Connection;

// Copies of the ledger database that can never cost a household its data.
namespace DatabaseFiles {

// The name beside the program under which a restore keeps the file it
// replaces.
inline const QString SafetyCopyName = QStringLiteral("恢复前的帐本.qhd");

// Copies the database of connection, byte for byte, to target: under a read
// transaction (no write can come between), first to a temporary file in the
// target's folder (owner-only), flushed to disk, then renamed over target.
// Returns false (and *why, when given, says why) when anything fails; target
// is then as it was and no temporary file remains.
bool backup(Connection *connection, const QString &target, QString *why = nullptr);

// Whether path is a ledger database that can replace the program's: it opens
// with password, holds the ten tables of the ledger and passes the engine's
// integrity check. *why says what is wrong otherwise. Never changes the file.
bool isLedger(const QString &path, const QString &password, QString *why);

// Replaces database with source: source copied to a temporary file beside
// database and flushed, the current database copied to safetyCopy, then the
// copy renamed over database in one step. Returns false (and *why) when
// anything fails; database is then as it was.
bool replace(const QString &database, const QString &source, const QString &safetyCopy, QString *why);

} // namespace DatabaseFiles
