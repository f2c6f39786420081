// The bill rows of each kind of bill: amounts to the cent, dates, and what
// the ledger should do with each row.
#include "billtests.h"

using namespace Bills;
using namespace BillTests;

namespace {

QList<int> linesOf(const BillTable &table, Verdict verdict)
{
    QList<int> lines;
    for (const BillRow &row : table.rows) {
        if (row.verdict == verdict)
            lines.append(row.line);
    }
    return lines;
}

BillTable billsOfData(const QByteArray &data, Source expected)
{
    const ReadResult read = readData(data);
    EXPECT_TRUE(read.ok()) << read.error.toStdString();
    const Recognition recognition = recognise(read.document);
    EXPECT_EQ(recognition.source, expected);
    return billRows(read.document, recognition);
}

} // namespace

TEST(BillRows, ReadsAmountsExactlyInCents)
{
    const struct
    {
        const char16_t *text;
        qint64 cents;
    } read[] = {{u"¥12.50", 1250},
                {u"12.5", 1250},
                {u"50.0", 5000},
                {u"1,234.56", 123456},
                {u"-1,000.00", -100000},
                {u"+3", 300},
                {u"￥-3.00", -300},
                {u"-¥3.00", -300},
                {u"１２．３４", 1234},
                {u"12.50元", 1250},
                {u"0.01", 1},
                {u"548.58000", 54858},
                {u"CNY 8.00", 800},
                {u" 1 234.00 ", 123400},
                {u"−7.10", -710},
                {u".5", 50},
                {u"999999999999999.99", 99999999999999999}};
    for (const auto &r : read) {
        qint64 cents = 0;
        EXPECT_TRUE(parseAmount(QStringView(r.text), &cents)) << QString::fromUtf16(r.text).toStdString();
        EXPECT_EQ(cents, r.cents) << QString::fromUtf16(r.text).toStdString();
    }
    for (const char16_t *bad : {u"", u"-", u"/", u"12.345", u"1.2.3", u"abc", u"1e3", u"12,", u",123", u"¥", u"--5",
                                u"1234567890123456", u"12元5"}) {
        qint64 cents = 42;
        EXPECT_FALSE(parseAmount(QStringView(bad), &cents)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(cents, 42);
    }
}

TEST(BillRows, ReadsDatesWithAndWithoutTheTimeOfDay)
{
    const struct
    {
        const char16_t *text;
        QDate date;
        QTime time;
    } read[] = {{u"2023-02-12 21:32:14", QDate(2023, 2, 12), QTime(21, 32, 14)},
                {u"2023/2/3 9:05", QDate(2023, 2, 3), QTime(9, 5)},
                {u"2023.02.12", QDate(2023, 2, 12), QTime()},
                {u"2023年2月12日", QDate(2023, 2, 12), QTime()},
                {u"20230212", QDate(2023, 2, 12), QTime()},
                {u"2023-02-12T21:32:14.123", QDate(2023, 2, 12), QTime(21, 32, 14)},
                {u"2024-02-29 ", QDate(2024, 2, 29), QTime()}};
    for (const auto &r : read) {
        QDate date;
        QTime time(1, 2, 3);
        EXPECT_TRUE(parseDateTime(QStringView(r.text), &date, &time)) << QString::fromUtf16(r.text).toStdString();
        EXPECT_EQ(date, r.date) << QString::fromUtf16(r.text).toStdString();
        EXPECT_EQ(time, r.time) << QString::fromUtf16(r.text).toStdString();
    }
    for (const char16_t *bad : {u"2023-02-30", u"2023-13-01", u"12/02/2023", u"2023-02-12 25:00", u"人民币合计", u"",
                                u"2023-02-12x", u"2023-2/12", u"2023-02-12 9:5"}) {
        QDate date;
        QTime time;
        EXPECT_FALSE(parseDateTime(QStringView(bad), &date, &time)) << QString::fromUtf16(bad).toStdString();
    }
}

TEST(BillRows, Alipay)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const BillTable table = billsOf(fixture("alipay-2023.csv"), Source::Alipay);
    ASSERT_EQ(table.rows.size(), 10);
    EXPECT_TRUE(table.ignoredLines.isEmpty());
    EXPECT_EQ(linesOf(table, Verdict::Income), (QList<int>{30}));
    EXPECT_EQ(sumOf(table, Verdict::Income), 22222850);
    EXPECT_EQ(linesOf(table, Verdict::Expense), (QList<int>{26, 27, 34, 35}));
    EXPECT_EQ(sumOf(table, Verdict::Expense), 4974 + 2000 + 990 + 8200);
    EXPECT_EQ(linesOf(table, Verdict::Transfer), (QList<int>{29}));
    EXPECT_EQ(linesOf(table, Verdict::Refund), (QList<int>{28, 32}));
    EXPECT_EQ(linesOf(table, Verdict::Closed), (QList<int>{31, 33}));

    const BillRow &first = table.rows.at(0);
    EXPECT_EQ(first.date, QDate(2023, 2, 12));
    EXPECT_EQ(first.time, QTime(21, 32, 14));
    EXPECT_EQ(first.direction, Direction::Expense);
    EXPECT_EQ(first.amountCents, 4974);
    EXPECT_EQ(first.category, QStringLiteral("亲友代付"));
    EXPECT_EQ(first.description, QStringLiteral("亲情卡"));
    EXPECT_EQ(first.method, QStringLiteral("交通银行信用卡(7449)"));
    EXPECT_EQ(first.status, QStringLiteral("交易成功"));
    EXPECT_EQ(first.transactionNo, QStringLiteral("202302xxxxxx0011000103xxxxxx")); // its TAB gone
    EXPECT_EQ(first.merchantOrderNo, QStringLiteral("20230xxxxxxx014741014xxxxxx"));
    EXPECT_TRUE(first.counted);
    EXPECT_TRUE(first.reason.isEmpty());

    const BillRow &waiting = table.rows.at(1); // 等待确认收货: paid already
    EXPECT_TRUE(waiting.counted);
    EXPECT_TRUE(waiting.reason.contains(QStringLiteral("等待确认收货")));

    // a refund of a purchase that is not in this bill: counted, found by the merchant order
    const BillRow &refund = table.rows.at(2);
    EXPECT_EQ(refund.direction, Direction::Neutral);
    EXPECT_EQ(refund.amountCents, 1603);
    EXPECT_TRUE(refund.counted);
    EXPECT_EQ(refund.originalTransactionNo, QString());
    EXPECT_EQ(refund.originalMerchantOrderNo, QStringLiteral("20xxxxxxxxxxxxxxxx5"));
    EXPECT_EQ(refund.original, -1);

    const BillRow &fund = table.rows.at(3); // 不计收支 into 余额宝
    EXPECT_EQ(fund.amountCents, 9934);
    EXPECT_FALSE(fund.counted);
    EXPECT_TRUE(fund.reason.contains(QStringLiteral("余额宝")));
    EXPECT_TRUE(table.rows.at(5).reason.startsWith(QStringLiteral("交易关闭")));

    // the refund of the closed 一卡通 purchase below it: linked, not counted twice
    const BillRow &closedRefund = table.rows.at(6);
    EXPECT_EQ(closedRefund.originalTransactionNo, QStringLiteral("2023xxxxx88"));
    EXPECT_EQ(closedRefund.originalMerchantOrderNo, QStringLiteral("D12*****14"));
    EXPECT_EQ(closedRefund.original, 7);
    EXPECT_FALSE(closedRefund.counted);
    EXPECT_TRUE(closedRefund.reason.contains(QStringLiteral("原交易已关闭")));
    EXPECT_EQ(table.rows.at(7).direction, Direction::Expense);
    EXPECT_FALSE(table.rows.at(7).counted);
    EXPECT_EQ(table.rows.at(8).method, QString());
}

