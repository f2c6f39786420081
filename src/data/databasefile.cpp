#include "databasefile.h"

#include "connection.h"
#include "dberror.h"

#include <QFile>
#include <QUrl>

#include <sqlite3.h>

DatabaseFile::DatabaseFile(const QString &path, const QString &key, Mode mode)
{
    QByteArray name = path == QLatin1String(":memory:") ? QByteArray(":memory:") : QFile::encodeName(path);
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == Mode::ReadOnly && path != QLatin1String(":memory:")) {
        // by URI, so that a journal beside the file is left as it is
        name = "file:" + QUrl::fromLocalFile(path).path(QUrl::FullyEncoded).toUtf8() + "?mode=ro";
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    } else if (mode == Mode::Create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DbError(message);
    }
    Connection::applyKey(m_db, key);
}

DatabaseFile::~DatabaseFile()
{
    sqlite3_close_v2(m_db);
}

bool DatabaseFile::isDatabase()
{
    return m_db && sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement DatabaseFile::prepare(const QString &sql)
{
    return prepareOn(m_db, sql);
}

void DatabaseFile::exec(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
        sqlite3_free(error);
        throw DbError(message);
    }
}

qint64 DatabaseFile::count(const QString &sql, qint64 fallback)
{
    try {
        Statement st = prepare(sql);
        return st.step() ? st.integer(0) : fallback;
    } catch (const DbError &) {
        return fallback;
    }
}

void DatabaseFile::close()
{
    if (!m_db)
        return;
    if (sqlite3_close(m_db) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    m_db = nullptr;
}
