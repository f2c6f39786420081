#pragma once

#include "columnstore.h"
#include "connection.h"
#include "rowreader.h"
#include "valuetext.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Thread notes. Who owns what, and which thread may touch it:
//
//  * The main thread owns the data module, every Dataset, the program's
//    connection and every widget. A Dataset is never touched by another
//    thread, with the one exception below.
//  * A background opening (openInBackground) runs readRows() on a worker
//    (std::async) over a Connection the worker makes, uses and closes
//    itself; it gets copies of the translated statement and the parameters.
//    The worker's result (ReadRows) and its failure reach the main thread
//    through the future of the PendingLoad, which the main thread owns and
//    which outlives the worker (finishOpen() and close() wait for it). The
//    one thing both touch is PendingLoad::stop, an atomic: the main thread
//    sets it, the worker's engine reads it (a progress handler) and stops.
//  * readRows() steps the engine on its calling thread and hands batches of
//    copied values to a helper thread through a buffer under a mutex; the
//    helper stores them into the ColumnData it alone touches until it is
//    joined, before readRows() returns. Sort keys (Collation::ranks) are made
//    on two threads over disjoint halves, joined before use.
//  * A background opening over the program's connection (Reader::
//    ProgramConnection, requeryShowingProgress() in components) reads on a
//    worker over that connection; until finishOpen() the main thread starts
//    no statement on it, as under runBusy() below.
//  * runBusy() (components) runs a command's work on a worker, which may use
//    the program's connection: meanwhile the main thread only spins its
//    event loop with the user's input held back, paints from the datasets in
//    memory, and starts no statement.
//  * Connections are opened without the engine's per-call locking: each is
//    used by one thread at a time, as above.
//
// A result of a statement (a query dataset) or a whole table (a table
// dataset), held entirely in memory, with a current row and the editing
// states of a desktop database cursor:
//   Inactive - closed; Browse - open, nothing pending;
//   Insert   - a new row stands at the end of the result and is current;
//   Edit     - the current row is being changed.
// Rows are written back to the table they came from when the statement is
// "select * from T [where ...]" (by the table's AutoNumber column, or by the
// engine's row identity when it has none); any other result is read-only.
// Every failure throws DbError.
class Dataset : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit Dataset(Connection *connection, QObject *parent = nullptr);
    ~Dataset() override;

    Connection *connection() const { return m_connection; }

    // --- the statement -----------------------------------------------------
    // The statement is a list of lines joined by line breaks.
    void clearSql();
    void addSql(const QString &line);
    QString sqlText() const { return m_sql.join(QLatin1Char('\n')); }
    // Makes this a table dataset over the whole table (statement "select * from T").
    void setTableName(const QString &table);
    QString tableName() const { return m_tableName; }
    // Gives the parameter written ":name" in the statement a value.
    void setParameter(const QString &name, const QVariant &value);
    QVariant parameter(const QString &name) const { return m_params.value(name); }

    // Opens the statement and holds all of its rows; positions on the first
    // row. A statement that returns no rows is executed and leaves the dataset
    // closed. Throws DbError with the engine's message; the dataset stays closed.
    void open();
    // Opens the statement as open() does, but reads its rows on a worker
    // thread over a read connection of its own to the same file, so that the
    // program can go on meanwhile. The dataset stays closed (isOpening() is
    // true) until finishOpen() takes the rows; open() does that too, and
    // close() abandons the reading. A statement that returns no rows, or one
    // of another file, is run at once as open() would. Throws DbError when
    // the statement cannot be translated.
    //
    // With Reader::ProgramConnection the worker reads over the dataset's own
    // connection instead, which the caller leaves alone until finishOpen():
    // no second opening of the file (nor its key derivation), and the rows
    // come from the very file the program has open.
    enum class Reader { OwnConnection, ProgramConnection };
    void openInBackground(Reader reader = Reader::OwnConnection);
    bool isOpening() const { return m_pending != nullptr; }
    // Whether finishOpen() would return at once: no reading is under way, or
    // the one under way has ended (its rows or its failure are ready).
    bool readingDone() const;
    // Waits for the reading begun by openInBackground() and opens the
    // dataset on its rows. Throws the DbError the reading failed with; the
    // dataset is then closed. Does nothing when no reading is under way.
    void finishOpen();
    // Runs on the worker thread of every background reading before it opens
    // its connection (for tests that must act in between); empty for none.
    static void setBackgroundReadHook(std::function<void()> hook);
    void close();
    // Close, clear the statement, add the lines (a second line is joined by a
    // line break), open.
    void requery(const QString &line, const QString &secondLine = QString());
    // Executes the statement (one that returns no rows) without opening.
    void execSql();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    bool isModified() const { return m_modified; }
    bool isReadOnly() const { return m_table.isEmpty(); }
    // The table rows are written back to ("" for a read-only result).
    QString writeTable() const { return m_table; }

    // --- walking -----------------------------------------------------------
    // The exact number of rows, the row being inserted included.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    // Position of the current row, 0-based; -1 when there is none.
    int currentRow() const { return m_pos; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row);
    // Makes the first row whose column equals value current; false (and no
    // move) when no row matches. Texts compare exactly.
    bool locate(const QString &field, const QVariant &value);

    // --- fields ------------------------------------------------------------
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int index) const { return m_fields[std::size_t(index)]; }
    // Index of a column by name (case-insensitive); -1 when there is none.
    int fieldIndex(const QString &name) const;
    // Index of a column; throws DbError "Field 'x' not found" when there is none.
    int requireField(const QString &name) const;

    // Values of the current row; an empty (Null) value reads as "", 0 or an
    // invalid date. Reading a closed dataset throws.
    QVariant value(const QString &field) const;
    QString asString(const QString &field) const;
    qint64 asInteger(const QString &field) const;
    double asFloat(const QString &field) const;
    QDate asDate(const QString &field) const;
    QDateTime asDateTime(const QString &field) const;
    bool isNull(const QString &field) const;

    // Sets a column of the row being inserted or edited; texts are converted
    // to the column's kind. Throws when not editing or when the value does not
    // fit the column (a conversion error).
    void setValue(const QString &field, const QVariant &value);
    void setValue(int field, const QVariant &value);

    // --- bound controls ------------------------------------------------------
    // Registers flush, which writes what a bound control holds into the row:
    // it is called (directly, so that a conversion error it throws ends the
    // command in the caller's guard) before every post. Until owner is
    // destroyed.
    void addEditor(QObject *owner, std::function<void()> flush);
    // Calls every registered flush. Throws what they throw.
    void updateRecord();

    // --- editing -----------------------------------------------------------
    // Appends a new empty row at the end; it becomes current and is inserted.
    void append();
    // Puts the current row into editing; on an empty result starts a new row.
    void edit();
    // Writes the row being inserted or edited to its table.
    void post();
    // Drops the changes of the row being inserted or edited.
    void cancel();
    // Removes the current row from its table and from the result.
    void remove();

    // --- access by position, for grids and footers ---------------------------
    QVariant valueAt(int row, int column) const;
    // The text of a cell as displayText() gives it, read straight from its
    // column: a date or time stamp from its packed value, never through the
    // local time.
    QString textAt(int row, int column) const;
    // textAt(), appended to out in UTF-8 (for writing many cells).
    void appendTextUtf8(int row, int column, std::string *out) const;
    // The number of a cell of an integer or floating-point column; false
    // when the cell is Null or the column holds no numbers.
    bool numberAt(int row, int column, double *out) const;
    // The value of a cell of a date or time-stamp column, packed as
    // DateCodec packs it; false when the cell is Null or not a date.
    bool packedDateAt(int row, int column, std::int64_t *out) const;
    bool isNullAt(int row, int column) const;
    // Sum of a numeric column over the stored rows of the result.
    double sum(int column) const;
    // Number of stored rows (the row being inserted not counted).
    int storedCount() const { return int(m_order.size()); }
    // The storage row at a position (its identity across sorts); -1 for a
    // position without a stored row.
    qint64 storageRowAt(int position) const
    {
        return position >= 0 && position < int(m_order.size()) ? qint64(m_order[std::size_t(position)]) : -1;
    }
    // Where the given storage rows stand now: storage row -> position.
    QHash<qint64, int> positionsOf(const QSet<qint64> &storageRows) const;
    // Reorders the rows in memory; the current row stays current.
    void sort(int column, Qt::SortOrder order);
    // The key of each row in the rows' present order by which sort() orders
    // them: Chinese ranks of texts, numbers and dates as unsigned numbers of
    // the same order, Null first. Empty for a closed dataset or a column
    // out of range.
    std::vector<std::uint64_t> sortKeys(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // Bytes held for the rows.
    std::size_t memoryUsage() const;

    // The text of a value as the program shows it: numbers in the general
    // format (up to 15 significant digits; more where 15 would not give the
    // value back), dates as "yyyy-MM-dd" with the
    // time when there is one, Null as "".
    static QString displayText(const QVariant &value) { return ValueText::display(value); }

Q_SIGNALS:
    void aboutToReset();
    void reset(); // opened, closed or re-queried
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void aboutToReorder();
    void reordered();
    void currentChanged(int row);
    void stateChanged(Dataset::State state);
    void fieldChanged(int field);
    // The stored rows changed: re-query, post, delete, close.
    void listChanged();

private:
    void checkActive() const;
    void checkBrowseMode();
    void setCurrent(int row);
    void setState(State state);
    QVariant storedValue(std::size_t storageRow, int column) const;
    QVariant currentValue(int column) const;
    void storeValue(std::size_t storageRow, int column, const QVariant &value, bool append);
    QVariant convert(int column, const QVariant &value) const;
    void detectTable(QString *sql);
    struct PendingLoad;
    void load(const QString &sql);
    // Opens st, the statement jet as prepareLoad() made it.
    void load(const JetSql::Statement &st, const QString &jet);
    // Translates the statement and finds the table it writes back to.
    JetSql::Statement prepareLoad(const QString &sql);
    // Opens the dataset on rows read (the emptied dataset is replaced).
    void adopt(ReadRows &&rows);
    void abandonPendingLoad();
    // The storage row of a cell read straight from its column; -1 for a
    // cell that is read through valueAt() (the row being edited or
    // inserted, a position out of range, a closed dataset).
    std::int64_t storedRowOf(int row, int column) const;
    static void bindParameters(sqlite3_stmt *stmt, const QHash<QString, QVariant> &params, Connection *connection);
    void bindValue(sqlite3_stmt *stmt, int index, int column, const QVariant &value) const;
    int identityColumn() const { return m_rowidColumn >= 0 ? m_rowidColumn : m_keyColumn; }
    // The column by which rows are written back: the key, or "rowid".
    QString identityName() const;
    // " WHERE ..." finding the stored row storageRow in its table; *matched
    // gets the columns whose old values it compares. Throws when the dataset
    // has nothing to find rows by.
    QString rowCondition(std::size_t storageRow, QList<int> *matched) const;
    // Binds what rowCondition() compares, from parameter first on.
    void bindRowCondition(sqlite3_stmt *stmt, int first, std::size_t storageRow, const QList<int> &matched) const;

    Connection *m_connection;
    QStringList m_sql;
    QString m_tableName;
    std::vector<std::pair<QObject *, std::function<void()>>> m_editors;
    QHash<QString, QVariant> m_params;

    State m_state = State::Inactive;
    std::vector<FieldDef> m_fields;                     // visible columns
    std::vector<std::unique_ptr<ColumnData>> m_columns; // visible columns, then the row identity
    std::vector<std::uint32_t> m_order;                 // position -> storage row
    int m_pos = -1;
    bool m_eof = true;
    bool m_bof = true;

    QString m_table;        // table written back to; empty = read-only
    int m_keyColumn = -1;   // AutoNumber column among the fields
    int m_rowidColumn = -1; // hidden row identity column, when the table has no key

    std::vector<QVariant> m_buffer; // the row being inserted or edited
    std::vector<bool> m_changed;
    bool m_modified = false;
    int m_posBeforeInsert = -1;

    // Above 0 while rows are being inserted, removed, reordered or replaced:
    // views that move their cursor in reaction do not move the dataset.
    int m_reshaping = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::unique_ptr<PendingLoad> m_pending; // a reading on a worker thread
};

// Binds screens to one dataset; nothing more.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(Dataset *dataset, QObject *parent = nullptr)
        : QObject(parent)
        , m_dataset(dataset)
    {}
    Dataset *dataset() const { return m_dataset; }

private:
    Dataset *m_dataset;
};
