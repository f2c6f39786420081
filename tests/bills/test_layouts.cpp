// Recognising where a bill comes from by the names in its header row, and
// remembering the user's mapping of a layout the program does not know.
#include "billtests.h"

#include "bills/layouts.h"

using namespace Bills;
using namespace BillTests;

namespace {

QByteArray quotedCsv(const QList<QStringList> &rows)
{
    QByteArray csv = "\xef\xbb\xbf";
    for (const QStringList &row : rows) {
        QStringList cells;
        for (QString cell : row)
            cells.append(u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"');
        csv += cells.join(u',').toUtf8() + "\r\n";
    }
    return csv;
}

// A statement of a bank the program does not know, its notes and rows
// given, its columns in the order of names.
QByteArray unknownBankStatement(const QStringList &names)
{
    const QHash<QString, QStringList> columns = {
        {QStringLiteral("记账日期"), {QStringLiteral("2024-03-01"), QStringLiteral("2024-03-02")}},
        {QStringLiteral("记账时间"), {QStringLiteral("09:15:02"), QStringLiteral("18:00:00")}},
        {QStringLiteral("币别"), {QStringLiteral("人民币"), QStringLiteral("人民币")}},
        {QStringLiteral("金额"), {QStringLiteral("-35.50"), QStringLiteral("5,000.00")}},
        {QStringLiteral("余额"), {QStringLiteral("1,000.00"), QStringLiteral("6,000.00")}},
        {QStringLiteral("交易名称"), {QStringLiteral("网上快捷支付"), QStringLiteral("工资")}},
        {QStringLiteral("附言"), {QStringLiteral("美团"), QStringLiteral("三月工资")}},
        {QStringLiteral("对方账户名"), {QStringLiteral("支付宝-美团"), QStringLiteral("某公司")}},
        {QStringLiteral("网点名称"), {QString(), QStringLiteral("某支行")}},
    };
    QList<QStringList> rows = {{QStringLiteral("交易流水明细清单")}, {QStringLiteral("账号：6217****1234")}, names};
    for (int r = 0; r < 2; ++r) {
        QStringList row;
        for (const QString &name : names)
            row.append(columns.value(name).value(r));
        rows.append(row);
    }
    return quotedCsv(rows);
}

} // namespace

TEST(BillLayouts, RecognisesEveryFixtureByItsHeader)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const struct
    {
        const char *file;
        Source source;
        int sheet;
        int headerLine;
        Field field;
        const char16_t *column;
    } cases[] = {
        {"alipay-2023.csv", Source::Alipay, 0, 25, Field::Method, u"收/付款方式"},
        {"wechat.csv", Source::WeChat, 0, 17, Field::Amount, u"金额(元)"},
        {"wechat.xlsx", Source::WeChat, 0, 18, Field::MerchantOrderNo, u"商户单号"},
        {"cmb-debit.csv", Source::CmbDebit, 0, 1, Field::Description, u"客户摘要"},
        {"icbc-debit.csv", Source::IcbcDebit, 0, 7, Field::Expense, u"记账金额(支出)"},
    };
    for (const auto &c : cases) {
        const ReadResult read = readFile(fixture(c.file));
        ASSERT_TRUE(read.ok()) << c.file << ": " << read.error.toStdString();
        const Recognition recognition = recognise(read.document);
        EXPECT_EQ(recognition.source, c.source) << c.file;
        EXPECT_EQ(recognition.sheet, c.sheet) << c.file;
        ASSERT_GE(recognition.headerRow, 0) << c.file;
        const Sheet &sheet = read.document.sheets.at(recognition.sheet);
        EXPECT_EQ(sheet.lines.at(recognition.headerRow), c.headerLine) << c.file;
        EXPECT_EQ(recognition.mapping.column(c.field), QString::fromUtf16(c.column)) << c.file;
        const int column = recognition.column(c.field);
        ASSERT_GE(column, 0) << c.file;
        EXPECT_EQ(sheet.rows.at(recognition.headerRow).at(column), QString::fromUtf16(c.column)) << c.file;
        EXPECT_EQ(recognition.layoutKey, layoutKey(sheet.rows.at(recognition.headerRow))) << c.file;
    }
}

TEST(BillLayouts, RecognisesTheOlderAlipayLayout)
{
    const ReadResult read = readData(olderAlipayBill());
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    const Recognition recognition = recognise(read.document);
    EXPECT_EQ(recognition.source, Source::AlipayLegacy);
    EXPECT_EQ(read.document.sheets.first().lines.at(recognition.headerRow), 5);
    EXPECT_EQ(recognition.mapping.column(Field::Date), QStringLiteral("交易创建时间"));
    EXPECT_EQ(recognition.mapping.column(Field::Amount), QStringLiteral("金额（元）"));
    EXPECT_EQ(recognition.mapping.column(Field::MerchantOrderNo), QStringLiteral("商户订单号"));
    EXPECT_EQ(recognition.column(Field::Refunded), 13);
    EXPECT_EQ(recognition.column(Field::Fee), 12);
}

