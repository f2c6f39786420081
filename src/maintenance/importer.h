#pragma once

#include "data/dberror.h"
#include "jetreader.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Moving the books of version 1.0 into the ledger: from a genuine Access
// file (read through JetReader, in a child process) or from a file in the
// ledger's own format holding the six tables.
//
// Every temporary file is encrypted with the ledger's password and readable
// by its owner only; the ledger itself changes in one transaction or not at
// all.
namespace Importer {

// A file that reads well but is not a version 1.0 ledger (a table missing).
class NotVersionOneBooks : public DbError
{
public:
    using DbError::DbError;
};

// The staging file could not be written (a full disk, a folder that may
// not be written): nothing is wrong with the file being read.
class StagingNotWritten : public DbError
{
public:
    using DbError::DbError;
};

// The six tables replaced, in their order.
const QStringList &tables();

// The name of the temporary file of an import, in the ledger's folder.
inline const QString TemporaryName = QStringLiteral("DATA1_temp.mdb");

enum class Kind { Jet, Ledger, Unknown };
// What the file at path is: a Jet 3 or 4 database, a database of the
// ledger's own format (opening with password) holding the six tables, or
// neither. Never throws; never changes the file.
Kind kindOf(const QString &path, const QString &password);

// Writes tables into a new database file, encrypted with key (an empty key
// writes it plain), owner-only, without a journal (a file left half-written
// is never used). Each table gets the columns of the Access table by name:
// integers as integers, currency and doubles as numbers, dates as their
// text, texts as UTF-8, Null as Null. Until finish() has returned, the
// destructor removes the file.
class StagingWriter
{
public:
    // Creates the file at path (an existing one is replaced). Throws DbError.
    StagingWriter(const QString &path, const QString &key);
    ~StagingWriter();
    StagingWriter(const StagingWriter &) = delete;
    StagingWriter &operator=(const StagingWriter &) = delete;

    // Starts a table. Throws DbError.
    void beginTable(const QString &name, const QList<JetReader::Column> &columns);
    // Adds a row (as many values as the table has columns) to the table
    // begun last. Throws DbError.
    void addRow(const JetReader::Row &row);
    // Commits and closes the file. Throws DbError (the file is then removed).
    void finish();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Writes whole tables with a StagingWriter. Throws DbError; staging is then
// removed.
void writeStaging(const QList<JetReader::Table> &tables, const QString &staging, const QString &key);

// Reads the six tables of the Access file jetFile (names compared without
// regard to case) and writes them into staging with a StagingWriter.
// progress(done, total) is told every few hundred rows, total being the row
// count the file records. Throws NotVersionOneBooks when a table is missing,
// StagingNotWritten when staging cannot be written (the engine's message),
// DbError naming what is wrong with a damaged file; staging is then removed.
// This is what the child process doz-jetread runs: libmdb may also crash or
// loop on a damaged file.
void stageJet(const QString &jetFile, const QString &staging, const QString &key,
              const std::function<void(qint64 done, qint64 total)> &progress = {});

// The statements that replace the six tables with those of file (a delete
// and an insert per table, in order) and stamp the version. The file name
// may hold any character.
QStringList statements(const QString &file);

} // namespace Importer