TEST(BillRows, WeChat)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const BillTable table = billsOf(fixture("wechat.csv"), Source::WeChat);
    ASSERT_EQ(table.rows.size(), 27);
    EXPECT_EQ(table.rows.first().line, 18);
    EXPECT_EQ(table.rows.last().line, 44);
    EXPECT_EQ(linesOf(table, Verdict::Income), (QList<int>{19, 22, 37, 38, 40}));
    EXPECT_EQ(sumOf(table, Verdict::Income), 35 + 2300 + 7 + 7 + 500);
    EXPECT_EQ(countOf(table, Verdict::Expense), 11);
    EXPECT_EQ(sumOf(table, Verdict::Expense), 290453);
    // 零钱通, 零钱提现, 信用卡还款, 理财通, 零钱充值
    EXPECT_EQ(linesOf(table, Verdict::Transfer), (QList<int>{23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33}));
    EXPECT_EQ(sumOf(table, Verdict::Transfer), 2610089);
    EXPECT_EQ(countOf(table, Verdict::Closed) + countOf(table, Verdict::Refund) + countOf(table, Verdict::Invalid), 0);

    const BillRow &meal = table.rows.at(0);
    EXPECT_EQ(meal.counterparty, QStringLiteral("云膳过桥米线(传奇广场店)"));
    EXPECT_EQ(meal.transactionNo, QStringLiteral("3985734")); // quoted, then a TAB before the comma
    EXPECT_EQ(meal.remark, QString());                        // "/"
    const BillRow &redPacket = table.rows.at(1);
    EXPECT_EQ(redPacket.category, QStringLiteral("微信红包"));
    EXPECT_EQ(redPacket.verdict, Verdict::Income);
    EXPECT_EQ(redPacket.amountCents, 35);
    const BillRow &withdrawal = table.rows.at(6);
    EXPECT_EQ(withdrawal.category, QStringLiteral("零钱提现"));
    EXPECT_EQ(withdrawal.amountCents, 10010);
    EXPECT_EQ(withdrawal.feeCents, 10);
    EXPECT_EQ(withdrawal.direction, Direction::Neutral);
    EXPECT_TRUE(withdrawal.reason.contains(QStringLiteral("服务费 0.10 元")));
    EXPECT_EQ(table.rows.at(8).feeCents, 100);
    EXPECT_TRUE(table.rows.at(9).reason.startsWith(QStringLiteral("信用卡还款")));
    EXPECT_TRUE(table.rows.at(10).reason.startsWith(QStringLiteral("理财通")));
    EXPECT_EQ(table.rows.at(19).counterparty, QStringLiteral("打开拼多多，点击底部\"多多视频\""));
    EXPECT_EQ(table.rows.at(24).amountCents, 5000); // ¥50.0
}

