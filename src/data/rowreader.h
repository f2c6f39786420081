#pragma once

#include "columnstore.h"
#include "connection.h"

#include <atomic>
#include <memory>
#include <vector>

struct sqlite3_stmt;

struct FieldDef
{
    QString name;
    FieldKind kind = FieldKind::Text;
};

// The rows of a result, held by column.
struct ReadRows
{
    std::vector<FieldDef> fields;                     // visible columns
    std::vector<std::unique_ptr<ColumnData>> columns; // visible columns, then the hidden row identity
    std::size_t count = 0;
};

// Reads every row of a prepared statement into columns held by kind. A
// column's kind is that of its declared type; a column without one (an
// expression) takes the kind of its first value that is not Null and
// widens to a number with a fraction or to text as later values need.
// When hidden is set, the first result column is the row identity and is
// held after the visible ones.
//
// The engine is stepped on the calling thread; once a result outgrows one
// batch of rows, a helper thread stores the values read while the engine
// steps on, so that a large result costs hardly more than stepping it.
//
// Throws DbError with the connection's message when a step fails, and
// DbError "Operation cancelled" when *stop (may be null) becomes true.
ReadRows readRows(Connection *connection, sqlite3_stmt *stmt, bool hidden, const std::atomic<bool> *stop = nullptr);

// Changes the kind of a column that holds integers to floating-point
// numbers, or that holds numbers to texts (in the program's text of them).
void promoteColumn(ColumnData &column, FieldKind kind);
