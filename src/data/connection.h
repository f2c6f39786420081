#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

#include "jetsql.h"
#include "statement.h"
#include "tableinfo.h"

struct sqlite3;
struct sqlite3_stmt;

// One connection to a database file, set up by an ADO-style connection
// string; only its "Data Source", "Jet OLEDB:Database Password" and "Mode"
// properties matter here ("Mode=Read" opens the file read-only: every write
// fails with the engine's "attempt to write a readonly database"). The file
// must exist: the connection never creates one. Opening is implicit with the
// first statement and lasts until close().
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    void setConnectionString(const QString &text);
    QString connectionString() const { return m_connectionString; }
    // Sets or replaces one property of the connection string.
    void setProperty(const QString &name, const QString &value);
    QString property(const QString &name) const;
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    bool loginPrompt() const { return m_loginPrompt; }

    QString dataSource() const;
    QString password() const;

    // Opens the file named by Data Source with the password. Throws DbError
    // when the file is missing, the key is wrong or it is not a database.
    void open();
    void close();
    bool isConnected() const { return m_db != nullptr; }
    // Whether the connection string asks for the file read-only ("Mode=Read").
    bool isReadOnly() const;
    // How many write transactions this object has committed, over every
    // opening (a statement outside a transaction is one).
    qint64 commitCount() const { return m_commits; }

    // Runs a statement that returns no rows (opening the connection first).
    // Also takes "ALTER Database Password" and tables of other files.
    void execute(const QString &jet);

    // Runs statements that return no rows as one transaction: all of them
    // or none. The tables of other files they name must be those of one and
    // the same file, attached for the whole run. Throws DbError with the
    // engine's message; the database is then as it was.
    void executeInTransaction(const QStringList &statements);

    // Runs work while a read transaction holds the file still: no write of
    // this or any other connection comes between (a copy of the file taken
    // meanwhile is whole). A write-ahead log another program may have left
    // is folded into the file first. Throws DbError when the transaction
    // cannot begin; what work throws passes on.
    void inReadTransaction(const std::function<void()> &work);

    // Attaches the database file at path as schema, keyed with key (empty:
    // no encryption), and checks that it reads. Throws DbError with the
    // engine's message; nothing stays attached then.
    void attach(const QString &path, const QString &schema, const QString &key);

    // Runs work (which uses this connection) as one transaction: committed
    // when work returns, rolled back when it throws (the exception passes
    // on). Not nested.
    void inTransaction(const std::function<void()> &work);

    // Prepares a translated statement for reading rows. The tables of other
    // files it names stay attached until detachExternals().
    Statement prepare(const QString &jet, QStringList *attached = nullptr);
    Statement prepare(const JetSql::Statement &statement, QStringList *attached = nullptr);
    void detachExternals(const QStringList &schemas);
    // Prepares a statement already in SQLite's dialect (the data layer's own
    // statements). Throws DbError with the engine's message.
    Statement prepareSqlite(const QString &sql);

    // Columns of a table of this database, cached while the schema stays the
    // same. Throws when there is none.
    const TableInfo &tableInfo(const QString &table);

    sqlite3 *handle();
    // The ledger is copied as one file (backups): reads the file (the engine
    // notices a switch another program made only at a reading) and, where
    // it is in write-ahead-log mode, switches it back to the ordinary
    // journal, the log folded in. True when the file is then in the
    // ordinary journal mode; false while another program still has it open
    // in write-ahead-log mode. Throws DbError when the file cannot be read.
    bool leaveWriteAheadLog();
    // Gives back what the engine holds for this connection and can free
    // (cached pages, a grouping's temporary tree) and then the heap's free
    // memory to the system. Never fails.
    void releaseMemory();
    // The engine's message for the last failure.
    QString lastError() const;
    [[noreturn]] void fail() const;
    void check(int rc) const;

    static FieldKind kindOfDeclaredType(const char *declaredType);
    // Keys a freshly opened handle with the password and the file's cipher
    // settings; an empty password leaves the file unencrypted.
    static void applyKey(sqlite3 *db, const QString &password);
    // Page size of encrypted files, for every connection of the process
    // (4096 unless changed; the benchmark compares it with the engine's 1024).
    static void setCipherPageSize(int bytes);
    static int cipherPageSize();

Q_SIGNALS:
    void connected();

private:
    QStringList attachExternals(const QStringList &files);
    void runSqlite(const QString &sql);
    void alterPassword(const QString &newPassword, const QString &oldPassword);
    void expandInsertSelectStar(QString *sql);

    QString m_connectionString;
    bool m_loginPrompt = false;
    sqlite3 *m_db = nullptr;
    QHash<QString, TableInfo> m_tables;
    qint64 m_schemaVersion = -1; // of the schema m_tables was read from
    qint64 m_commits = 0;
};