TEST(BillRows, WeChatBillReadsTheSameFromCsvAndWorkbook)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const BillTable csv = billsOf(fixture("wechat.csv"), Source::WeChat);
    const BillTable xlsx = billsOf(fixture("wechat.xlsx"), Source::WeChat);
    ASSERT_EQ(xlsx.rows.size(), csv.rows.size());
    for (int i = 0; i < csv.rows.size(); ++i) {
        const BillRow &a = csv.rows.at(i);
        const BillRow &b = xlsx.rows.at(i);
        EXPECT_EQ(b.line, a.line + 1) << i; // the workbook has a row of column names above the notes
        EXPECT_EQ(b.date, a.date) << i;
        EXPECT_EQ(b.time, a.time) << i;
        EXPECT_EQ(b.amountCents, a.amountCents) << i;
        EXPECT_EQ(b.verdict, a.verdict) << i;
        EXPECT_EQ(b.counterparty, a.counterparty) << i;
        EXPECT_EQ(b.transactionNo, a.transactionNo) << i;
        EXPECT_EQ(b.feeCents, a.feeCents) << i;
    }
}

TEST(BillRows, ChinaMerchantsBank)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const BillTable table = billsOf(fixture("cmb-debit.csv"), Source::CmbDebit);
    ASSERT_EQ(table.rows.size(), 5);
    EXPECT_EQ(linesOf(table, Verdict::Income), (QList<int>{2}));
    EXPECT_EQ(sumOf(table, Verdict::Income), 123400);
    EXPECT_EQ(linesOf(table, Verdict::Expense), (QList<int>{3, 4, 6}));
    EXPECT_EQ(sumOf(table, Verdict::Expense), 100000 + 300 + 1014);
    EXPECT_EQ(linesOf(table, Verdict::Transfer), (QList<int>{5})); // 银联ATM取款
    EXPECT_EQ(table.rows.at(0).date, QDate(2024, 1, 1));
    EXPECT_FALSE(table.rows.at(0).time.isValid());
    EXPECT_EQ(table.rows.at(0).currency, QStringLiteral("CNY"));
    EXPECT_TRUE(table.rows.at(0).reason.isEmpty());
    for (const BillRow &row : table.rows)
        EXPECT_EQ(row.channel, Channel::None) << row.line;
}

