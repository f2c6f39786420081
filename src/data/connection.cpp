#include "connection.h"

#include "datecodec.h"
#include "dberror.h"
#include "filesafety.h"
#include "jetsql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cstring>

#include <malloc.h>

namespace {

// Page size of the encrypted file. 4096 halves the decryption cost of a
// full read compared with the engine's default of 1024 (see the benchmark).
int CipherPageSize = 4096;

struct Property
{
    QString name;
    QString value;
};

// Splits "a=b;c=\"d;e\"" into its properties, keeping their order.
QList<Property> parseProperties(const QString &text)
{
    QList<Property> result;
    QString current;
    bool quoted = false;
    auto flush = [&] {
        const int eq = int(current.indexOf(QLatin1Char('=')));
        if (eq > 0) {
            QString value = current.mid(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            result.append({current.left(eq).trimmed(), value});
        }
        current.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char(';') && !quoted)
            flush();
        else
            current += c;
    }
    flush();
    return result;
}

QString quotedLiteral(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

// Switches a file in write-ahead-log mode back to the ordinary journal
// (the log folded in); false when it stays in that mode.
bool foldWriteAheadLog(sqlite3 *db)
{
    // the mode the statement gives, "" when it fails (the switch while
    // another program holds the log)
    const auto mode = [db](const char *sql) {
        sqlite3_stmt *st = nullptr;
        QByteArray text;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            text = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))).toLower();
        sqlite3_finalize(st);
        return text;
    };
    return mode("PRAGMA journal_mode") != "wal" || mode("PRAGMA journal_mode = DELETE") == "delete";
}

} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent)
{}

Connection::~Connection()
{
    close();
}

void Connection::setConnectionString(const QString &text)
{
    if (text != m_connectionString)
        close();
    m_connectionString = text;
}

void Connection::setProperty(const QString &name, const QString &value)
{
    QList<Property> props = parseProperties(m_connectionString);
    bool found = false;
    for (Property &p : props) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            found = true;
        }
    }
    if (!found)
        props.append({name, value});
    QStringList parts;
    for (const Property &p : std::as_const(props)) {
        const bool quote = p.value.isEmpty() || p.value.contains(QLatin1Char(';'))
                           || p.name.startsWith(QLatin1String("Jet OLEDB:Database Password"), Qt::CaseInsensitive);
        parts.append(p.name + QLatin1Char('=') + (quote ? QLatin1Char('"') + p.value + QLatin1Char('"') : p.value));
    }
    setConnectionString(parts.join(QLatin1Char(';')));
}

QString Connection::property(const QString &name) const
{
    const QList<Property> props = parseProperties(m_connectionString);
    for (const Property &p : props)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p.value;
    return QString();
}

QString Connection::dataSource() const
{
    return property(QStringLiteral("Data Source"));
}

QString Connection::password() const
{
    return property(QStringLiteral("Jet OLEDB:Database Password"));
}

bool Connection::leaveWriteAheadLog()
{
    prepareSqlite(QStringLiteral("SELECT count(*) FROM sqlite_master")).run();
    return foldWriteAheadLog(handle());
}