TEST(BillLayouts, RecognisesAResavedAlipayBillByItsNames)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const ReadResult original = readFile(fixture("alipay-2023.csv"));
    ASSERT_TRUE(original.ok());
    const Recognition first = recognise(original.document);
    const Sheet &sheet = original.document.sheets.first();
    // saved again by a spreadsheet: UTF-8 with BOM, no notes, every cell
    // quoted, the columns in reverse order and one of the user's own added
    QList<QStringList> rows;
    for (int r = first.headerRow; r < sheet.rows.size(); ++r) {
        QStringList row = sheet.rows.at(r);
        std::reverse(row.begin(), row.end());
        row.insert(3, r == first.headerRow ? QStringLiteral("标签") : QStringLiteral("\"家用\""));
        rows.append(row);
    }
    QTemporaryDir dir;
    const ReadResult resaved = readFile(write(dir, QStringLiteral("支付宝.csv"), quotedCsv(rows)));
    ASSERT_TRUE(resaved.ok()) << resaved.error.toStdString();
    EXPECT_EQ(resaved.document.encoding, QStringLiteral("UTF-8"));
    const Recognition second = recognise(resaved.document);
    EXPECT_EQ(second.source, Source::Alipay);
    EXPECT_EQ(second.headerRow, 0);
    EXPECT_NE(second.column(Field::Amount), first.column(Field::Amount));

    const BillTable before = billRows(original.document, first);
    const BillTable after = billRows(resaved.document, second);
    ASSERT_EQ(after.rows.size(), before.rows.size());
    for (int i = 0; i < before.rows.size(); ++i) {
        const BillRow &a = before.rows.at(i);
        const BillRow &b = after.rows.at(i);
        EXPECT_EQ(b.date, a.date) << i;
        EXPECT_EQ(b.time, a.time) << i;
        EXPECT_EQ(b.direction, a.direction) << i;
        EXPECT_EQ(b.amountCents, a.amountCents) << i;
        EXPECT_EQ(b.verdict, a.verdict) << i;
        EXPECT_EQ(b.counted, a.counted) << i;
        EXPECT_EQ(b.counterparty, a.counterparty) << i;
        EXPECT_EQ(b.transactionNo, a.transactionNo) << i;
        EXPECT_EQ(b.merchantOrderNo, a.merchantOrderNo) << i;
        EXPECT_EQ(b.original, a.original) << i;
    }
}

TEST(BillLayouts, RemembersAMappedLayoutByItsKey)
{
    const QStringList names = {QStringLiteral("记账日期"), QStringLiteral("记账时间"),   QStringLiteral("币别"),
                               QStringLiteral("金额"),     QStringLiteral("余额"),       QStringLiteral("交易名称"),
                               QStringLiteral("附言"),     QStringLiteral("对方账户名"), QStringLiteral("网点名称")};
    const ReadResult first = readData(unknownBankStatement(names));
    ASSERT_TRUE(first.ok()) << first.error.toStdString();
    const Recognition unknown = recognise(first.document);
    EXPECT_EQ(unknown.source, Source::Unknown);
    EXPECT_EQ(unknown.headerRow, 2); // past the two notes
    EXPECT_EQ(unknown.layoutKey, layoutKey(names));
    EXPECT_TRUE(billRows(first.document, unknown).rows.isEmpty());

    // the user maps the columns; the caller keeps the mapping as text under the key
    ColumnMapping mapping;
    mapping.setColumn(Field::Date, QStringLiteral("记账日期"));
    mapping.setColumn(Field::Time, QStringLiteral("记账时间"));
    mapping.setColumn(Field::Amount, QStringLiteral("金额"));
    mapping.setColumn(Field::Counterparty, QStringLiteral("对方账户名"));
    mapping.setColumn(Field::Description, QStringLiteral("附言"));
    mapping.setColumn(Field::Category, QStringLiteral("交易名称"));
    Recognition mapped;
    QString why;
    ASSERT_TRUE(applyMapping(first.document, unknown.sheet, unknown.headerRow, mapping, &mapped, &why))
        << why.toStdString();
    EXPECT_EQ(mapped.source, Source::Mapped);
    const BillTable bills = billRows(first.document, mapped);
    ASSERT_EQ(bills.rows.size(), 2);
    EXPECT_EQ(bills.rows.at(0).time, QTime(9, 15, 2));
    EXPECT_EQ(bills.rows.at(0).amountCents, 3550);
    EXPECT_EQ(bills.rows.at(0).direction, Direction::Expense);
    EXPECT_EQ(bills.rows.at(0).channel, Channel::Alipay);
    EXPECT_EQ(bills.rows.at(1).amountCents, 500000);
    EXPECT_EQ(bills.rows.at(1).verdict, Verdict::Income);
    QHash<QString, ColumnMapping> remembered;
    ColumnMapping stored;
    ASSERT_TRUE(ColumnMapping::fromText(mapping.toText(), &stored));
    remembered.insert(unknown.layoutKey, stored);

    // the next statement of that bank: recognised, whatever the order of its columns
    QStringList reordered = names;
    std::reverse(reordered.begin(), reordered.end());
    const ReadResult next = readData(unknownBankStatement(reordered));
    ASSERT_TRUE(next.ok());
    const Recognition again = recognise(next.document, remembered);
    EXPECT_EQ(again.source, Source::Mapped);
    EXPECT_EQ(again.layoutKey, unknown.layoutKey);
    const BillTable nextBills = billRows(next.document, again);
    ASSERT_EQ(nextBills.rows.size(), 2);
    EXPECT_EQ(nextBills.rows.at(1).amountCents, 500000);
    EXPECT_EQ(nextBills.rows.at(1).description, QStringLiteral("三月工资"));

    // a layout with a column fewer is another layout
    const ReadResult other = readData(unknownBankStatement(names.mid(0, 8)));
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(recognise(other.document, remembered).source, Source::Unknown);

    mapping.setColumn(Field::Remark, QStringLiteral("用途"));
    EXPECT_FALSE(applyMapping(first.document, unknown.sheet, unknown.headerRow, mapping, &mapped, &why));
    EXPECT_EQ(why, QStringLiteral("表头里没有“用途”列"));
}

