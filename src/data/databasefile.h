#pragma once

#include "statement.h"

#include <QString>

struct sqlite3;

// A database file used on its own, beside the program's connection: a new
// ledger being made, an import's staging file, a backup being examined. It
// is keyed as every connection is (Connection::applyKey) and closed when it
// goes out of scope.
class DatabaseFile
{
public:
    enum class Mode {
        ReadOnly,  // reads only, not even a journal beside the file is touched
        ReadWrite, // the file must exist
        Create,    // made when missing
    };

    // Opens path (":memory:" for a database in memory) with key (empty: no
    // encryption). Throws DbError when the file cannot be opened. A file that
    // is no database, or one of another key, opens; isDatabase() tells.
    DatabaseFile(const QString &path, const QString &key, Mode mode);
    ~DatabaseFile();
    DatabaseFile(const DatabaseFile &) = delete;
    DatabaseFile &operator=(const DatabaseFile &) = delete;

    sqlite3 *handle() const { return m_db; }
    // Whether the file reads as a database with the key given.
    bool isDatabase();
    // Prepares one statement in SQLite's dialect. Throws DbError.
    Statement prepare(const QString &sql);
    // Runs sql (one or more statements). Throws DbError.
    void exec(const QString &sql);
    // The first column of the first row of sql as an integer; fallback when
    // there is no row or the statement fails.
    qint64 count(const QString &sql, qint64 fallback = -1);
    // Closes the file now. Throws DbError when the engine cannot close it
    // (a statement still open).
    void close();

private:
    sqlite3 *m_db = nullptr;
};
