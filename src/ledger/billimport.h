#pragma once

#include "bills/billrows.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class Connection;

// Bills of 支付宝, 微信支付 and banks turned into ledger entries: what each
// row of a bill becomes (suggested item, detail and account; ticked or not,
// and why), the import of the ticked rows in one transaction, and the undo
// of the last import. Never twice: every imported row is remembered by its
// key (the service's transaction number, or for rows without one their date,
// amount, counterparty, description and repetition), so that a row already
// imported is recognised in any later file.
namespace BillImport {

// One row of a bill as the preview shows it.
struct Candidate
{
    Bills::BillRow row;
    QString key;            // what the row is remembered by once imported
    bool ticked = false;    // to be imported
    bool income = false;    // booked as income (a refund too), else as expense
    qint64 cents = 0;       // the amount booked
    QString item;           // 费用项目
    QString detail;         // 费用明细
    QString account;        // 收支帐户
    QString note;           // why it is not ticked, or what to know about it
    bool invalid = false;   // its date or amount cannot be read: shown in red
    bool imported = false;  // "已导入"
    qint64 duplicateOf = 0; // "疑似重复": the entry typed by hand it matches (zbid)
    bool fromRule = false;  // item and detail came from a rule
    bool userChose = false; // the user set item or detail in the preview
    // the user's own tick, kept when the rows are prepared again (rules
    // changed, an undo), unless the row became imported or unreadable
    std::optional<bool> userTick;
};

// A bill read, recognised and prepared.
struct Preview
{
    QString file;
    Bills::Source source = Bills::Source::Unknown;
    QString sourceName; // "支付宝", "微信支付", "招商银行借记卡", "银行账单（已对应列）"…
    QString layoutKey;  // of an unknown or mapped layout
    QStringList header; // the header row's names, for mapping an unknown layout
    Bills::Document document;
    int sheet = -1;
    int headerRow = -1;
    // the columns of a mapped layout: as remembered, or as just mapped (kept
    // for the layout with the import, not before)
    std::optional<Bills::ColumnMapping> mapping;
    QList<Candidate> rows;
};

// Reads the file at path (password for an encrypted archive) and prepares
// it against the ledger of connection: the layouts mapped before are
// recognised. *status tells a file that needs a password (or was given a
// wrong one); *error (in Chinese) a file that cannot be read. A file of no
// known layout gives a Preview with source Unknown, its header and no rows:
// the caller lets the user map its columns (applyMapping). Throws DbError
// for a failure of the ledger.
Preview read(Connection *connection, const QString &path, const QString &password, Bills::ReadStatus *status,
             QString *error);

// Maps the columns of preview's unknown (or mapped) layout and prepares the
// rows; import() remembers the mapping for the layout. False with *why
// (Chinese) when the mapping cannot serve. Throws DbError.
bool applyMapping(Connection *connection, Preview *preview, const Bills::ColumnMapping &mapping, QString *why);

// Suggests item, detail and account and decides tick and note for every row
// of preview, against the ledger (rules, earlier imports, entries typed by
// hand, items, details and accounts). Throws DbError.
void prepare(Connection *connection, Preview *preview);

// The item and detail the rules suggest for a counterparty and goods; false
// when no rule matches. The first rule (in their order) whose keyword the
// counterparty or the goods contain wins.
bool ruleFor(Connection *connection, const QString &counterparty, const QString &goods, QString *item, QString *detail);
// Adds the rule keyword → item/detail (a rule of the same keyword is
// replaced). Throws DbError.
void addRule(Connection *connection, const QString &keyword, const QString &item, const QString &detail);

// The details of item, in their order.
QStringList detailsOf(Connection *connection, const QString &item);

struct Result
{
    qint64 batch = 0;
    int entries = 0;
    qint64 incomeCents = 0;
    qint64 expenseCents = 0;
    QList<qint64> ids; // the entries made (zbid)
};

// Writes the ticked rows of preview as ledger entries, with operator and
// time stamp as for a typed entry and the counterparty and goods as the
// remark, and remembers each row's key and the batch, all in one
// transaction. Throws DbError; nothing is written then.
Result import(Connection *connection, const Preview &preview, const QString &operatorName, const QDateTime &now);

struct Batch
{
    qint64 id = 0;
    QString file;
    QDateTime when;
    int entries = 0;
};
// The last import batch (id 0 when there is none). Throws DbError.
Batch lastBatch(Connection *connection);
// Removes the entries of batch and what was remembered of it, in one
// transaction. Returns the entries removed. Throws DbError.
int undo(Connection *connection, qint64 batch);

// The text of an amount in cents: "1234.50".
QString yuan(qint64 cents);

} // namespace BillImport