TEST(BillLayouts, KeysDependOnlyOnTheSetOfNames)
{
    const QString key
        = layoutKey({QStringLiteral("交易日期"), QStringLiteral("金额（元）"), QStringLiteral(" 备 注 ")});
    EXPECT_EQ(key.size(), 16);
    EXPECT_EQ(key, layoutKey({QStringLiteral("备注"), QStringLiteral("金额(元)"), QString(), QStringLiteral("交易日期"),
                              QStringLiteral("备注")}));
    EXPECT_NE(key, layoutKey({QStringLiteral("交易日期"), QStringLiteral("金额")}));
    EXPECT_NE(key, layoutKey({QStringLiteral("交易日期"), QStringLiteral("金额（元）"), QStringLiteral("备注"),
                              QStringLiteral("余额")}));
}

TEST(BillLayouts, MappingsReadBackFromTheirTextAndRefuseUnusableOnes)
{
    ColumnMapping mapping;
    mapping.setColumn(Field::Date, QStringLiteral("交易日期"));
    mapping.setColumn(Field::Income, QStringLiteral("收入金额"));
    mapping.setColumn(Field::Expense, QStringLiteral("支出金额"));
    mapping.setColumn(Field::Counterparty, QStringLiteral("对方\"户名\""));
    mapping.setColumn(Field::TransactionNo, QStringLiteral("流水号"));
    mapping.positiveIsExpense = true;
    const QString text = mapping.toText();
    EXPECT_LT(text.size(), 200) << text.toStdString();
    ColumnMapping back;
    ASSERT_TRUE(ColumnMapping::fromText(text, &back));
    EXPECT_EQ(back, mapping);

    QString why;
    ColumnMapping untouched = back;
    const struct
    {
        const char *text;
        const char16_t *why;
    } refused[] = {
        {"", u"保存的列对应关系无法读取"},
        {"[1]", u"保存的列对应关系无法读取"},
        {"{\"v\":2,\"date\":\"日期\",\"amount\":\"金额\"}", u"保存的列对应关系无法读取"},
        {"{\"v\":1,\"date\":7,\"amount\":\"金额\"}", u"保存的列对应关系无法读取"},
        {"{\"v\":1,\"amount\":\"金额\"}", u"没有选择日期列"},
        {"{\"v\":1,\"date\":\"日期\"}", u"没有选择金额列"},
        {"{\"v\":1,\"date\":\"日期\",\"amount\":\"金额\",\"income\":\"收入\"}",
         u"金额列只能选一种：一列带正负号的金额，或者收入、支出各一列"},
    };
    for (const auto &r : refused) {
        EXPECT_FALSE(ColumnMapping::fromText(QString::fromUtf8(r.text), &back, &why)) << r.text;
        EXPECT_EQ(why, QString::fromUtf16(r.why)) << r.text;
        EXPECT_EQ(back, untouched) << r.text;
    }
    // names of later versions are left aside
    ASSERT_TRUE(ColumnMapping::fromText(
        QStringLiteral("{\"v\":1,\"date\":\"日期\",\"amount\":\"金额\",\"labelColumn\":\"标签\"}"), &back));
    EXPECT_EQ(back.column(Field::Amount), QStringLiteral("金额"));
    EXPECT_FALSE(back.positiveIsExpense);
}
