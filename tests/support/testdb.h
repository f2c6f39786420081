#pragma once

#include "support/printers.h"

#include "data/connection.h"
#include "data/dataset.h"

#include <QTemporaryDir>

#include <memory>

// A fresh ledger database in a temporary directory, with a connection to it.
class TempDatabase
{
public:
    explicit TempDatabase(bool withPresets = true, const QDate &today = QDate(2026, 12, 9));

    QString dir() const { return m_dir.path() + QLatin1Char('/'); }
    QString path() const { return dir() + QStringLiteral("Data.qhd"); }
    Connection *connection() const { return m_connection.get(); }
    // A query dataset over the connection, opened on sql.
    std::unique_ptr<Dataset> query(const QString &sql) const;
    // Runs a statement that returns no rows.
    void exec(const QString &sql) const { m_connection->execute(sql); }
    // The first column of the first row of sql, as text.
    QString scalar(const QString &sql) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Connection> m_connection;
};
