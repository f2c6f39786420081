#include "billimport.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/dberror.h"
#include "data/sqltext.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>

namespace BillImport {
namespace {

// What a file's own category (支付宝 交易分类, 微信 交易类型) suggests, where the
// ledger has such an item (the delivered presets).
struct CategoryHint
{
    const char *category;
    const char *item;
    const char *detail;
};

const CategoryHint Hints[] = {
    {"餐饮美食", "餐饮", "外出就餐"}, {"外卖", "餐饮", "外出就餐"},           {"交通出行", "交通", "公交地铁"},
    {"爱车养车", "交通", "车辆保养"}, {"日用百货", "购物", "日用品"},         {"服饰装扮", "购物", "服装鞋帽"},
    {"数码电器", "购物", "数码产品"}, {"家居家装", "购物", "家具家居"},       {"充值缴费", "通讯", "手机话费"},
    {"住房物业", "居住", "物业费"},   {"医疗健康", "医疗", "门诊"},           {"教育培训", "教育", "培训"},
    {"文化休闲", "娱乐", "休闲"},     {"休闲娱乐", "娱乐", "休闲"},           {"酒店旅游", "娱乐", "旅游"},
    {"运动户外", "娱乐", "运动健身"}, {"保险", "金融保险", "保险费"},         {"微信红包", "其他收入", "礼金收入"},
    {"红包", "其他收入", "礼金收入"}, {"收钱码收款", "其他收入", "兼职收入"},
};

// What words in a row's goods or counterparty suggest (bank rows have no
// category of their own), where the ledger has such an item.
struct WordHint
{
    const char *word;
    const char *item;
    const char *detail;
};

const WordHint Words[] = {
    {"电费", "居住", "电费"},         {"供电", "居住", "电费"},         {"水费", "居住", "水费"},
    {"自来水", "居住", "水费"},       {"燃气", "居住", "燃气费"},       {"物业", "居住", "物业费"},
    {"房租", "居住", "房租"},         {"话费", "通讯", "手机话费"},     {"中国移动", "通讯", "手机话费"},
    {"中国联通", "通讯", "手机话费"}, {"中国电信", "通讯", "手机话费"}, {"宽带", "通讯", "宽带网费"},
    {"加油", "交通", "加油"},         {"石化", "交通", "加油"},         {"石油", "交通", "加油"},
    {"地铁", "交通", "公交地铁"},     {"公交", "交通", "公交地铁"},     {"滴滴", "交通", "打车"},
    {"停车", "交通", "停车过路"},     {"医院", "医疗", "门诊"},         {"药房", "医疗", "药品"},
    {"药店", "医疗", "药品"},         {"超市", "购物", "日用品"},       {"麦当劳", "餐饮", "外出就餐"},
    {"肯德基", "餐饮", "外出就餐"},   {"餐厅", "餐饮", "外出就餐"},     {"外卖", "餐饮", "外出就餐"},
    {"学费", "教育", "学费"},         {"保险", "金融保险", "保险费"},   {"手续费", "金融保险", "手续费"},
    {"利息", "其他收入", "利息收入"}, {"工资", "工资收入", "基本工资"}, {"红包", "其他收入", "礼金收入"},
    {"报销", "其他收入", "报销"},
};

struct Rule
{
    QString keyword;
    QString item;
    QString detail;
};

QString sourceTag(const Preview &preview)
{
    switch (preview.source) {
    case Bills::Source::Alipay:
    case Bills::Source::AlipayLegacy:
        return QStringLiteral("支付宝");
    case Bills::Source::WeChat:
        return QStringLiteral("微信支付");
    case Bills::Source::Mapped:
        return QStringLiteral("银行账单") + preview.layoutKey;
    default:
        return Bills::sourceName(preview.source);
    }
}

// The name of a service as bank rows that paid through it remember it.
QString serviceName(Bills::Source source)
{
    return Bills::channelName(source == Bills::Source::WeChat ? Bills::Channel::WeChat : Bills::Channel::Alipay);
}

bool isServiceBill(Bills::Source source)
{
    return source == Bills::Source::Alipay || source == Bills::Source::AlipayLegacy || source == Bills::Source::WeChat;
}

// Rows of sql on connection, in a dataset of their own.
std::unique_ptr<Dataset> query(Connection *connection, const QString &sql)
{
    auto d = std::make_unique<Dataset>(connection);
    d->addSql(sql);
    d->open();
    return d;
}

qint64 centsOf(double yuanValue)
{
    return qint64(std::llround(yuanValue * 100.0));
}

QList<Rule> rules(Connection *connection)
{
    QList<Rule> out;
    const auto d = query(connection, QStringLiteral("select gjz, xm, mx from zdgz order by gzid"));
    for (int r = 0; r < d->recordCount(); ++r)
        if (!d->textAt(r, 0).trimmed().isEmpty())
            out.append({d->textAt(r, 0).trimmed(), d->textAt(r, 1), d->textAt(r, 2)});
    return out;
}

const Rule *matching(const QList<Rule> &all, const QString &counterparty, const QString &goods)
{
    for (const Rule &r : all)
        if (counterparty.contains(r.keyword, Qt::CaseInsensitive) || goods.contains(r.keyword, Qt::CaseInsensitive))
            return &r;
    return nullptr;
}

QString remarkOf(const Bills::BillRow &row)
{
    QStringList parts;
    for (const QString &p : {row.counterparty, row.description})
        if (!p.isEmpty() && !parts.contains(p))
            parts.append(p);
    return parts.join(QLatin1Char(' '));
}

// The ledger's lists, read once for a preview.
struct Lists
{
    QStringList items;
    QHash<QString, QStringList> details; // item (lower case) -> its details
    QStringList accounts;

