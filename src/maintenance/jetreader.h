#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// Reads genuine Microsoft Access (Jet 3 and Jet 4) files through Debian's
// mdbtools library (libmdb), never through a command-line tool's text. Files
// are opened read-only and never changed.
//
// libmdb trusts the file: a damaged one can crash it or make it loop while
// its memory grows. What this reader checks itself (every result of the
// library, every count and size taken from the file) fails with DbError;
// what happens inside the library cannot be checked, so the program reads
// Access files only in a child process of its own (doz-jetread).
namespace JetReader {

enum class Version { NotJet, Jet3, Jet4, Other };

// What the file's header says it is. Never throws.
Version version(const QString &path);

struct Column
{
    QString name;
    int jetType = 0; // libmdb's MDB_* type code
    // The kind of value the column gives: "integer", "number", "datetime",
    // "text" (names of the SQLite column affinities it is stored with).
    QString kind;
};

// Per row, per column: Byte, Integer, Long Integer, AutoNumber and Yes/No as
// qlonglong; Single, Double and Currency as double (from the stored bytes:
// a Double exactly as stored, Currency as the double nearest its exact
// decimal value); DateTime as the text "yyyy-MM-dd hh:mm:ss" ("yyyy-MM-dd"
// when date only); Text and Memo as QString ('' stays ''); Null as an
// invalid QVariant.
using Row = QList<QVariant>;

struct Table
{
    QString name;
    QList<Column> columns;
    QList<Row> rows;
};

// The most columns a table may have (Jet allows 255).
constexpr int MaxColumns = 255;

// One Access file open for reading.
class Reader
{
public:
    // Opens path and reads its table catalog. Throws DbError (naming path)
    // when the file cannot be opened or its catalog cannot be read.
    explicit Reader(const QString &path);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // The user tables of the file (system tables left out), in the file's
    // order.
    QStringList tables() const;

    // The row count the file records for table (a damaged file may say
    // anything; use it for progress only). Throws DbError when there is no
    // such table.
    qint64 recordedRows(const QString &table);

    // Reads table: its columns first (onColumns), then every row in the
    // file's order (onRow). Throws DbError when the table is missing, its
    // column list cannot be read or is out of bounds (no column, more than
    // MaxColumns, a nameless one) or a row cannot be taken apart; whatever
    // the callbacks throw passes through.
    void read(const QString &table, const std::function<void(const QList<Column> &)> &onColumns,
              const std::function<void(const Row &)> &onRow);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The user tables of the file at path. Throws DbError.
QStringList tables(const QString &path);
// One table of the file at path, its columns and every row. Throws DbError.
Table read(const QString &path, const QString &table);

} // namespace JetReader
