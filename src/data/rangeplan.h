#pragma once

#include <QString>

class Connection;

// A statement that reads most of a table through a range of dates is
// faster walking the table than walking the index of the dates and looking
// every row up from there; a narrow range is faster through the index. The
// engine cannot tell the two apart (it takes every range for a quarter of
// the table), so the choice is made here.
namespace RangePlan {

// Above this share of the table the walk of the table is the faster (the
// two take the same time at about 60 % on a ledger of a million entries).
constexpr double ScanShare = 0.6;

// For a statement in the engine's dialect that reads the table `table`:
// finds each comparison of a column with a date text ("c >= '2026-01-01'",
// also >, <= and <, outside quoted texts), estimates from the column's
// lowest and highest values what share of the table the compared dates hold
// (the dates taken as evenly spread), and when that share is above
// ScanShare returns the statement with that column written "+c" in its
// comparisons, which keeps the engine off the column's indexes and means
// the same (a date text is never taken for a number). Otherwise, and for
// columns without an index, returns sql unchanged. Throws DbError when the
// column's values cannot be read.
QString plan(Connection *connection, const QString &table, const QString &sql);

} // namespace RangePlan