TEST(BillRows, IndustrialAndCommercialBank)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const BillTable table = billsOf(fixture("icbc-debit.csv"), Source::IcbcDebit);
    ASSERT_EQ(table.rows.size(), 11);
    EXPECT_EQ(table.ignoredLines, (QList<int>{20})); // 人民币合计
    EXPECT_EQ(linesOf(table, Verdict::Income), (QList<int>{10, 12, 16}));
    EXPECT_EQ(sumOf(table, Verdict::Income), 123456 + 123456 + 3000);
    EXPECT_EQ(linesOf(table, Verdict::Expense), (QList<int>{8, 13, 15, 17}));
    EXPECT_EQ(sumOf(table, Verdict::Expense), 1340 + 50000 + 123456 + 2400);
    // 自动还款, 掌上生活还款, 蚂蚁基金赎回到银行 (the household's own money coming back)
    EXPECT_EQ(linesOf(table, Verdict::Transfer), (QList<int>{9, 11, 14}));
    EXPECT_TRUE(table.rows.at(6).reason.startsWith(QStringLiteral("理财赎回")));
    EXPECT_EQ(linesOf(table, Verdict::Refund), (QList<int>{18}));

    const BillRow &meal = table.rows.at(0);
    EXPECT_EQ(meal.category, QStringLiteral("消费"));
    EXPECT_EQ(meal.description, QStringLiteral("广东三元麦当劳食品有"));
    EXPECT_EQ(meal.counterparty, QStringLiteral("深圳市财付通支付科技有限公司"));
    EXPECT_EQ(meal.currency, QStringLiteral("人民币"));
    QList<int> wechat;
    QList<int> alipay;
    for (const BillRow &row : table.rows) {
        if (row.channel == Channel::WeChat)
            wechat.append(row.line);
        else if (row.channel == Channel::Alipay)
            alipay.append(row.line);
    }
    EXPECT_EQ(wechat, (QList<int>{8, 17, 18}));
    EXPECT_EQ(alipay, (QList<int>{14}));
    EXPECT_TRUE(meal.counted);
    EXPECT_TRUE(meal.reason.contains(QStringLiteral("微信")));
}

TEST(BillRows, OlderAlipayLayout)
{
    const BillTable table = billsOfData(olderAlipayBill(), Source::AlipayLegacy);
    ASSERT_EQ(table.rows.size(), 6);
    EXPECT_EQ(table.ignoredLines, (QList<int>{12, 13, 14, 15, 16}));
    const BillRow &lunch = table.rows.at(0);
    EXPECT_EQ(lunch.line, 6);
    EXPECT_EQ(lunch.date, QDate(2018, 1, 28));
    EXPECT_EQ(lunch.time, QTime(12, 0, 1));
    EXPECT_EQ(lunch.verdict, Verdict::Expense);
    EXPECT_EQ(lunch.amountCents, 2550);
    EXPECT_EQ(lunch.transactionNo, QStringLiteral("2018012821001004010012345678"));
    EXPECT_EQ(lunch.merchantOrderNo, QStringLiteral("T200P1234"));
    EXPECT_EQ(lunch.category, QStringLiteral("即时到账交易"));
    EXPECT_EQ(table.rows.at(1).verdict, Verdict::Income);
    EXPECT_EQ(table.rows.at(2).verdict, Verdict::Transfer); // 资金转移 into 余额宝
    EXPECT_TRUE(table.rows.at(2).reason.contains(QStringLiteral("余额宝")));
    EXPECT_EQ(table.rows.at(3).verdict, Verdict::Closed);
    EXPECT_TRUE(table.rows.at(3).reason.contains(QStringLiteral("全额退款")));
    const BillRow &someBack = table.rows.at(4);
    EXPECT_EQ(someBack.verdict, Verdict::Expense);
    EXPECT_EQ(someBack.refundedCents, 2000);
    EXPECT_EQ(someBack.reason, QStringLiteral("已部分退款 20.00 元，实际支出 40.00 元"));
    EXPECT_EQ(table.rows.at(5).feeCents, 120);
}

