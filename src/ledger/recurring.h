#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

class Connection;

// Recurring entries: templates (table dqsz) of an entry with a rule of
// repetition, and the occurrences done (table dqjl: posted as an entry, or
// passed over), so that an occurrence is never posted twice, whatever
// happens between two runs (a crash, a second copy of the program, a clock
// set back): an occurrence is known by its template and its date, and is
// marked done in the same transaction that posts it.
namespace Recurring {

enum class Rule {
    Months = 0, // every `every` months on day `day` (the month's last day where it is shorter)
    Yearly = 1, // every year on the first date's month and day (28 February where 29 is missing)
    Days = 2    // every `every` days
};
enum class Mode {
    Confirm = 0,  // 提醒确认: listed at login for confirmation
    Automatic = 1 // 自动记帐: posted at login (an estimated amount is asked for all the same)
};

struct Template
{
    qint64 id = 0;
    QString type = QStringLiteral("支出"); // 收入 or 支出
    QString item;
    QString detail;
    QString account;
    QString remark;
    qint64 cents = 0;
    bool estimated = false; // 估计: the amount is asked for before each posting
    Rule rule = Rule::Months;
    int every = 1;
    int day = 1; // for Months
    QDate first;
    QDate until;   // the last date possible; invalid for none
    int count = 0; // the number of occurrences; 0 for no limit
    Mode mode = Mode::Confirm;

    // The rule in words: "每月 15 日", "每 3 个月 31 日（月小取月末）",
    // "每年 2 月 29 日", "每 14 天", with the end.
    QString ruleText() const;
    // The occurrences from the first date up to upTo (inclusive), within
    // the end; at most limit of them.
    QList<QDate> occurrences(const QDate &upTo, int limit = 5000) const;
    // The first occurrence after date, or an invalid date when the end
    // came before.
    QDate nextAfter(const QDate &date) const;
};

// Every template, in the order made. Throws DbError.
QList<Template> templates(Connection *connection);
// The template of id (id 0 when there is none). Throws DbError.
Template templateOf(Connection *connection, qint64 id);
// Stores t (a new one when its id is 0) and returns its id. A template
// whose dates change (rule, interval, day or first date) keeps what was
// done: its occurrences under the new rule up to the last one done are
// passed over, so that a changed rule never brings back months already
// posted. Throws DbError.
qint64 save(Connection *connection, const Template &t);
// The first occurrence of t not done (overdue ones included), or an
// invalid date when none is left. Throws DbError.
QDate nextDue(Connection *connection, const Template &t, const QDate &today);
// Removes the template of id and what was recorded of its occurrences
// (the entries posted stay). Throws DbError.
void remove(Connection *connection, qint64 id);

// An occurrence not yet done.
struct Occurrence
{
    Template t;
    QDate date;
};
// The occurrences up to today not done, by date (every missed one).
// Throws DbError.
QList<Occurrence> due(Connection *connection, const QDate &today);
// The occurrences of the template of id up to today not done.
QList<Occurrence> dueOf(Connection *connection, qint64 id, const QDate &today);

// One occurrence to post with its amount (the estimated ones as given).
struct Posting
{
    Occurrence occurrence;
    qint64 cents = 0;
};
// Posts each occurrence as a ledger entry (operator and time stamp as for
// a typed entry) and marks it done, all in one transaction; an occurrence
// already done (by another copy of the program meanwhile) is passed over.
// Returns the entries made. Throws DbError; nothing is written then.
QList<qint64> post(Connection *connection, const QList<Posting> &postings, const QString &operatorName,
                   const QDateTime &now);
// Marks occurrences done without posting them. Throws DbError.
void pass(Connection *connection, const QList<Occurrence> &occurrences);

} // namespace Recurring
