#pragma once

#include "layouts.h"

#include <QDate>
#include <QTime>

// The rows of a recognised bill as the ledger needs them: dates, exact
// amounts in cents, and what the ledger should do with each row.
namespace Bills {

enum class Direction { Income, Expense, Neutral };

// What the ledger should do with a row.
enum class Verdict {
    Income,  // money received: book it
    Expense, // money paid: book it
    Transfer, // money moved between the household's own accounts (余额宝, 零钱通, 提现, 信用卡还款, …): no income, no
              // expense
    Refund, // money given back for an earlier purchase: book it against that purchase, unless it is void (see original)
    Closed, // a trade closed, failed or refunded in full: no money moved for good
    Invalid // the date or the amount cannot be read: reason says which
};

// The payment service a bank row paid or was paid through.
enum class Channel { None, Alipay, WeChat };

struct BillRow
{
    int line = 0; // the row's line in a text file, its row number in a workbook
    QDate date;   // invalid only for Verdict::Invalid
    QTime time;   // invalid when the file gives none (bank statements give dates only)
    Direction direction = Direction::Neutral;
    qint64 amountCents = 0; // never negative: direction gives the sign
    qint64 feeCents = 0;    // a service fee contained in the amount (微信 零钱提现, 支付宝 服务费（元）)
    qint64 refundedCents = 0; // already refunded and not listed as a row of its own (the older
                              // 支付宝 layout's 成功退款（元）): the expense is amountCents - refundedCents
    QString counterparty;
    QString description; // goods or description
    QString category;    // 交易分类, 交易类型, 摘要, … as the file writes it
    QString method;      // 收/付款方式, 支付方式
    QString status;      // 交易状态, 当前状态
    QString transactionNo;
    QString merchantOrderNo;
    QString remark;
    QString currency;

    Verdict verdict = Verdict::Invalid;
    bool counted = false;            // whether the ledger should book it unless the user says otherwise
    QString reason;                  // in Chinese, for every row that is not a plain income or expense
    Channel channel = Channel::None; // bank rows: the 支付宝 or 微信 trade it paid, so that the caller can
                                     // untick it when that service's bill is imported too

    // Refunds: the original purchase's numbers, as far as the file tells
    // them (see billRows), and the original's index in BillTable::rows
    // when it is in the same file, else -1.
    QString originalTransactionNo;
    QString originalMerchantOrderNo;
    int original = -1;
};

struct BillTable
{
    Source source = Source::Unknown;
    QList<BillRow> rows;
    QList<int> ignoredLines; // lines after the header that are not rows of the table (notes, totals, rules)
};

// Reads an amount in yuan as a whole number of cents, exactly, never through
// a floating-point value: "12.50", "¥12.50", "￥-3", "1,234.56",
// "-1,000.00", "+50.0", "12.5元", full-width digits. Returns false (and
// leaves *cents alone) for empty text, "-", "/", more than two decimals
// other than zeros, more than 15 digits before the point, and anything else.
bool parseAmount(QStringView text, qint64 *cents);

// Reads a date with an optional time of day: "2023-02-12 21:32:14",
// "2023/2/12 9:05", "2023.02.12", "2023年2月12日", "20230212",
// "2023-02-12T21:32:14". Returns false (and leaves *date and *time alone)
// for anything else or an impossible date or time; *time is set invalid
// when the text has no time.
bool parseDateTime(QStringView text, QDate *date, QTime *time);

// The bill rows of the recognised sheet of document (recognition from
// recognise() or applyMapping()), in file order. A row after the header is
// a bill row when it has every column the layout uses or when its date
// reads; rows of dashes, totals (合计, 总计, 共…笔) and repetitions of the
// header are not, and their lines go to ignoredLines. A bill row whose date
// or amount does not read is kept as Verdict::Invalid with the reason
// ("日期无法识别：…", "金额无法识别：…"). Every other row is classified
// (Verdict, reason, channel) and refunds are linked to their originals in
// the same file: by the transaction number before the "_" of a 支付宝
// refund's number, else by the merchant order number (支付宝 and 微信
// refunds carry the original's), else (微信) by an earlier expense to the
// same counterparty whose status says it was refunded. A refund whose
// original is Closed is not counted (the closing already undid the
// purchase). A lone "/" (the exports' "none") reads as an empty text.
// Returns an empty table for a recognition that is not known.
BillTable billRows(const Document &document, const Recognition &recognition);

QString verdictName(Verdict verdict);       // "收入", "支出", "转账", "退款", "不计", "无法识别"
QString directionName(Direction direction); // "收入", "支出", "不计收支"
QString channelName(Channel channel);       // "", "支付宝", "微信支付"

} // namespace Bills
