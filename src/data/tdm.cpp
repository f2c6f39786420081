#include "tdm.h"

#include "dberror.h"

TDM *DM = nullptr;

QString ledgerConnectionString(const QString &dir)
{
    return QStringLiteral("provider=Microsoft.Jet.OLEDB.4.0;user ID=Admin;Data Source=") + dir
           + QStringLiteral("Data.qhd;") + QStringLiteral("Mode=Share Deny None;Extended Properties=\"\";")
           + QStringLiteral("Jet OLEDB:System database=\"\";") + QStringLiteral("Jet OLEDB:Registry Path=\"\";")
           + QStringLiteral("Jet OLEDB:Database Password=\"mxbt418260\";") + QStringLiteral("Jet OLEDB:Engine Type=5;")
           + QStringLiteral("Jet OLEDB:Database Locking Mode=1;")
           + QStringLiteral("Jet OLEDB:Global Partial Bulk Ops=2;")
           + QStringLiteral("Jet OLEDB:Global Bulk Transactions=1;")
           + QStringLiteral("Jet OLEDB:New Database Password=\"\";")
           + QStringLiteral("Jet OLEDB:Create System Database=False;")
           + QStringLiteral("Jet OLEDB:Encrypt Database=False;") + QStringLiteral("Jet OLEDB:Don") + QStringLiteral("'")
           + QStringLiteral("t Copy Locale on Compact=False;")
           + QStringLiteral("Jet OLEDB:Compact Without Replica Repair=False;") + QStringLiteral("Jet OLEDB:SFP=False");
}

TDM::TDM(QObject *parent)
    : QObject(parent)
    , ADOConnection1(new Connection(this))
{
    DM = this;
    auto query = [this](const char *name, const QString &sql = QString()) {
        auto *d = new Dataset(ADOConnection1, this);
        d->setObjectName(QLatin1String(name));
        if (!sql.isEmpty())
            d->addSql(sql);
        return d;
    };
    auto table = [this](const char *name, const QString &tableName) {
        auto *d = new Dataset(ADOConnection1, this);
        d->setObjectName(QLatin1String(name));
        d->setTableName(tableName);
        return d;
    };
    ADOQlsz = query("ADOQlsz");
    ADOQFyxmrr = query("ADOQFyxmrr", QStringLiteral("select * from fyxm"));
    ADOQFymxrr = query("ADOQFymxrr", QStringLiteral("select * from fymx where dyxmid=:bl_xmid"));
    ADOQjtcyrr = query("ADOQjtcyrr", QStringLiteral("select * from jtcy"));
    ADOQczyh = query("ADOQczyh", QStringLiteral("select * from czyh"));
    ADOQLog = query("ADOQLog");
    ADOTXtcs = table("ADOTXtcs", QStringLiteral("xtcs"));
    ADOQjs = query("ADOQjs", QStringLiteral("select * from jstx"));
    ADOTJslx = table("ADOTJslx", QStringLiteral("jslx"));
    ADOQTxl = query("ADOQTxl", QStringLiteral("select * from txl"));
    ADOQLxrfz = query("ADOQLxrfz", QStringLiteral("select * from lxrfz"));
    ADOQFlhz = query("ADOQFlhz");
    ADOQFyfx = query("ADOQFyfx");
    ADOQxmls = query("ADOQxmls", QStringLiteral("select * from fyxm"));
    ADOQls = query("ADOQls");

    auto source = [this](const char *name, Dataset *d) {
        auto *s = new DataSource(d, this);
        s->setObjectName(QLatin1String(name));
        return s;
    };
    DSlsz = source("DSlsz", ADOQlsz);
    DSFyxmrr = source("DSFyxmrr", ADOQFyxmrr);
    DSFymxrr = source("DSFymxrr", ADOQFymxrr);
    DSJtcyrr = source("DSJtcyrr", ADOQjtcyrr);
    DSczyh = source("DSczyh", ADOQczyh);
    DSLog = source("DSLog", ADOQLog);
    DSxtcs = source("DSxtcs", ADOTXtcs);
    DSjs = source("DSjs", ADOQjs);
    DSJslx = source("DSJslx", ADOTJslx);
    DSTxl = source("DSTxl", ADOQTxl);
    DSLxrfz = source("DSLxrfz", ADOQLxrfz);
    DSFlhz = source("DSFlhz", ADOQFlhz);
    DSFyfx = source("DSFyfx", ADOQFyfx);

    LinkXm = new LookupLink(DSlsz, QStringLiteral("xm"), DSFyxmrr, QStringLiteral("xmmc"), this);
    LinkMx = new LookupLink(DSlsz, QStringLiteral("mx"), DSFymxrr, QStringLiteral("mxmc"), this);
    LinkSzr = new LookupLink(DSlsz, QStringLiteral("szr"), DSJtcyrr, QStringLiteral("cyxm"), this);
    LinkFz = new LookupLink(DSTxl, QStringLiteral("fz"), DSLxrfz, QStringLiteral("zm"), this);
    LinkLx = new LookupLink(DSjs, QStringLiteral("jslxmc"), DSJslx, QStringLiteral("lxmc"), this);
}

QList<Dataset *> TDM::datasets() const
{
    return {ADOQlsz,  ADOQFyxmrr, ADOQFymxrr, ADOQjtcyrr, ADOQczyh, ADOQLog,  ADOTXtcs, ADOQjs,
            ADOTJslx, ADOQTxl,    ADOQLxrfz,  ADOQFlhz,   ADOQFyfx, ADOQxmls, ADOQls};
}

QDate TDM::storedStartDate() const
{
    if (!ADOTXtcs->isActive() || ADOTXtcs->isEmpty())
        return QDate();
    try {
        return ADOTXtcs->asDate(QStringLiteral("qsny"));
    } catch (const DbError &) {
        return QDate();
    }
}

QDate TDM::startDate(const QDate &today) const
{
    const QDate stored = storedStartDate();
    return stored.isValid() ? stored : QDate(today.year(), 1, 1);
}