    explicit Lists(Connection *connection)
    {
        const auto d = query(connection,
                             QStringLiteral("select a.xmmc, b.mxmc from fyxm a left join fymx b on a.xmid=b.dyxmid"));
        for (int r = 0; r < d->recordCount(); ++r) {
            const QString item = d->textAt(r, 0);
            if (!items.contains(item))
                items.append(item);
            if (!d->isNullAt(r, 1))
                details[item.toLower()].append(d->textAt(r, 1));
        }
        const auto a = query(connection, QStringLiteral("select cyxm from jtcy"));
        for (int r = 0; r < a->recordCount(); ++r)
            accounts.append(a->textAt(r, 0));
    }

    QString item(const QString &name) const
    {
        for (const QString &i : items)
            if (i.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return QString();
    }
    QString detail(const QString &item, const QString &name) const
    {
        for (const QString &d : details.value(item.toLower()))
            if (d.compare(name, Qt::CaseInsensitive) == 0)
                return d;
        return QString();
    }
    QString firstDetail(const QString &item) const { return details.value(item.toLower()).value(0); }
};

// The account a row was paid from or into: the payment method named as an
// account ("交通银行信用卡(7449)" or the account in it), else the file's own.
QString accountFor(const Lists &lists, const Bills::BillRow &row, const Preview &preview)
{
    QString method = row.method;
    const int bracket = int(method.indexOf(QRegularExpression(QStringLiteral("[(（]"))));
    const QString bare = bracket > 0 ? method.left(bracket).trimmed() : method;
    for (const QString &a : lists.accounts)
        if (!method.isEmpty()
            && (a.compare(method, Qt::CaseInsensitive) == 0 || a.compare(bare, Qt::CaseInsensitive) == 0))
            return a;
    for (const QString &a : lists.accounts)
        if (!bare.isEmpty() && a.size() >= 2 && bare.contains(a, Qt::CaseInsensitive))
            return a;
    QStringList wanted;
    if (preview.source == Bills::Source::Alipay || preview.source == Bills::Source::AlipayLegacy)
        wanted = {QStringLiteral("支付宝")};
    else if (preview.source == Bills::Source::WeChat)
        wanted = {QStringLiteral("微信钱包"), QStringLiteral("微信")};
    else
        wanted = {Bills::sourceName(preview.source).left(4), QStringLiteral("银行卡")};
    for (const QString &w : std::as_const(wanted))
        for (const QString &a : lists.accounts)
            if (!w.isEmpty() && a.contains(w, Qt::CaseInsensitive))
                return a;
    return lists.accounts.value(0);
}

void suggest(Candidate &c, const Lists &lists, const QList<Rule> &all)
{
    if (const Rule *r = matching(all, c.row.counterparty, c.row.description)) {
        const QString item = lists.item(r->item);
        if (!item.isEmpty()) {
            c.item = item;
            c.detail = lists.detail(item, r->detail);
            if (c.detail.isEmpty())
                c.detail = lists.firstDetail(item);
            c.fromRule = true;
            return;
        }
    }
    for (const CategoryHint &h : Hints) {
        if (!c.row.category.contains(QString::fromUtf8(h.category)))
            continue;
        const QString item = lists.item(QString::fromUtf8(h.item));
        if (item.isEmpty())
            continue;
        c.item = item;
        c.detail = lists.detail(item, QString::fromUtf8(h.detail));
        if (c.detail.isEmpty())
            c.detail = lists.firstDetail(item);
        return;
    }
    const QString words = c.row.category + QLatin1Char(' ') + c.row.description + QLatin1Char(' ') + c.row.counterparty;
    for (const WordHint &h : Words) {
        if (!words.contains(QString::fromUtf8(h.word)))
            continue;
        const QString item = lists.item(QString::fromUtf8(h.item));
        // an income's item for an income, an expense's for an expense
        if (item.isEmpty() || item.contains(QStringLiteral("收入")) != c.income)
            continue;
        c.item = item;
        c.detail = lists.detail(item, QString::fromUtf8(h.detail));
        if (c.detail.isEmpty())
            c.detail = lists.firstDetail(item);
        return;
    }
    // an income item for incomes (one of "other" incomes first, so that a
    // stray income does not count as wages), another one for expenses
    const QString incomeWord = QStringLiteral("收入");
    if (c.income) {
        for (const QString &i : lists.items) {
            if (i.contains(incomeWord) && i.contains(QStringLiteral("其他"))) {
                c.item = i;
                c.detail = lists.firstDetail(i);
                return;
            }
        }
    }
    for (const QString &i : lists.items) {
        if (i.contains(incomeWord) == c.income) {
            c.item = i;
            c.detail = lists.firstDetail(i);
            return;
        }
    }
    c.item = lists.items.value(0);
    c.detail = lists.firstDetail(c.item);
}

} // namespace

QString yuan(qint64 cents)
{
    const qint64 whole = (cents < 0 ? -cents : cents) / 100;
    const qint64 part = (cents < 0 ? -cents : cents) % 100;
    return (cents < 0 ? QStringLiteral("-") : QString()) + QString::number(whole) + QLatin1Char('.')
           + QStringLiteral("%1").arg(part, 2, 10, QLatin1Char('0'));
}

Preview read(Connection *connection, const QString &path, const QString &password, Bills::ReadStatus *status,
             QString *error)
{
    Preview preview;
    preview.file = path;
    const Bills::ReadResult read = Bills::readFile(path, password);
    *status = read.status;
    if (!read.ok()) {
        *error = read.error;
        return preview;
    }
    preview.document = read.document;
    QHash<QString, Bills::ColumnMapping> mappings;
    const auto stored = query(connection, QStringLiteral("select gsid, dy from zdgs"));
    for (int r = 0; r < stored->recordCount(); ++r) {
        Bills::ColumnMapping m;
        if (Bills::ColumnMapping::fromText(stored->textAt(r, 1), &m))
            mappings.insert(stored->textAt(r, 0), m);
    }
    const Bills::Recognition recognised = Bills::recognise(preview.document, mappings);
    preview.source = recognised.source;
    preview.sheet = recognised.sheet;
    preview.headerRow = recognised.headerRow;
    preview.layoutKey = recognised.layoutKey;
    if (preview.sheet >= 0 && preview.headerRow >= 0)
        preview.header = preview.document.sheets.at(preview.sheet).rows.value(preview.headerRow);
    preview.sourceName = preview.source == Bills::Source::Mapped ? QStringLiteral("银行账单（按保存的列对应）")
                                                                 : Bills::sourceName(preview.source);
    if (preview.source == Bills::Source::Mapped && mappings.contains(preview.layoutKey))
        preview.mapping = mappings.value(preview.layoutKey);
    if (!recognised.isKnown())
        return preview;
    const Bills::BillTable table = Bills::billRows(preview.document, recognised);
    for (const Bills::BillRow &row : table.rows) {
        Candidate c;
        c.row = row;
        preview.rows.append(c);
    }
    prepare(connection, &preview);
    return preview;
}

bool applyMapping(Connection *connection, Preview *preview, const Bills::ColumnMapping &mapping, QString *why)
{
    Bills::Recognition recognised;
    if (preview->sheet < 0 || preview->headerRow < 0) {
        *why = QStringLiteral("文件中没有可以对应的表格。");
        return false;
    }
    if (!Bills::applyMapping(preview->document, preview->sheet, preview->headerRow, mapping, &recognised, why))
        return false;
    preview->mapping = mapping;
    preview->source = Bills::Source::Mapped;
    preview->sourceName = QStringLiteral("银行账单（按所设的列对应）");
    preview->rows.clear();
    for (const Bills::BillRow &row : Bills::billRows(preview->document, recognised).rows) {
        Candidate c;
        c.row = row;
        preview->rows.append(c);
    }
    prepare(connection, preview);
    return true;
}

void prepare(Connection *connection, Preview *preview)
{
    const Lists lists(connection);
    const QList<Rule> allRules = rules(connection);
    const QString tag = sourceTag(*preview);
    QList<Candidate> &rows = preview->rows;

    // keys, occurrences of a key in the file counted
    QHash<QString, int> seen;
    QDate first;
    QDate last;
    for (Candidate &c : rows) {
        const Bills::BillRow &r = c.row;
        QString base = !r.transactionNo.isEmpty()
                           ? r.transactionNo
                           : QStringLiteral("%1|%2|%3|%4|%5")
                                 .arg(r.date.toString(Qt::ISODate), Bills::directionName(r.direction))
                                 .arg(r.amountCents)
                                 .arg(r.counterparty, r.description);
        const int n = seen[base]++;
        c.key = tag + QLatin1Char(':') + base + (n > 0 ? QStringLiteral("#%1").arg(n) : QString());
        if (r.date.isValid()) {
            if (!first.isValid() || r.date < first)
                first = r.date;
            if (!last.isValid() || r.date > last)
                last = r.date;
        }
    }

    // What earlier imports remember. The item and detail a purchase was
    // booked on, by its key and by its merchant's order number: a refund of
    // it comes in on the same; only what is still in the ledger (an
    // imported entry deleted by hand may come in again).
    QHash<QString, QPair<QString, QString>> bookedByKey;
    QHash<QString, QPair<QString, QString>> bookedByOrder;
    // An earlier bill's money by signed cents (incomes above zero): its
    // source, date and record; a bill's moves between the household's own
    // accounts (remembered without an entry) under both signs, as the other
    // side sees them.
    struct Seen
    {
        QString source;
        QDate date;
        qint64 record = 0;
    };
    QMultiHash<qint64, Seen> importedByAmount;
    {
        const auto d = query(connection, QStringLiteral("select d.jyh, d.shdh, d.rq, d.je, d.ly, s.sr, s.xm, s.mx, "
                                                        "d.jlid, d.zbid from drjl d left join szzb s on s.zbid=d.zbid "
                                                        "where d.zbid=0 or s.zbid is not null"));
        for (int r = 0; r < d->recordCount(); ++r) {
            double cents = 0;
            d->numberAt(r, 3, &cents);
            const Seen seen{d->textAt(r, 4), QDate::fromString(d->textAt(r, 2).left(10), Qt::ISODate),
                            d->valueAt(r, 8).toLongLong()};
            if (d->valueAt(r, 9).toLongLong() == 0) { // a move, no entry
                importedByAmount.insert(qint64(cents), seen);
                importedByAmount.insert(-qint64(cents), seen);
                continue;
            }
            const QPair<QString, QString> booked{d->textAt(r, 6), d->textAt(r, 7)};
            bookedByKey.insert(d->textAt(r, 0), booked);
            if (!d->textAt(r, 1).isEmpty())
                bookedByOrder.insert(d->textAt(r, 1), booked);
            double income = 0;
            d->numberAt(r, 5, &income);
            importedByAmount.insert(income != 0 ? qint64(cents) : -qint64(cents), seen);
        }
    }
    // entries typed by hand over the file's dates: (date, cents, income) -> entry
    QHash<QString, QPair<qint64, QString>> typed;
    if (first.isValid()) {
        const auto d = query(connection, QStringLiteral("select zbid, rq, sr, zc, xm, mx from szzb where rq>=#%1# and "
                                                        "rq<=#%2# and zbid not in (select zbid from drjl)")
                                             .arg(first.toString(Qt::ISODate), last.toString(Qt::ISODate)));
        for (int r = 0; r < d->recordCount(); ++r) {
            double sr = 0;
            double zc = 0;
            d->numberAt(r, 2, &sr);
            d->numberAt(r, 3, &zc);
            const bool income = sr != 0;
            const QString key = d->textAt(r, 1).left(10) + QLatin1Char('|') + QString::number(centsOf(income ? sr : zc))
                                + (income ? QStringLiteral("|收") : QStringLiteral("|支"));
            if (!typed.contains(key))
                typed.insert(key,
                             {d->valueAt(r, 0).toLongLong(), d->textAt(r, 4) + QLatin1Char('/') + d->textAt(r, 5)
                                                                 + QLatin1Char(' ') + yuan(centsOf(income ? sr : zc))});
        }
    }
    // an earlier import of source with the amount within two days of date,
    // not yet taken by another row of this file: each counts once
    QSet<qint64> taken;
    const auto nearImported = [&](const QString &source, const QDate &date, qint64 cents) {
        for (auto it = importedByAmount.constFind(cents); it != importedByAmount.cend() && it.key() == cents; ++it)
            if (it.value().source.startsWith(source) && it.value().date.isValid()
                && qAbs(it.value().date.daysTo(date)) <= 2 && !taken.contains(it.value().record)) {
                taken.insert(it.value().record);
                return true;
            }
        return false;
    };

    // first the purchases, then the refunds (which take their original's item)
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < rows.size(); ++i) {
            Candidate &c = rows[i];
            const Bills::BillRow &r = c.row;
            const bool refund = r.verdict == Bills::Verdict::Refund;
            if ((pass == 0) == refund)
                continue;
            c.note.clear();
            c.imported = false;
            c.duplicateOf = 0;
            c.invalid = r.verdict == Bills::Verdict::Invalid;
            c.income = r.verdict == Bills::Verdict::Income || refund
                       || (r.verdict != Bills::Verdict::Expense && r.direction == Bills::Direction::Income);
            c.cents = c.income ? r.amountCents : r.amountCents - r.refundedCents;
            // the purchase a refund gives money back for, from an earlier bill
            const std::optional<QPair<QString, QString>> bookedBefore
                = [&]() -> std::optional<QPair<QString, QString>> {
                if (!refund)
                    return std::nullopt;
                if (!r.originalMerchantOrderNo.isEmpty() && bookedByOrder.contains(r.originalMerchantOrderNo))
                    return bookedByOrder.value(r.originalMerchantOrderNo);
                const QString key = tag + QLatin1Char(':') + r.originalTransactionNo;
                if (!r.originalTransactionNo.isEmpty() && bookedByKey.contains(key))
                    return bookedByKey.value(key);
                return std::nullopt;
            }();
            if (!c.userChose) {
                if (refund && r.original >= 0 && r.original < rows.size()) {
                    c.item = rows[r.original].item;
                    c.detail = rows[r.original].detail;
                } else if (const auto &before = bookedBefore) {
                    // the purchase came in with an earlier bill: its entry's item
                    c.item = before->first;
                    c.detail = before->second;
                } else if (refund) {
                    // money back for something bought: an expense's item
                    c.income = false;
                    suggest(c, lists, allRules);
                    c.income = true;
                } else {
                    suggest(c, lists, allRules);
                }
            }
            if (c.account.isEmpty())
                c.account = accountFor(lists, r, *preview);

            // beyond what an entry may hold (under one trillion yuan)
            if (!c.invalid && r.amountCents >= 100000000000000LL) {
                c.invalid = true;
                c.note = QStringLiteral("金额太大：一笔帐不能达到一万亿元");
                c.ticked = false;
                continue;
            }
            if (c.invalid) {
                c.ticked = false;
                c.note = r.reason;
            } else if (bookedByKey.contains(c.key)) {
                c.ticked = false;
                c.imported = true;
                c.note = QStringLiteral("已导入");
            } else if (refund) {
                const bool originalHere = r.original >= 0 && r.original < rows.size()
                                          && rows[r.original].row.verdict == Bills::Verdict::Expense;
                const bool originalBefore = bookedBefore.has_value();
                if (!r.counted) {
                    c.ticked = false;
                    c.note = r.reason;
                } else if (originalHere) {
                    c.ticked = true;
                    c.note = QStringLiteral("退款，冲减第 %1 行的支出").arg(rows[r.original].row.line);
                } else if (originalBefore) {
                    c.ticked = true;
                    c.note = QStringLiteral("退款，原支出已于以前导入");
                } else {
                    c.ticked = false;
                    c.note = QStringLiteral("退款：本文件和以前的导入中都没有原付款记录");
                }
            } else if (!r.counted) {
                c.ticked = false;
                c.note = r.reason;
            } else if (r.channel != Bills::Channel::None
                       && nearImported(Bills::channelName(r.channel), r.date, c.income ? c.cents : -c.cents)) {
                c.ticked = false;
                c.note = QStringLiteral("支付宝/微信账单中已有");
            } else if (isServiceBill(preview->source)
                       && nearImported(QStringLiteral("银行账单|") + serviceName(preview->source), r.date,
                                       c.income ? c.cents : -c.cents)) {
                c.ticked = false;
                c.note = QStringLiteral("银行账单中已有");
            } else {
                const QString key = r.date.toString(Qt::ISODate) + QLatin1Char('|') + QString::number(c.cents)
                                    + (c.income ? QStringLiteral("|收") : QStringLiteral("|支"));
                const auto match = typed.constFind(key);
                if (match != typed.constEnd()) {
                    c.ticked = false;
                    c.duplicateOf = match.value().first;
                    c.note = QStringLiteral("疑似重复：与第 %1 号帐目（%2）相同")
                                 .arg(match.value().first)
                                 .arg(match.value().second);
                } else {
                    c.ticked = true;
                    if (!r.reason.isEmpty())
                        c.note = r.reason;
                    if (r.channel != Bills::Channel::None && c.note.isEmpty())
                        c.note = QStringLiteral("通过%1付款").arg(Bills::channelName(r.channel));
                }
            }
            if (c.userTick && !c.imported)
                c.ticked = *c.userTick;
        }
    }
}

