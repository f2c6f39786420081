#pragma once

#include "connection.h"
#include "dataset.h"
#include "lookuplink.h"

#include <QObject>

// The database password of the ledger file (and of version 1.0 files).
inline const QString DatabasePassword = QStringLiteral("mxbt418260");

// The connection string of the ledger database in the program's directory
// (dir ends in a path separator), as its nineteen pieces build it.
QString ledgerConnectionString(const QString &dir);

// The data module: the single connection and every shared dataset with its
// data source. It owns them all (as QObject children); it has no logic.
class TDM : public QObject
{
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);

    Connection *ADOConnection1;

    Dataset *ADOQlsz;    // ledger list
    Dataset *ADOQFyxmrr; // expense items
    Dataset *ADOQFymxrr; // details of one item
    Dataset *ADOQjtcyrr; // accounts
    Dataset *ADOQczyh;   // operator users
    Dataset *ADOQLog;    // the current operator
    Dataset *ADOTXtcs;   // system parameters (table)
    Dataset *ADOQjs;     // memos
    Dataset *ADOTJslx;   // memo types (table)
    Dataset *ADOQTxl;    // contacts
    Dataset *ADOQLxrfz;  // contact groups
    Dataset *ADOQFlhz;   // category summary
    Dataset *ADOQFyfx;   // period comparison
    Dataset *ADOQxmls;   // item name lists
    Dataset *ADOQls;     // scratch query

    DataSource *DSlsz;
    DataSource *DSFyxmrr;
    DataSource *DSFymxrr;
    DataSource *DSJtcyrr;
    DataSource *DSczyh;
    DataSource *DSLog;
    DataSource *DSxtcs;
    DataSource *DSjs;
    DataSource *DSJslx;
    DataSource *DSTxl;
    DataSource *DSLxrfz;
    DataSource *DSFlhz;
    DataSource *DSFyfx;

    // The lists the editors choose from, each kept on the row whose key the
    // edited row shows, from the start and whether or not an editor has
    // been opened: where a list stands is what a new row takes.
    LookupLink *LinkXm;  // the ledger row's item in ADOQFyxmrr
    LookupLink *LinkMx;  // its detail in ADOQFymxrr
    LookupLink *LinkSzr; // its account in ADOQjtcyrr
    LookupLink *LinkFz;  // the contact's group in ADOQLxrfz
    LookupLink *LinkLx;  // the memo's type in ADOTJslx

    // Every dataset, in the order above.
    QList<Dataset *> datasets() const;

    // The ledger start date qsny of ADOTXtcs; an invalid date when it is
    // empty, cannot be read or the table is not open.
    QDate storedStartDate() const;
    // storedStartDate(), or the first day of today's year in its place.
    QDate startDate(const QDate &today) const;
};

// The single data module of the program; set by its constructor.
extern TDM *DM;
