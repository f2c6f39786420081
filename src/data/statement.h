#pragma once

#include "tableinfo.h"

#include <QString>
#include <QVariant>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// Owns a prepared statement; finalises it when it goes out of scope. The one
// way the program binds values to a statement and steps it.
class Statement
{
public:
    explicit Statement(sqlite3_stmt *stmt = nullptr)
        : m_stmt(stmt)
    {}
    Statement(Statement &&other) noexcept
        : m_stmt(other.m_stmt)
    {
        other.m_stmt = nullptr;
    }
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();
    sqlite3_stmt *get() const { return m_stmt; }

    // Binds value to the parameter at index (from 1): Null as Null; with a
    // kind, as that kind of column stores it (integer, double, a date or
    // time stamp as its stored text, else UTF-8 text); without one by the
    // value's own type. A date the stored text cannot hold throws the
    // conversion error; a failure of the engine throws DbError.
    void bind(int index, const QVariant &value, std::optional<FieldKind> kind = std::nullopt);
    // Steps once: true while there is a row. Throws DbError with the
    // engine's message on a failure.
    bool step();
    // Steps to the end, passing over any rows. Throws DbError.
    void run();
    // Makes the statement ready to run again (the bound values stay).
    void reset();

    // The text of column i of the current row ("" for Null).
    QString text(int i) const;
    qint64 integer(int i) const;

private:
    [[noreturn]] void fail() const;

    sqlite3_stmt *m_stmt;
};

// What Statement::bind() does, on a statement owned elsewhere.
void bindValue(sqlite3_stmt *stmt, int index, const QVariant &value, std::optional<FieldKind> kind = std::nullopt);

// Prepares sql (one statement, SQLite's own dialect) on db. Throws DbError
// with the engine's message.
Statement prepareOn(sqlite3 *db, const QString &sql);
