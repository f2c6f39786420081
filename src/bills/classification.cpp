#include "classification.h"

#include <QRegularExpression>

namespace Bills::Classification {
namespace {

bool has(const QString &text, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *word : words) {
        if (text.contains(QStringView(word)))
            return true;
    }
    return false;
}

void set(BillRow *row, Verdict verdict, const QString &reason = QString())
{
    row->verdict = verdict;
    row->reason = reason;
    row->counted = verdict == Verdict::Income || verdict == Verdict::Expense || verdict == Verdict::Refund;
}

QString yuan(qint64 cents)
{
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(qAbs(cents) / 100)
        .arg(qAbs(cents) % 100, 2, 10, QLatin1Char('0'));
}

// A 支付宝 refund's number is its original's number, "_" and a number of
// its own ("2023…88_2023…57" for "2023…88"); its merchant order number is
// the original's.
void alipayOriginal(BillRow *row)
{
    const qsizetype cut = row->transactionNo.indexOf(u'_');
    if (cut > 0)
        row->originalTransactionNo = row->transactionNo.left(cut);
    row->originalMerchantOrderNo = row->merchantOrderNo;
}

// The reason a 支付宝 row the service counts as neither income nor expense
// is a move between the household's own accounts.
QString alipayTransferReason(const BillRow &row, const QString &what)
{
    const QString text = row.category + u' ' + row.description + u' ' + row.counterparty;
    if (has(text, {u"余额宝"}))
        return QStringLiteral("余额宝转入转出：自己账户之间的钱，不计收支");
    if (has(text, {u"还款"}))
        return QStringLiteral("还款：钱转到自己的信用卡或借款账户，不计收支");
    if (has(text, {u"理财", u"基金", u"卖出", u"买入", u"赎回", u"申购"}))
        return QStringLiteral("理财买卖：自己账户之间的钱，不计收支");
    if (has(text, {u"提现", u"充值", u"转入", u"转出"}))
        return QStringLiteral("充值提现：自己账户之间的钱，不计收支");
    return QStringLiteral("支付宝记为%1（%2）：自己账户之间的钱，不计收支")
        .arg(what, row.category.isEmpty() ? row.description : row.category);
}

// The rules both 支付宝 layouts share. neutral names what the layout calls
// a row that is neither income nor expense.
void classifyAlipay(BillRow *row, const QString &neutral)
{
    const QString &status = row->status;
    if (has(status, {u"交易关闭", u"已关闭"})) {
        if (row->refundedCents > 0 && row->refundedCents >= row->amountCents)
            return set(row, Verdict::Closed, QStringLiteral("已全额退款，交易关闭：钱款已原路退回"));
        return set(row, Verdict::Closed, QStringLiteral("交易关闭：钱款没有付出，或已原路退回"));
    }
    if (has(status, {u"失败"}) && !has(status, {u"退款"})) // a refund that failed leaves the purchase paid
        return set(row, Verdict::Closed, QStringLiteral("交易失败（%1）：钱款没有付出").arg(status));
    if (has(status, {u"等待付款", u"未付款", u"交易创建"}))
        return set(row, Verdict::Closed, QStringLiteral("尚未付款（%1）").arg(status));
    const bool refunded = has(status, {u"退款成功"});
    if (row->direction == Direction::Expense && refunded)
        return set(row, Verdict::Closed, QStringLiteral("已全额退款：原交易的钱已退回"));
    if (refunded || row->category.contains(u"退款") || row->description.startsWith(u"退款")) {
        set(row, Verdict::Refund, QStringLiteral("退款：退回原交易的钱"));
        alipayOriginal(row);
        return;
    }
    if (row->direction == Direction::Neutral)
        return set(row, Verdict::Transfer, alipayTransferReason(*row, neutral));
    if (row->direction == Direction::Expense && has(row->category + row->description, {u"信用卡还款"}))
        return set(row, Verdict::Transfer, QStringLiteral("信用卡还款：钱转到自己的信用卡，不计支出"));
    if (row->direction == Direction::Expense && row->refundedCents > 0)
        return set(row, Verdict::Expense,
                   QStringLiteral("已部分退款 %1 元，实际支出 %2 元")
                       .arg(yuan(row->refundedCents), yuan(row->amountCents - row->refundedCents)));
    if (row->direction == Direction::Expense && has(status, {u"等待确认收货"}))
        return set(row, Verdict::Expense, QStringLiteral("等待确认收货：钱已付出，计为支出"));
    set(row, row->direction == Direction::Income ? Verdict::Income : Verdict::Expense);
}

void classifyWeChat(BillRow *row)
{
    const QString &type = row->category;
    const QString &status = row->status;
    if (row->remark.contains(u"服务费")) { // "服务费¥0.10"
        static const QRegularExpression fee(QStringLiteral("服务费\\s*[¥￥]?\\s*([0-9][0-9,]*(?:\\.[0-9]+)?)"));
        const QRegularExpressionMatch m = fee.match(row->remark);
        if (m.hasMatch())
            parseAmount(m.capturedView(1), &row->feeCents);
    }
    if ((has(status, {u"失败"}) && !has(status, {u"退款"}))
        || has(status, {u"已退还", u"已过期", u"已关闭", u"已撤销"}))
        return set(row, Verdict::Closed, QStringLiteral("未成交（%1）：钱款没有付出，或已退回").arg(status));
    if (row->direction == Direction::Expense && status == u"已全额退款")
        return set(row, Verdict::Closed, QStringLiteral("已全额退款：原交易的钱已退回"));
    if (type.contains(u"退款")
        || (row->direction == Direction::Income && (status.startsWith(u"已退款") || status == u"已全额退款"))) {
        set(row, Verdict::Refund, QStringLiteral("退款：退回原交易的钱"));
        row->originalMerchantOrderNo = row->merchantOrderNo;
        return;
    }
    if (row->direction == Direction::Neutral
        || has(type, {u"零钱提现", u"零钱充值", u"零钱通", u"理财通", u"信用卡还款"})) {
        QString why;
        if (has(type, {u"零钱提现"})) {
            why = QStringLiteral("零钱提现：从微信零钱转到银行卡");
            if (row->feeCents > 0)
                why += QStringLiteral("（其中服务费 %1 元）").arg(yuan(row->feeCents));
        } else if (has(type, {u"零钱充值"})) {
            why = QStringLiteral("零钱充值：从银行卡转入微信零钱");
        } else if (has(type, {u"零钱通"})) {
            why = QStringLiteral("零钱通存取：自己账户之间的钱");
        } else if (has(type, {u"理财通"})) {
            why = QStringLiteral("理财通买卖：自己账户之间的钱");
        } else if (has(type, {u"信用卡还款"})) {
            why = QStringLiteral("信用卡还款：钱转到自己的信用卡");
        } else {
            why = QStringLiteral("微信记为中性交易（%1）").arg(type);
        }
        return set(row, Verdict::Transfer, why + QStringLiteral("，不计收支"));
    }
    if (row->direction == Direction::Expense && status.startsWith(u"已退款"))
        return set(row, Verdict::Expense, QStringLiteral("已部分退款（%1），退款另有一行").arg(status));
    set(row, row->direction == Direction::Income ? Verdict::Income : Verdict::Expense);
}

void classifyBank(BillRow *row)
{
    const QString what = row->category + u' ' + row->description;
    const QString all = what + u' ' + row->counterparty + u' ' + row->remark;
    if (has(all, {u"支付宝", u"蚂蚁"}) || all.contains(u"alipay", Qt::CaseInsensitive))
        row->channel = Channel::Alipay;
    else if (has(all, {u"财付通", u"微信"}) || all.contains(u"tenpay", Qt::CaseInsensitive)
             || all.contains(u"wechat", Qt::CaseInsensitive))
        row->channel = Channel::WeChat;
    if (row->direction == Direction::Neutral)
        set(row, Verdict::Closed, QStringLiteral("金额为零，不计"));
    else if (row->direction == Direction::Income && has(what, {u"退款", u"退货"}))
        set(row, Verdict::Refund, QStringLiteral("退款：退回原交易的钱"));
    else if (row->direction == Direction::Expense && has(all, {u"还款"}))
        set(row, Verdict::Transfer, QStringLiteral("还款：钱转到自己的信用卡或借款账户，不计支出"));
    else if (row->direction == Direction::Income && has(what, {u"赎回", u"理财到期", u"理财产品到期"}))
        set(row, Verdict::Transfer, QStringLiteral("理财赎回：自己的钱回到银行卡，不计收入"));
    else if (row->direction == Direction::Expense && has(what, {u"申购", u"认购", u"购买理财", u"理财购买"}))
        set(row, Verdict::Transfer, QStringLiteral("买入理财：钱转到自己的理财账户，不计支出"));
    else if (row->direction == Direction::Expense && has(what, {u"取款", u"取现"}))
        set(row, Verdict::Transfer, QStringLiteral("取现：从银行卡取出现金，不计支出"));
    else if (row->direction == Direction::Income && has(what, {u"存现", u"现金存入", u"现金存款"}))
        set(row, Verdict::Transfer, QStringLiteral("存现：现金存入银行卡，不计收入"));
    else
        set(row, row->direction == Direction::Income ? Verdict::Income : Verdict::Expense);
    if (row->channel != Channel::None && row->counted) {
        const QString service = row->channel == Channel::Alipay ? QStringLiteral("支付宝") : QStringLiteral("微信");
        const QString note = QStringLiteral("经%1收付：若也导入了%1账单，请取消勾选这一行，免得重复记账").arg(service);
        row->reason = row->reason.isEmpty() ? note : row->reason + QStringLiteral("；") + note;
    }
    if (!row->currency.isEmpty() && !has(row->currency.toUpper(), {u"CNY", u"人民币", u"RMB", u"156"})) {
        const QString note = QStringLiteral("外币交易（%1），金额按原币记录").arg(row->currency);
        row->reason = row->reason.isEmpty() ? note : row->reason + QStringLiteral("；") + note;
    }
}

} // namespace