TEST(BillRows, WeChatRefundsFindTheirPurchases)
{
    const QByteArray bill
        = QStringLiteral("微信支付账单明细\n"
                         "交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n"
                         "2024-03-01 12:00:00,商户消费,某店,午饭,支出,¥30.00,零钱,已全额退款,T1\t,M1\t,/\n"
                         "2024-03-02 12:00:00,商户消费-退款,某店,午饭,收入,¥30.00,零钱,已全额退款,R1\t,M1\t,/\n"
                         "2024-03-03 12:00:00,商户消费,另一店,两件,支出,¥50.00,零钱,已退款(￥20.00),T2\t,M2\t,/\n"
                         "2024-03-04 12:00:00,商户消费-退款,另一店,两件,收入,¥20.00,零钱,已退款,R2\t,/\t,/\n"
                         "2024-03-05 12:00:00,转账,朋友,/,支出,¥10.00,零钱,对方已退还,T3\t,/\t,/\n"
                         "2024-03-06 12:00:00,微信红包-退款,/,/,收入,¥0.23,零钱,已退款,R3\t,/\t,/\n"
                         "2024-03-07 12:00:00,商户消费,第三家,/,支出,¥8.00,零钱,支付失败,T4\t,M4\t,/\n"
                         "2024-03-08 12:00:00,商户消费,第三家,/,支出,¥9.00,零钱,退款失败,T5\t,M5\t,/\n")
              .toUtf8();
    const BillTable table = billsOfData(bill, Source::WeChat);
    ASSERT_EQ(table.rows.size(), 8);
    // the last two: a payment that failed, and a purchase whose refund failed
    const QList<Verdict> verdicts = {Verdict::Closed, Verdict::Refund, Verdict::Expense, Verdict::Refund,
                                     Verdict::Closed, Verdict::Refund, Verdict::Closed,  Verdict::Expense};
    for (int i = 0; i < verdicts.size(); ++i)
        EXPECT_EQ(table.rows.at(i).verdict, verdicts.at(i)) << i;
    // refunded in full: the purchase is void and so is its refund
    EXPECT_EQ(table.rows.at(1).original, 0);
    EXPECT_EQ(table.rows.at(1).originalMerchantOrderNo, QStringLiteral("M1"));
    EXPECT_FALSE(table.rows.at(1).counted);
    // some of it refunded: the purchase counts, and the refund against it
    EXPECT_TRUE(table.rows.at(2).counted);
    EXPECT_TRUE(table.rows.at(2).reason.contains(QStringLiteral("部分退款")));
    EXPECT_EQ(table.rows.at(3).original, 2);
    EXPECT_TRUE(table.rows.at(3).counted);
    // a red packet's refund with no purchase in the bill
    EXPECT_EQ(table.rows.at(5).original, -1);
    EXPECT_TRUE(table.rows.at(5).counted);
    qint64 net = 0;
    for (const BillRow &row : table.rows) {
        if (row.counted)
            net += row.verdict == Verdict::Expense ? -row.amountCents : row.amountCents;
    }
    EXPECT_EQ(net, -5000 + 2000 + 23 - 900);
}

TEST(BillRows, KeepsRowsThatDoNotReadAndLeavesOutNotesAndTotals)
{
    const QByteArray bill = "记账日期,货币,交易金额,联机余额,交易摘要,对手信息,客户摘要\n"
                            "2024-13-01,CNY,1.00,1,工资,某公司,\n"
                            "2024-01-02,CNY,abc,1,消费,某店,\n"
                            "2024-01-03,CNY,,1,消费,某店,\n"
                            "2024-01-04,CNY,-2.00\n"
                            "备注：以上为全部交易\n"
                            "2024-01-05,CNY,3.00,1,利息,银行,结息,多余,多余\n"
                            "----------\n"
                            "记账日期,货币,交易金额,联机余额,交易摘要,对手信息,客户摘要\n"
                            "合计,CNY,4.00,,,,\n"
                            ",CNY,5.00,,工资,某公司,\n";
    const BillTable table = billsOfData(bill, Source::CmbDebit);
    QStringList reasons;
    QList<int> lines;
    for (const BillRow &row : table.rows) {
        lines.append(row.line);
        reasons.append(row.verdict == Verdict::Invalid ? row.reason : verdictName(row.verdict));
        if (row.verdict == Verdict::Invalid) {
            EXPECT_FALSE(row.counted) << row.line;
        }
    }
    EXPECT_EQ(lines, (QList<int>{2, 3, 4, 5, 7, 11}));
    EXPECT_EQ(reasons, (QStringList{QStringLiteral("日期无法识别：2024-13-01"), QStringLiteral("金额无法识别：abc"),
                                    QStringLiteral("金额为空"), QStringLiteral("支出"), QStringLiteral("收入"),
                                    QStringLiteral("日期为空")}));
    EXPECT_EQ(table.ignoredLines, (QList<int>{6, 8, 9, 10}));
}
