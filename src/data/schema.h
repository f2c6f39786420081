#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

struct sqlite3;

// The tables of the ledger database and the contents of a delivered one.
namespace Schema {

// Runs sql (one or more statements) on an open handle. Throws DbError with
// the engine's message.
void exec(sqlite3 *db, const QString &sql);

// Creates the ten tables (with their index and the trigger that deletes the
// details of a deleted item) and the tables the program keeps beyond them
// (bill rules, imported bills, bank layouts) in an open, empty database.
// Throws DbError.
void createTables(sqlite3 *db);

// The most characters column of table may hold (its length check), 0 when
// it has no such limit or is unknown.
int maxLength(const QString &table, const QString &column);

// The ten tables of the ledger, in the order of the data model.
const QStringList &tableNames();

// Adds to a database made by an earlier version what the program adds
// itself at start: the indexes it lacks (such as the covering index of the
// statistics' totals), the trigger that deletes an item's details, and the
// tables it keeps beyond the ten.
// Takes a while once on a large ledger, nothing afterwards. Throws DbError.
void addMissingParts(sqlite3 *db);

// Whether the open database db holds a sound ledger, schema and contents
// the program can work with: the ten tables, each exactly as the program
// defines it; no table, index, trigger or view the program does not make
// itself (the engine's own tables aside); at least one operator user and the
// row of system parameters. What the program adds at start (addMissingParts)
// may be missing. Returns an empty text when sound, else the reason in
// Chinese. Never throws; never changes db.
QString checkLedger(sqlite3 *db);

// Fills a new database with what a new household starts from: the one row of
// xtcs (start date the first day of today's year, style 0, version "V2.0"),
// the user "管理员" with an empty password, and preset items with details,
// accounts, memo types and contact groups. Throws DbError.
void insertPresets(sqlite3 *db, const QDate &today);

// Creates a new encrypted database file at path (which must not exist) with
// the tables and, when withPresets, the presets. Throws DbError.
void createDatabase(const QString &path, const QString &password, const QDate &today, bool withPresets = true);

} // namespace Schema