bool ruleFor(Connection *connection, const QString &counterparty, const QString &goods, QString *item, QString *detail)
{
    const QList<Rule> all = rules(connection);
    const Rule *r = matching(all, counterparty, goods);
    if (!r)
        return false;
    *item = r->item;
    *detail = r->detail;
    return true;
}

void addRule(Connection *connection, const QString &keyword, const QString &item, const QString &detail)
{
    connection->inTransaction([&] {
        connection->execute(QStringLiteral("delete from zdgz where gjz='%1'").arg(sqlText(keyword)));
        connection->execute(QStringLiteral("insert into zdgz (gjz, xm, mx) values ('%1', '%2', '%3')")
                                .arg(sqlText(keyword), sqlText(item), sqlText(detail)));
    });
}

QStringList detailsOf(Connection *connection, const QString &item)
{
    QStringList out;
    const auto d = query(connection, QStringLiteral("select b.mxmc from fyxm a, fymx b where a.xmid=b.dyxmid and "
                                                    "a.xmmc='%1'")
                                         .arg(sqlText(item)));
    for (int r = 0; r < d->recordCount(); ++r)
        out.append(d->textAt(r, 0));
    return out;
}

Result import(Connection *connection, const Preview &preview, const QString &operatorName, const QDateTime &now)
{
    Result result;
    const QString tag = sourceTag(preview);
    connection->inTransaction([&] {
        Statement batch = connection->prepareSqlite(
            QStringLiteral("INSERT INTO drpc (drsj, wjm, ly, czy, ts) VALUES (?, ?, ?, ?, 0)"));
        batch.bind(1, now, FieldKind::DateTime);
        batch.bind(2, QFileInfo(preview.file).fileName());
        batch.bind(3, tag);
        batch.bind(4, operatorName);
        batch.run();
        result.batch = sqlite3_last_insert_rowid(connection->handle());
        // the columns of a bank's layout, so that its next file needs no mapping
        if (preview.source == Bills::Source::Mapped && preview.mapping && !preview.layoutKey.isEmpty()) {
            Statement keep
                = connection->prepareSqlite(QStringLiteral("INSERT OR REPLACE INTO zdgs (gsid, dy) VALUES (?, ?)"));
            keep.bind(1, preview.layoutKey);
            keep.bind(2, preview.mapping->toText());
            keep.run();
        }
        Statement entry = connection->prepareSqlite(QStringLiteral(
            "INSERT INTO szzb (rq, lx, xm, mx, sr, zc, jsze, szr, bz, jzr, jzsj) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
        Statement remembered = connection->prepareSqlite(
            QStringLiteral("INSERT INTO drjl (pcid, jyh, shdh, zbid, rq, je, ly) VALUES (?,?,?,?,?,?,?)"));
        // a bill row remembered with the entry made of it (0 for none)
        const auto remember
            = [&](const Candidate &c, qint64 entry, const QString &order, qint64 cents, const QString &source) {
                  remembered.bind(1, result.batch);
                  remembered.bind(2, c.key);
                  remembered.bind(3, order);
                  remembered.bind(4, entry);
                  remembered.bind(5, c.row.date, FieldKind::Date);
                  remembered.bind(6, cents);
                  remembered.bind(7, source);
                  remembered.run();
                  remembered.reset();
              };
        for (const Candidate &c : preview.rows) {
            // a service's move between the household's own accounts (a top-up
            // from the bank card, a withdrawal to it) makes no entry, but is
            // remembered, so that the bank's row of it is known for the same
            // (one the household ticked comes in as an entry like the others)
            if (!c.ticked && !c.invalid && !c.imported && isServiceBill(preview.source)
                && c.row.verdict == Bills::Verdict::Transfer && c.row.amountCents > 0) {
                remember(c, 0, QString(), c.row.amountCents, tag);
                continue;
            }
            if (!c.ticked || c.invalid)
                continue;
            // yuan from whole cents: the double nearest the decimal amount
            const double amount = double(c.cents) / 100.0;
            entry.bind(1, c.row.date, FieldKind::Date);
            entry.bind(2, c.income ? QStringLiteral("收入") : QStringLiteral("支出"));
            entry.bind(3, c.item);
            entry.bind(4, c.detail);
            entry.bind(5, c.income ? amount : 0.0, FieldKind::Float);
            entry.bind(6, c.income ? 0.0 : amount, FieldKind::Float);
            entry.bind(7, c.income ? amount : -amount, FieldKind::Float);
            entry.bind(8, c.account);
            entry.bind(9, remarkOf(c.row));
            entry.bind(10, operatorName);
            entry.bind(11, now, FieldKind::DateTime);
            entry.run();
            entry.reset();
            const qint64 id = sqlite3_last_insert_rowid(connection->handle());
            QString source = tag;
            if (c.row.channel != Bills::Channel::None)
                source = QStringLiteral("银行账单|") + Bills::channelName(c.row.channel);
            else if (!isServiceBill(preview.source))
                source = QStringLiteral("银行账单|") + tag;
            remember(c, id, c.income ? QString() : c.row.merchantOrderNo, c.cents, source);
            result.ids.append(id);
            ++result.entries;
            (c.income ? result.incomeCents : result.expenseCents) += c.cents;
        }
        connection->execute(
            QStringLiteral("update drpc set ts=%1 where pcid=%2").arg(result.entries).arg(result.batch));
    });
    return result;
}

Batch lastBatch(Connection *connection)
{
    Batch b;
    const auto d = query(connection, QStringLiteral("select pcid, wjm, drsj, ts from drpc order by pcid desc limit 1"));
    if (d->isEmpty())
        return b;
    b.id = d->valueAt(0, 0).toLongLong();
    b.file = d->textAt(0, 1);
    b.when = d->valueAt(0, 2).toDateTime();
    b.entries = int(d->valueAt(0, 3).toLongLong());
    return b;
}

int undo(Connection *connection, qint64 batch)
{
    int removed = 0;
    connection->inTransaction([&] {
        connection->execute(
            QStringLiteral("delete from szzb where zbid in (select zbid from drjl where pcid=%1)").arg(batch));
        removed = sqlite3_changes(connection->handle());
        connection->execute(QStringLiteral("delete from drjl where pcid=%1").arg(batch));
        connection->execute(QStringLiteral("delete from drpc where pcid=%1").arg(batch));
    });
    return removed;
}

} // namespace BillImport
