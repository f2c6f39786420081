#pragma once

#include "jetreader.h"

#include <QString>
#include <QStringList>

#include <functional>

class Connection;

// Moving the books of version 1.0 into the ledger: from a genuine Access
// file (read through JetReader) or from a file in the ledger's own format
// holding the six tables.
namespace Importer {

// The six tables replaced, in their order.
const QStringList &tables();

enum class Kind { Jet, Ledger, Unknown };
// What the file at path is: a Jet 3 or 4 database, a database of the
// ledger's own format (opening with password) holding the six tables, or
// neither.
Kind kindOf(const QString &path, const QString &password);

// Reads the six tables of the Access file jetFile (names compared without
// regard to case) and writes them with writeStaging() at staging: each table with the columns of the Access table by
// name, integers as integers, currency and doubles as numbers, dates as
// their text, texts as UTF-8, Null as Null. progress(done, total) is told
// after each table. Throws DbError when a table is missing or the file
// cannot be read; staging is then removed.
void stageJet(const QString &jetFile, const QString &staging, const std::function<void(int, int)> &progress = {});

// Writes tables (as the Access reader gives them) into a new plain SQLite
// database at staging, each with its columns by name. Throws DbError;
// staging is then removed.
void writeStaging(const QList<JetReader::Table> &tables, const QString &staging);

// The statements that replace the six tables with those of file (a delete
// and an insert per table, in order) and stamp the version.
QStringList statements(const QString &file);

// Changes the database password of the file at path from oldPassword to
// newPassword (an empty one removes it), on a private connection opened
// exclusively for it. Throws DbError.
void changeDbPassword(const QString &oldPassword, const QString &newPassword, const QString &path);

} // namespace Importer
