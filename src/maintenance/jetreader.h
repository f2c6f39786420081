#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Reads genuine Microsoft Access (Jet 3 and Jet 4) files through Debian's
// mdbtools library (libmdb), never through a command-line tool's text. Files
// are opened read-only and never changed.
namespace JetReader {

enum class Version { NotJet, Jet3, Jet4, Other };

// What the file's header says it is.
Version version(const QString &path);

struct Column
{
    QString name;
    int jetType = 0; // libmdb's MDB_* type code
    // The kind of value the column gives: "integer", "number", "datetime",
    // "text" (names of the SQLite column affinities it is stored with).
    QString kind;
};

struct Table
{
    QString name;
    QList<Column> columns;
    // Per row, per column: Long Integer and AutoNumber as qlonglong,
    // Currency and Double as double (Currency exactly to the cent and
    // beyond), DateTime as the text "yyyy-MM-dd hh:mm:ss" ("yyyy-MM-dd"
    // when date only), Text and Memo as QString, Null as an invalid
    // QVariant.
    QList<QList<QVariant>> rows;
};

// The user tables of the file (system tables left out), in the file's
// order. Throws DbError when the file cannot be read as a Jet database.
QStringList tables(const QString &path);
// One table, its columns and every row. Throws DbError when the file or
// the table cannot be read.
Table read(const QString &path, const QString &table);

} // namespace JetReader