void Connection::open()
{
    if (m_db)
        return;
    const QString path = dataSource();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        throw DbError(QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
    sqlite3 *db = nullptr;
    // A connection is used by one thread at a time (the program's by the
    // main thread, a background reading's by its worker), so the engine
    // need not lock it on every call.
    int rc
        = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                          (isReadOnly() ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, nullptr);
    auto failWith = [&db](const QString &message) {
        sqlite3_close(db);
        throw DbError(message);
    };
    if (rc != SQLITE_OK)
        failWith(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    // waits for a writer of another connection from the first statement on
    sqlite3_busy_timeout(db, 3000);
    applyKey(db, password());
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        failWith(QString::fromUtf8(sqlite3_errmsg(db)));
    if (property(QStringLiteral("Mode")).contains(QLatin1String("Exclusive"), Qt::CaseInsensitive))
        sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    // read just above: a log another program began goes at once
    foldWriteAheadLog(db);
    JetSql::registerFunctions(db);
    sqlite3_commit_hook(
        db,
        [](void *self) {
            ++static_cast<Connection *>(self)->m_commits;
            return 0;
        },
        this);
    m_db = db;
    m_tables.clear();
    Q_EMIT connected();
}

bool Connection::isReadOnly() const
{
    return property(QStringLiteral("Mode")).trimmed().compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0;
}

void Connection::close()
{
    if (!m_db)
        return;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_tables.clear();
}

sqlite3 *Connection::handle()
{
    open();
    return m_db;
}

QString Connection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

void Connection::fail() const
{
    throw DbError(lastError());
}

void Connection::check(int rc) const
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail();
}

Statement Connection::prepareSqlite(const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(handle(), utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK)
        fail();
    if (!stmt) // only blanks or a comment
        throw DbError(
            QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."));
    while (tail && *tail && std::strchr(" \t\r\n;", *tail))
        ++tail;
    if (tail && *tail) {
        sqlite3_finalize(stmt);
        throw DbError(QStringLiteral("Characters found after end of SQL statement."));
    }
    return Statement(stmt);
}

void Connection::runSqlite(const QString &sql)
{
    prepareSqlite(sql).run();
}

QStringList Connection::attachExternals(const QStringList &files)
{
    QStringList schemas;
    try {
        for (int i = 0; i < files.size(); ++i) {
            const QString path = files[i];
            if (!QFileInfo(path).isFile())
                throw DbError(QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
            const QString schema = JetSql::externalSchema(i);
            // A file of the same password first; one without a password next.
            try {
                attach(path, schema, password());
            } catch (const DbError &) {
                attach(path, schema, QString());
            }
            schemas.append(schema);
        }
    } catch (...) {
        detachExternals(schemas);
        throw;
    }
    return schemas;
}

void Connection::attach(const QString &path, const QString &schema, const QString &key)
{
    open();
    runSqlite(QStringLiteral("ATTACH DATABASE %1 AS %2 KEY %3").arg(quotedLiteral(path), schema, quotedLiteral(key)));
    const QByteArray probe = QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schema).toUtf8();
    if (sqlite3_exec(m_db, probe.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = lastError();
        sqlite3_exec(m_db, QStringLiteral("DETACH DATABASE %1").arg(schema).toUtf8().constData(), nullptr, nullptr,
                     nullptr);
        throw DbError(message);
    }
}

void Connection::inReadTransaction(const std::function<void()> &work)
{
    open();
    if (QFileInfo::exists(dataSource() + QStringLiteral("-wal")))
        sqlite3_exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
    runSqlite(QStringLiteral("BEGIN"));
    try {
        runSqlite(QStringLiteral("SELECT count(*) FROM sqlite_master")); // the read lock, taken now
        work();
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

void Connection::detachExternals(const QStringList &schemas)
{
    for (const QString &schema : schemas)
        sqlite3_exec(m_db, QStringLiteral("DETACH DATABASE %1").arg(schema).toUtf8().constData(), nullptr, nullptr,
                     nullptr);
}

// "insert into T select * from S" copies columns by name, as the original
// engine does; the column lists are written out so that files whose tables
// hold the columns in another order, or fewer of them, copy correctly.
void Connection::expandInsertSelectStar(QString *sql)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*insert\s+into\s+([\w.]+)\s+select\s+\*\s+from\s+([\w.]+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(*sql);
    if (!m.hasMatch())
        return;
    const TableInfo &target = tableInfo(m.captured(1));
    QString sourceSchema = QStringLiteral("main");
    QString sourceTable = m.captured(2);
    if (sourceTable.contains(QLatin1Char('.'))) {
        sourceSchema = sourceTable.section(QLatin1Char('.'), 0, 0);
        sourceTable = sourceTable.section(QLatin1Char('.'), 1);
    }
    Statement info = prepareSqlite(QStringLiteral("PRAGMA %1.table_info(%2)").arg(sourceSchema, sourceTable));
    QStringList columns;
    while (info.step())
        columns.append(info.text(1));
    if (columns.isEmpty())
        throw DbError(QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.")
                          .arg(sourceTable));
    for (const QString &c : std::as_const(columns)) {
        const bool known = std::any_of(target.columns.cbegin(), target.columns.cend(), [&c](const TableColumn &t) {
            return t.name.compare(c, Qt::CaseInsensitive) == 0;
        });
        if (!known)
            throw DbError(
                QStringLiteral("The INSERT INTO statement contains the following unknown field name: '%1'.").arg(c));
    }
    const QString list = columns.join(QLatin1Char(','));
    *sql = QStringLiteral("insert into %1 (%2) select %2 from %3.%4")
               .arg(m.captured(1), list, sourceSchema, sourceTable);
}

void Connection::execute(const QString &jet)
{
    JetSql::Statement st = JetSql::translate(jet);
    if (st.kind == JetSql::Statement::Kind::AlterPassword) {
        alterPassword(st.newPassword, st.oldPassword);
        return;
    }
    open();
    const QStringList schemas = attachExternals(st.externalFiles);
    try {
        expandInsertSelectStar(&st.sql);
        runSqlite(st.sql);
    } catch (...) {
        detachExternals(schemas);
        throw;
    }
    detachExternals(schemas);
}

void Connection::executeInTransaction(const QStringList &statements)
{
    QList<JetSql::Statement> translated;
    QStringList files;
    for (const QString &jet : statements) {
        JetSql::Statement st = JetSql::translate(jet);
        if (st.kind != JetSql::Statement::Kind::Sql)
            throw DbError(QStringLiteral("Operation is not allowed in a transaction."));
        if (!st.externalFiles.isEmpty()) {
            if (!files.isEmpty() && files != st.externalFiles)
                throw DbError(QStringLiteral("The statements name tables of different files."));
            files = st.externalFiles;
        }
        translated.append(st);
    }
    open();
    // a file cannot be attached inside a transaction: it is attached first
    const QStringList schemas = attachExternals(files);
    try {
        runSqlite(QStringLiteral("BEGIN"));
        for (JetSql::Statement &st : translated) {
            expandInsertSelectStar(&st.sql);
            runSqlite(st.sql);
        }
        runSqlite(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        detachExternals(schemas);
        throw;
    }
    detachExternals(schemas);
}

void Connection::inTransaction(const std::function<void()> &work)
{
    open();
    runSqlite(QStringLiteral("BEGIN"));
    try {
        work();
        runSqlite(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

Statement Connection::prepare(const QString &jet, QStringList *attached)
{
    return prepare(JetSql::translate(jet), attached);
}

Statement Connection::prepare(const JetSql::Statement &st, QStringList *attached)
{
    if (st.kind != JetSql::Statement::Kind::Sql)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
    open();
    const QStringList schemas = attachExternals(st.externalFiles);
    try {
        Statement stmt = prepareSqlite(st.sql);
        if (attached)
            *attached = schemas;
        else
            detachExternals(schemas);
        return stmt;
    } catch (...) {
        detachExternals(schemas);
        throw;
    }
}

// Re-encrypts the file with the new password (an empty one stores it without
// encryption) through an exported copy that then replaces the file.
void Connection::alterPassword(const QString &newPassword, const QString &oldPassword)
{
    open();
    if (oldPassword != password())
        throw DbError(QStringLiteral("Not a valid password."));
    const QString path = dataSource();
    const QString temp = path + QStringLiteral(".rekey");
    QFile::remove(temp);
    // the connection cannot create files; an empty file is an empty database
    if (!FileSafety::createPrivateFile(temp))
        throw DbError(QStringLiteral("Could not create file '%1'.").arg(QDir::toNativeSeparators(temp)));
    try {
        attach(temp, QStringLiteral("rekeyed"), newPassword);
        const int rc = sqlite3_exec(m_db, "SELECT sqlcipher_export('rekeyed')", nullptr, nullptr, nullptr);
        const QString message = lastError();
        sqlite3_exec(m_db, "DETACH DATABASE rekeyed", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw DbError(message);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
    close();
    // The re-keyed copy reaches the disk first and then takes the old file's
    // place in one step: whatever happens, one whole file is there.
    if (!FileSafety::syncFile(temp) || !FileSafety::replaceFile(temp, path)) {
        QFile::remove(temp);
        throw DbError(QStringLiteral("Could not replace file '%1'.").arg(QDir::toNativeSeparators(path)));
    }
    setProperty(QStringLiteral("Jet OLEDB:Database Password"), newPassword);
}

void Connection::setCipherPageSize(int bytes)
{
    CipherPageSize = bytes;
}

int Connection::cipherPageSize()
{
    return CipherPageSize;
}

void Connection::applyKey(sqlite3 *db, const QString &password)
{
    // Attached files keyed later take the same page size.
    sqlite3_exec(db, QByteArray("PRAGMA cipher_default_page_size = " + QByteArray::number(CipherPageSize)).constData(),
                 nullptr, nullptr, nullptr);
    const QByteArray key = password.toUtf8();
    if (key.isEmpty())
        return;
    sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_exec(db, QByteArray("PRAGMA cipher_page_size = " + QByteArray::number(CipherPageSize)).constData(), nullptr,
                 nullptr, nullptr);
}

FieldKind Connection::kindOfDeclaredType(const char *declaredType)
{
    if (!declaredType)
        return FieldKind::Text;
    const QByteArray t = QByteArray(declaredType).toUpper();
    if (t.contains("DATETIME") || t.contains("TIMESTAMP"))
        return FieldKind::DateTime;
    if (t.contains("DATE"))
        return FieldKind::Date;
    if (t.contains("INT") || t == "LONG" || t == "COUNTER" || t == "AUTOINCREMENT")
        return FieldKind::Integer;
    if (t.contains("DOUB") || t.contains("REAL") || t.contains("FLOA") || t.contains("NUMERIC")
        || t.contains("CURRENCY"))
        return FieldKind::Float;
    if (t.contains("LONGTEXT") || t.contains("MEMO") || t.contains("CLOB"))
        return FieldKind::Memo;
    return FieldKind::Text;
}

const TableInfo &Connection::tableInfo(const QString &table)
{
    // A table dropped and made anew has other columns: the cache holds only
    // while the schema is the one it was read from.
    {
        Statement version = prepareSqlite(QStringLiteral("PRAGMA schema_version"));
        const qint64 now = version.step() ? version.integer(0) : -1;
        if (now != m_schemaVersion) {
            m_tables.clear();
            m_schemaVersion = now;
        }
    }
    const QString key = table.toLower();
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd())
        return it.value();
    TableInfo info;
    info.name = table;
    Statement stmt = prepareSqlite(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (stmt.step()) {
        TableColumn col;
        col.name = stmt.text(1);
        col.kind = kindOfDeclaredType(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 2)));
        if (sqlite3_column_int(stmt.get(), 5) == 1 && col.kind == FieldKind::Integer)
            info.autoIncrement = int(info.columns.size());
        info.columns.append(col);
    }
    if (info.columns.isEmpty())
        throw DbError(QStringLiteral("no such table: %1").arg(table));
    return m_tables.insert(key, info).value();
}

void Connection::releaseMemory()
{
    if (m_db)
        sqlite3_db_release_memory(m_db);
    malloc_trim(0);
}
