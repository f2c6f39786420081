#include "testdb.h"

#include "data/schema.h"
#include "data/tdm.h"

TempDatabase::TempDatabase(bool withPresets, const QDate &today)
{
    Schema::createDatabase(path(), DatabasePassword, today, withPresets);
    m_connection = std::make_unique<Connection>();
    m_connection->setConnectionString(ledgerConnectionString(dir()));
}

std::unique_ptr<Dataset> TempDatabase::query(const QString &sql) const
{
    auto d = std::make_unique<Dataset>(m_connection.get());
    d->addSql(sql);
    d->open();
    return d;
}

QString TempDatabase::scalar(const QString &sql) const
{
    auto d = query(sql);
    return d->isEmpty() ? QString() : d->textAt(0, 0);
}