void classify(Source source, BillRow *row)
{
    switch (source) {
    case Source::Alipay:
        return classifyAlipay(row, QStringLiteral("不计收支"));
    case Source::AlipayLegacy:
        return classifyAlipay(row, QStringLiteral("资金转移"));
    case Source::WeChat:
        return classifyWeChat(row);
    case Source::CmbDebit:
    case Source::IcbcDebit:
    case Source::Mapped:
    case Source::Unknown:
        return classifyBank(row);
    }
}

void linkRefunds(Source source, QList<BillRow> *rows)
{
    if (std::none_of(rows->cbegin(), rows->cend(), [](const BillRow &row) { return row.verdict == Verdict::Refund; }))
        return;
    QHash<QString, int> byTransaction;
    QMultiHash<QString, int> byMerchantOrder;
    for (int i = 0; i < rows->size(); ++i) {
        const BillRow &row = rows->at(i);
        if (row.verdict == Verdict::Refund || row.verdict == Verdict::Invalid)
            continue;
        if (!row.transactionNo.isEmpty() && !byTransaction.contains(row.transactionNo))
            byTransaction.insert(row.transactionNo, i);
        if (!row.merchantOrderNo.isEmpty())
            byMerchantOrder.insert(row.merchantOrderNo, i);
    }
    auto before = [](const BillRow &a, const BillRow &b) {
        return a.date < b.date || (a.date == b.date && a.time <= b.time);
    };
    for (BillRow &refund : *rows) {
        if (refund.verdict != Verdict::Refund)
            continue;
        int found = byTransaction.value(refund.originalTransactionNo, -1);
        if (found < 0 && !refund.originalMerchantOrderNo.isEmpty()) {
            // the latest purchase before the refund under that order number
            for (const int i : byMerchantOrder.values(refund.originalMerchantOrderNo)) {
                const BillRow &candidate = rows->at(i);
                if (candidate.direction == Direction::Expense && before(candidate, refund)
                    && (found < 0 || before(rows->at(found), candidate)))
                    found = i;
            }
        }
        if (found < 0 && source == Source::WeChat) {
            // the latest expense before it to the same counterparty marked as refunded
            for (int i = 0; i < rows->size(); ++i) {
                const BillRow &candidate = rows->at(i);
                if (candidate.direction == Direction::Expense && candidate.counterparty == refund.counterparty
                    && (candidate.status.startsWith(u"已退款") || candidate.status == u"已全额退款")
                    && before(candidate, refund) && (found < 0 || before(rows->at(found), candidate)))
                    found = i;
            }
        }
        if (found < 0)
            continue;
        refund.original = found;
        if (rows->at(found).verdict == Verdict::Closed) {
            refund.counted = false;
            refund.reason += QStringLiteral("；原交易已关闭（第 %1 行），这笔退款不再另计").arg(rows->at(found).line);
        }
    }
}

} // namespace Bills::Classification
