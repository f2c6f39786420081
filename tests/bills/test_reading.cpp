// Reading bill files into tables of cells: encodings, CSV quoting, the
// disguises of .xls, workbooks, password-protected archives.
#include "billtests.h"

#include "bills/layouts.h"
#include "bills/numbertext.h"

#include <QStringEncoder>

#include <xlsxwriter.h>

using namespace Bills;
using namespace BillTests;

namespace {

QList<QStringList> rowsOf(const ReadResult &read, int sheet = 0)
{
    return read.ok() && sheet < read.document.sheets.size() ? read.document.sheets.at(sheet).rows
                                                            : QList<QStringList>();
}

// A workbook written by libxlsxwriter: a sheet of notes, then the bill with
// a date-time, a date in a Chinese format, numbers in a money format and
// cells left empty. constantMemory makes the writer use inline strings
// instead of shared ones.
bool writeWorkbook(const QString &path, bool constantMemory)
{
    lxw_workbook_options options = {};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *workbook = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!workbook)
        return false;
    lxw_worksheet *notes = workbook_add_worksheet(workbook, "说明");
    worksheet_write_string(notes, 0, 0, "账单说明", nullptr);
    lxw_worksheet *bill = workbook_add_worksheet(workbook, "明细");
    lxw_format *stamp = workbook_add_format(workbook);
    format_set_num_format(stamp, "yyyy-mm-dd hh:mm:ss");
    lxw_format *day = workbook_add_format(workbook);
    format_set_num_format(day, "yyyy\"年\"m\"月\"d\"日\"");
    lxw_format *money = workbook_add_format(workbook);
    format_set_num_format(money, "\"¥\"#,##0.00;[Red]-\"¥\"#,##0.00");
    worksheet_write_string(bill, 0, 0, "交易时间", nullptr);
    worksheet_write_string(bill, 0, 1, "金额", nullptr);
    worksheet_write_string(bill, 0, 2, "备注", nullptr);
    lxw_datetime evening = {2023, 2, 12, 21, 32, 14};
    worksheet_write_datetime(bill, 1, 0, &evening, stamp);
    worksheet_write_number(bill, 1, 1, 12.5, money);
    worksheet_write_string(bill, 1, 2, "  备注\t", nullptr);
    lxw_datetime newYear = {2024, 1, 1, 0, 0, 0};
    worksheet_write_datetime(bill, 2, 0, &newYear, day);
    worksheet_write_number(bill, 2, 1, -1000, money);
    worksheet_write_string(bill, 4, 3, "D5", nullptr);
    return workbook_close(workbook) == LXW_NO_ERROR;
}

// The members of a minimal workbook around sheetXml, made by hand so that
// they can be anything.
QList<Member> handMadeWorkbook(const QByteArray &sheetXml, const QByteArray &sharedStrings = QByteArray())
{
    QList<Member> members = {
        {QStringLiteral("[Content_Types].xml"), "<?xml version=\"1.0\"?><Types/>"},
        {QStringLiteral("xl/workbook.xml"),
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
         "Target=\"sharedStrings.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml},
    };
    if (!sharedStrings.isEmpty())
        members.append({QStringLiteral("xl/sharedStrings.xml"), sharedStrings});
    return members;
}

QByteArray sheetXml(const QByteArray &rows)
{
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + rows
           + "</sheetData></worksheet>";
}

} // namespace

TEST(BillFile, DecidesTheEncodingByTheBytesNotTheName)
{
    // U+20000 takes four bytes in GB18030
    const QString text = QStringLiteral("交易时间,说明\n2023-01-01 10:00:00,支付宝\U00020000\n");
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const struct
    {
        const char *what;
        QByteArray bytes;
        QString encoding;
    } cases[] = {
        {"GBK/GB18030", gbk(text), QStringLiteral("GB18030")},
        {"UTF-8", text.toUtf8(), QStringLiteral("UTF-8")},
        {"UTF-8 with BOM", "\xef\xbb\xbf" + text.toUtf8(), QStringLiteral("UTF-8")},
        {"UTF-16 with BOM", "\xff\xfe" + QByteArray(utf16.encode(text)), QStringLiteral("UTF-16")},
    };
    const QList<QStringList> expected = {{QStringLiteral("交易时间"), QStringLiteral("说明")},
                                         {QStringLiteral("2023-01-01 10:00:00"), QStringLiteral("支付宝\U00020000")}};
    for (const auto &c : cases) {
        const ReadResult read = readData(c.bytes);
        ASSERT_TRUE(read.ok()) << c.what << ": " << read.error.toStdString();
        EXPECT_EQ(read.document.encoding, c.encoding) << c.what;
        EXPECT_EQ(read.document.format, Format::Csv) << c.what;
        EXPECT_EQ(rowsOf(read), expected) << c.what;
    }

    const ReadResult neither = readData(QByteArray("a,b\n\x81\x20,c\n"));
    EXPECT_EQ(neither.status, ReadStatus::Failed);
    EXPECT_TRUE(neither.error.contains(QStringLiteral("字符编码"))) << neither.error.toStdString();
    const ReadResult binary = readData(QByteArray("a,b\n1,\0\x01\x02\n", 10));
    EXPECT_EQ(binary.status, ReadStatus::Failed);
    EXPECT_TRUE(binary.error.contains(QStringLiteral("二进制"))) << binary.error.toStdString();
}

TEST(BillFile, ReadsQuotedCellsLineEndingsAndTrimsEveryCell)
{
    const QByteArray csv = QStringLiteral("名称,说明,金额\r\n"
                                          "\"A, B\",\"他说\"\"好\"\"\",1\r\n"
                                          "\"两行\n的说明\",x,2\n"
                                          "\"3985734\"\t,\u3000padded\t ,3\r"
                                          "plain \"quote\" inside,,4\n"
                                          ",,\n"
                                          "last,row,5")
                               .toUtf8();
    const ReadResult read = readData(csv);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    const Sheet &sheet = read.document.sheets.first();
    EXPECT_EQ(sheet.rows,
              (QList<QStringList>{{QStringLiteral("名称"), QStringLiteral("说明"), QStringLiteral("金额")},
                                  {QStringLiteral("A, B"), QStringLiteral("他说\"好\""), QStringLiteral("1")},
                                  {QStringLiteral("两行\n的说明"), QStringLiteral("x"), QStringLiteral("2")},
                                  {QStringLiteral("3985734"), QStringLiteral("padded"), QStringLiteral("3")},
                                  {QStringLiteral("plain \"quote\" inside"), QString(), QStringLiteral("4")},
                                  {QStringLiteral("last"), QStringLiteral("row"), QStringLiteral("5")}}));
    // the line a record begins on, counting the break inside the quotes, a
    // lone CR, and the blank record left out
    EXPECT_EQ(sheet.lines, (QList<int>{1, 2, 3, 5, 6, 8}));
}

TEST(BillFile, TellsTabSeparatedTextFromCellsPaddedWithTabs)
{
    // a bank's "xls" that is GBK text separated by TABs
    const ReadResult tsv
        = readData(gbk(QStringLiteral("交易日期\t摘要\t金额\r\n2024-01-02\t\"工资, 一月\"\t1,234.00\r\n")));
    ASSERT_TRUE(tsv.ok()) << tsv.error.toStdString();
    EXPECT_EQ(tsv.document.format, Format::TabSeparated);
    EXPECT_EQ(tsv.document.encoding, QStringLiteral("GB18030"));
    EXPECT_EQ(rowsOf(tsv).value(1),
              (QStringList{QStringLiteral("2024-01-02"), QStringLiteral("工资, 一月"), QStringLiteral("1,234.00")}));

    // commas between cells that end in TABs, as 工商银行 writes them
    const ReadResult padded = readData("a \t,\"b \t\",c\t,\n1 \t,\"2 \t\",3\t,\n");
    ASSERT_TRUE(padded.ok()) << padded.error.toStdString();
    EXPECT_EQ(padded.document.format, Format::Csv);
    EXPECT_EQ(rowsOf(padded).value(1), (QStringList{"1", "2", "3", ""}));
}

TEST(BillFile, ReadsAnHtmlTableSavedAsXls)
{
    const QString html = QStringLiteral(
        "<html><head><meta charset=\"gb2312\"><style>td{color:red}</style>\n"
        "<script>var s = \"<tr><td>not a cell</td></tr>\";</script></head>\n"
        "<body><table border=1>\n"
        "<tr><th>交易日期</th><th>摘要</th><th colspan=\"2\">金额</th></tr>\n"
        "<tr><td>2024-01-02</td><td>工资&amp;奖金<br>一月</td><td>&yen;1,234.00</td><td>&#20803;</td></tr>\n"
        "<!-- <tr><td>hidden</td></tr> -->\n"
        "<tr><td> &nbsp; </td><td></td></tr>\n"
        "<TR><TD>2024-01-03</TD><TD><b>消费</b>\n  &lt;超市&gt;</TD><TD>-5.00</TD><TD></TD></TR>\n"
        "</table></body></html>\n");
    const ReadResult read = readData(gbk(html));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.document.format, Format::Html);
    const Sheet &sheet = read.document.sheets.first();
    EXPECT_EQ(sheet.rows,
              (QList<QStringList>{
                  {QStringLiteral("交易日期"), QStringLiteral("摘要"), QStringLiteral("金额"), QString()},
                  {QStringLiteral("2024-01-02"), QStringLiteral("工资&奖金 一月"), QStringLiteral("¥1,234.00"),
                   QStringLiteral("元")},
                  {QStringLiteral("2024-01-03"), QStringLiteral("消费 <超市>"), QStringLiteral("-5.00"), QString()}}));
    EXPECT_EQ(sheet.lines, (QList<int>{4, 5, 8}));
}

TEST(BillFile, ReadsAnExcel2003XmlSpreadsheet)
{
    const QByteArray xml
        = "<?xml version=\"1.0\"?>\n"
          "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
          "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
          "<Worksheet ss:Name=\"明细\"><Table>\n"
          "<Row><Cell><Data ss:Type=\"String\">交易日期</Data></Cell><Cell><Data ss:Type=\"String\">金额</Data></Cell>"
          "<Cell ss:Index=\"4\"><Data ss:Type=\"String\">备注</Data></Cell></Row>\n"
          "<Row ss:Index=\"3\"><Cell><Data ss:Type=\"DateTime\">2024-01-02T08:30:00.000</Data></Cell>"
          "<Cell><Data ss:Type=\"Number\">548.58000000000004</Data></Cell>"
          "<Cell ss:MergeAcross=\"1\"><Data ss:Type=\"String\">合并</Data></Cell>"
          "<Cell><Data ss:Type=\"String\">尾</Data></Cell></Row>\n"
          "</Table></Worksheet></Workbook>\n";
    const ReadResult read = readData(xml);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.document.format, Format::SpreadsheetXml);
    const Sheet &sheet = read.document.sheets.first();
    EXPECT_EQ(sheet.name, QStringLiteral("明细"));
    EXPECT_EQ(sheet.rows, (QList<QStringList>{
                              {QStringLiteral("交易日期"), QStringLiteral("金额"), QString(), QStringLiteral("备注")},
                              {QStringLiteral("2024-01-02 08:30:00"), QStringLiteral("548.58"), QStringLiteral("合并"),
                               QString(), QStringLiteral("尾")}}));
    EXPECT_EQ(sheet.lines, (QList<int>{1, 3}));
}

TEST(BillFile, ReadsWorkbooksWithSharedOrInlineStringsDatesAndNumbers)
{
    QTemporaryDir dir;
    for (const bool constantMemory : {false, true}) {
        const QString path = dir.filePath(QStringLiteral("bill%1.xlsx").arg(constantMemory));
        ASSERT_TRUE(writeWorkbook(path, constantMemory));
        const ReadResult read = readFile(path);
        ASSERT_TRUE(read.ok()) << read.error.toStdString();
        EXPECT_EQ(read.document.format, Format::Xlsx);
        ASSERT_EQ(read.document.sheets.size(), 2);
        EXPECT_EQ(read.document.sheets.at(0).name, QStringLiteral("说明"));
        const Sheet &bill = read.document.sheets.at(1);
        EXPECT_EQ(bill.name, QStringLiteral("明细"));
        EXPECT_EQ(
            bill.rows,
            (QList<QStringList>{{QStringLiteral("交易时间"), QStringLiteral("金额"), QStringLiteral("备注")},
                                {QStringLiteral("2023-02-12 21:32:14"), QStringLiteral("12.5"), QStringLiteral("备注")},
                                {QStringLiteral("2024-01-01"), QStringLiteral("-1000")},
                                {QString(), QString(), QString(), QStringLiteral("D5")}}))
            << "constant memory " << constantMemory;
        EXPECT_EQ(bill.lines, (QList<int>{1, 2, 3, 5}));
    }
}

TEST(BillFile, ShowsWorkbookNumbersAsExcelDoes)
{
    // numbers as workbooks store them, and what Excel shows for them
    const struct
    {
        const char *stored;
        const char *shown;
    } cases[] = {{"548.58000000000004", "548.58"},
                 {"7.0000000000000007E-2", "0.07"},
                 {"0.30000000000000004", "0.3"},
                 {"9.9999999999999995E+2", "1000"},
                 {"-1234.5", "-1234.5"},
                 {"1E+3", "1000"},
                 {"1.5e-3", "0.0015"},
                 {"0", "0"},
                 {"12", "12"},
                 {"4200000069201710299246843141", "4200000069201710000000000000"},
                 {"N/A", "N/A"},
                 {"1e999", "1e999"}};
    for (const auto &c : cases)
        EXPECT_EQ(NumberText::plainNumber(QString::fromLatin1(c.stored)), QLatin1String(c.shown)) << c.stored;

    const NumberText::DateShown day = NumberText::dateShownBy(14, QString());
    const NumberText::DateShown stamp = NumberText::dateShownBy(164, u"yyyy/mm/dd\\ hh:mm");
    const NumberText::DateShown money = NumberText::dateShownBy(165, u"\"¥\"#,##0.00;[Red]-\"¥\"#,##0.00");
    const NumberText::DateShown month = NumberText::dateShownBy(166, u"[$-804]yyyy\"年\"m\"月\"");
    EXPECT_TRUE(day.date && !day.time);
    EXPECT_TRUE(stamp.date && stamp.time);
    EXPECT_FALSE(money.any());
    EXPECT_TRUE(month.date && !month.time);
    EXPECT_EQ(NumberText::serialDateText(u"44969.897384259261", false, stamp), QStringLiteral("2023-02-12 21:32:14"));
    EXPECT_EQ(NumberText::serialDateText(u"45292", false, day), QStringLiteral("2024-01-01"));
    EXPECT_EQ(NumberText::serialDateText(u"59", false, day), QStringLiteral("1900-02-28"));
    EXPECT_EQ(NumberText::serialDateText(u"61", false, day), QStringLiteral("1900-03-01"));
    EXPECT_EQ(NumberText::serialDateText(u"43830", true, day), QStringLiteral("2024-01-01"));
    EXPECT_EQ(NumberText::serialDateText(u"0.5", false, NumberText::dateShownBy(21, QString())),
              QStringLiteral("12:00:00"));
    EXPECT_EQ(NumberText::serialDateText(u"-3", false, day), QStringLiteral("-3"));
}

TEST(BillFile, ReadsBothSheetsOfTheWeChatWorkbookAlike)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    const ReadResult read = readFile(fixture("wechat.xlsx"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    ASSERT_EQ(read.document.sheets.size(), 2);
    // the first sheet writes amounts as text ("¥548.58"), the second as
    // numbers in a money format (548.58000000000004)
    EXPECT_EQ(read.document.sheets.at(0).name, QStringLiteral("example-wechat-records"));
    const Sheet &numbers = read.document.sheets.at(1);
    EXPECT_EQ(numbers.rows.value(numbers.lines.indexOf(28)).value(5), QStringLiteral("548.58"));
    QList<QList<qint64>> amounts;
    for (const Sheet &sheet : read.document.sheets) {
        Document single;
        single.sheets = {sheet};
        const BillTable table = billRows(single, recognise(single));
        EXPECT_EQ(table.source, Source::WeChat);
        QList<qint64> cents;
        for (const BillRow &row : table.rows)
            cents.append(row.amountCents);
        amounts.append(cents);
    }
    EXPECT_EQ(amounts.at(0).size(), 27);
    EXPECT_EQ(amounts.at(0), amounts.at(1));
}

TEST(BillFile, OpensAnEncryptedArchiveOnlyWithItsPassword)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    QTemporaryDir dir;
    const QByteArray bill = readAll(fixture("alipay-2023.csv"));
    for (const zip_uint16_t method : {zip_uint16_t(ZIP_EM_AES_256), zip_uint16_t(ZIP_EM_TRAD_PKWARE)}) {
        const QString path = dir.filePath(QStringLiteral("alipay-%1.zip").arg(method));
        ASSERT_TRUE(makeZip(path, {{QStringLiteral("支付宝交易明细(20230210-20230213).csv"), bill}}, "123456", method));

        const ReadResult locked = readFile(path);
        EXPECT_EQ(locked.status, ReadStatus::NeedsPassword) << locked.error.toStdString();
        EXPECT_FALSE(locked.error.isEmpty());
        const ReadResult wrong = readFile(path, QStringLiteral("654321"));
        EXPECT_EQ(wrong.status, ReadStatus::WrongPassword) << wrong.error.toStdString();
        EXPECT_TRUE(wrong.document.sheets.isEmpty());

        const ReadResult open = readFile(path, QStringLiteral("123456"));
        ASSERT_TRUE(open.ok()) << open.error.toStdString();
        EXPECT_TRUE(open.document.fromArchive);
        EXPECT_EQ(open.document.encoding, QStringLiteral("GB18030"));
        const Recognition recognition = recognise(open.document);
        EXPECT_EQ(recognition.source, Source::Alipay);
        EXPECT_EQ(billRows(open.document, recognition).rows.size(), 10);
    }

    // the old ZIP method checks a password by one byte: one wrong password in
    // 256 passes it and fails only in the data, which is still a wrong password
    const QString old = dir.filePath(QStringLiteral("alipay-%1.zip").arg(ZIP_EM_TRAD_PKWARE));
    for (int i = 0; i < 1500; ++i) {
        const ReadResult wrong = readFile(old, QStringLiteral("x%1").arg(i));
        ASSERT_EQ(wrong.status, ReadStatus::WrongPassword) << i << ": " << wrong.error.toStdString();
    }

    // 微信 sends its workbook in an encrypted archive
    const QString wechat = dir.filePath(QStringLiteral("wechat.zip"));
    ASSERT_TRUE(makeZip(
        wechat, {{QStringLiteral("微信支付账单(20190801-20190930).xlsx"), readAll(fixture("wechat.xlsx"))}}, "778899"));
    EXPECT_EQ(readFile(wechat).status, ReadStatus::NeedsPassword);
    const ReadResult workbook = readFile(wechat, QStringLiteral("778899"));
    ASSERT_TRUE(workbook.ok()) << workbook.error.toStdString();
    EXPECT_EQ(workbook.document.format, Format::Xlsx);
    EXPECT_TRUE(workbook.document.fromArchive);
    EXPECT_EQ(recognise(workbook.document).source, Source::WeChat);
}

TEST(BillFile, ReadsTheOneFileOfAnArchiveAndRefusesOtherArchives)
{
    QTemporaryDir dir;
    const QByteArray csv = "交易日期,金额\n2024-01-01,1.00\n";
    const QString plain = dir.filePath(QStringLiteral("plain.zip"));
    ASSERT_TRUE(makeZip(plain, {{QStringLiteral("__MACOSX/._bill.csv"), "junk"},
                                {QStringLiteral("账单/"), QByteArray()},
                                {QStringLiteral("账单/bill.csv"), csv}}));
    const ReadResult read = readFile(plain, QStringLiteral("ignored"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_TRUE(read.document.fromArchive);
    EXPECT_EQ(rowsOf(read).size(), 2);

    const QString two = dir.filePath(QStringLiteral("two.zip"));
    ASSERT_TRUE(makeZip(two, {{QStringLiteral("a.csv"), csv}, {QStringLiteral("b.csv"), csv}}));
    const ReadResult both = readFile(two);
    EXPECT_EQ(both.status, ReadStatus::Failed);
    EXPECT_TRUE(both.error.contains(QStringLiteral("2 个文件"))) << both.error.toStdString();

    const QString nested = dir.filePath(QStringLiteral("nested.zip"));
    ASSERT_TRUE(makeZip(nested, {{QStringLiteral("inner.zip"), readAll(plain)}}));
    EXPECT_EQ(readFile(nested).status, ReadStatus::Failed);

    const QString empty = dir.filePath(QStringLiteral("empty.zip"));
    ASSERT_TRUE(makeZip(empty, {{QStringLiteral("folder/"), QByteArray()}}));
    const ReadResult none = readFile(empty);
    EXPECT_EQ(none.status, ReadStatus::Failed);
    EXPECT_FALSE(none.error.isEmpty());
}

TEST(BillFile, SaysClearlyWhatItCannotRead)
{
    QTemporaryDir dir;
    const struct
    {
        const char *what;
        QByteArray bytes;
        QString mentions;
    } cases[] = {
        {"BIFF workbook", QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(504, '\0'),
         QStringLiteral(".xls")},
        {"PDF", "%PDF-1.7\n", QStringLiteral("PDF")},
        {"empty file", QByteArray(), QStringLiteral("空")},
        {"damaged zip", QByteArray("PK\x03\x04", 4) + QByteArray(100, 'x'), QStringLiteral("压缩包")},
    };
    for (const auto &c : cases) {
        const ReadResult read = readFile(write(dir, QStringLiteral("file"), c.bytes));
        EXPECT_EQ(read.status, ReadStatus::Failed) << c.what;
        EXPECT_TRUE(read.error.contains(c.mentions)) << c.what << ": " << read.error.toStdString();
    }
    const ReadResult missing = readFile(dir.filePath(QStringLiteral("missing.csv")));
    EXPECT_EQ(missing.status, ReadStatus::Failed);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("找不到"))) << missing.error.toStdString();
}

TEST(BillFileLimits, RefusesGarbageAndOversizedTextWithoutCrashing)
{
    QByteArray garbage(1 << 16, '\0');
    quint32 seed = 42;
    for (char &c : garbage) { // a fixed linear congruential sequence
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    EXPECT_EQ(readData(garbage).status, ReadStatus::Failed);
    EXPECT_EQ(readData("PK\x03\x04" + garbage).status, ReadStatus::Failed);

    const ReadResult hugeLine = readData(QByteArray(2 << 20, 'a'));
    EXPECT_EQ(hugeLine.status, ReadStatus::Failed);
    EXPECT_TRUE(hugeLine.error.contains(QStringLiteral("超过 32768 个字符"))) << hugeLine.error.toStdString();
    const ReadResult hugeQuoted = readData("a,b\n1,\"" + QByteArray(1 << 20, 'x') + "\"\n");
    EXPECT_TRUE(hugeQuoted.error.contains(QStringLiteral("第 2 行"))) << hugeQuoted.error.toStdString();

    const ReadResult unterminated = readData("a,b\n1,\"open\n2,3\n4,5\n");
    EXPECT_EQ(unterminated.status, ReadStatus::Failed);
    EXPECT_EQ(unterminated.error, QStringLiteral("第 2 行的引号没有闭合"));

    const ReadResult wide = readData(QByteArray(300, ',') + "\n");
    EXPECT_TRUE(wide.error.contains(QStringLiteral("超过 256 列"))) << wide.error.toStdString();

    Limits small;
    small.maxRows = 10;
    small.maxFileBytes = 1000;
    QByteArray tenRows;
    for (int i = 0; i < 10; ++i)
        tenRows += "2024-01-01,1.00\n";
    EXPECT_TRUE(readData(tenRows, QString(), small).ok());
    const ReadResult eleven = readData(tenRows + "\n\n2024-01-02,2.00\n", QString(), small);
    EXPECT_EQ(eleven.error, QStringLiteral("行数超过 10 行的上限"));
    small.maxCells = 15; // ten rows of two cells
    EXPECT_EQ(readData(tenRows, QString(), small).error, QStringLiteral("单元格总数超过 15 个的上限"));
    const ReadResult big = readData(QByteArray(1001, 'a'), QString(), small);
    EXPECT_TRUE(big.error.startsWith(QStringLiteral("文件过大"))) << big.error.toStdString();
    QTemporaryDir dir;
    const ReadResult bigFile = readFile(write(dir, QStringLiteral("big.csv"), QByteArray(1001, 'a')), QString(), small);
    EXPECT_TRUE(bigFile.error.startsWith(QStringLiteral("文件过大"))) << bigFile.error.toStdString();
}

TEST(BillFileLimits, RefusesWorkbooksThatInflateOrOverreach)
{
    QTemporaryDir dir;
    auto readMembers = [&](const QList<Member> &members, const Limits &limits = Limits()) {
        const QString path = dir.filePath(QStringLiteral("book.xlsx"));
        EXPECT_TRUE(makeZip(path, members));
        return readFile(path, QString(), limits);
    };
    const QByteArray cell = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
    ASSERT_TRUE(readMembers(handMadeWorkbook(sheetXml(cell))).ok());

    // a sheet of 8 MB of blanks that compresses to a few kilobytes
    Limits tight;
    tight.maxEntryBytes = 1 << 20;
    const ReadResult bomb = readMembers(handMadeWorkbook(sheetXml(cell + QByteArray(8 << 20, ' '))), tight);
    EXPECT_EQ(bomb.status, ReadStatus::Failed);
    EXPECT_TRUE(bomb.error.contains(QStringLiteral("超过 1 MB"))) << bomb.error.toStdString();
    // members within the bound each, but not together
    tight.maxTotalBytes = 1 << 20;
    const ReadResult total
        = readMembers(handMadeWorkbook(sheetXml(cell + QByteArray(600 << 10, ' ')),
                                       "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                           + QByteArray(600 << 10, ' ') + "</sst>"),
                      tight);
    EXPECT_TRUE(total.error.contains(QStringLiteral("工作簿解压后超过"))) << total.error.toStdString();

    Limits fewEntries;
    fewEntries.maxEntries = 5;
    QList<Member> crowded = handMadeWorkbook(sheetXml(cell));
    crowded.append({QStringLiteral("x1"), "1"});
    crowded.append({QStringLiteral("x2"), "2"});
    EXPECT_TRUE(readMembers(crowded, fewEntries).error.contains(QStringLiteral("超过 5 个")));

    const ReadResult farColumn
        = readMembers(handMadeWorkbook(sheetXml("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c></row>")));
    EXPECT_TRUE(farColumn.error.contains(QStringLiteral("超过 256 列"))) << farColumn.error.toStdString();

    const ReadResult missingString = readMembers(handMadeWorkbook(
        sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>"),
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a</t></si></sst>"));
    EXPECT_TRUE(missingString.error.contains(QStringLiteral("不存在的字符串"))) << missingString.error.toStdString();

    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]>"
                              + sheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&c;</t></is></c></row>");
    const ReadResult entities = readMembers(handMadeWorkbook(laughs));
    EXPECT_TRUE(entities.error.contains(QStringLiteral("DTD"))) << entities.error.toStdString();

    const ReadResult broken = readMembers(handMadeWorkbook("<worksheet><sheetData><row>"));
    EXPECT_EQ(broken.status, ReadStatus::Failed);
    EXPECT_TRUE(broken.error.contains(QStringLiteral("工作簿已损坏"))) << broken.error.toStdString();
}

TEST(BillFileLimits, StopsAtTheBoundWhenAnArchiveUnderstatesASize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liar.zip"));
    ASSERT_TRUE(makeZip(path, {{QStringLiteral("bill.csv"), QByteArray(3 << 20, 'a')}}));
    QByteArray bytes = readAll(path);
    // declare 100 bytes uncompressed, in the local and the central header
    auto declare = [&bytes](const QByteArray &signature, int offset) {
        const qsizetype at = bytes.indexOf(signature);
        ASSERT_GE(at, 0);
        bytes[at + offset] = 100;
        bytes[at + offset + 1] = bytes[at + offset + 2] = bytes[at + offset + 3] = 0;
    };
    declare(QByteArray("PK\x03\x04", 4), 22);
    declare(QByteArray("PK\x01\x02", 4), 24);
    Limits limits;
    limits.maxEntryBytes = 1 << 20;
    const ReadResult read = readData(bytes, QString(), limits);
    EXPECT_EQ(read.status, ReadStatus::Failed);
    EXPECT_TRUE(read.error.contains(QStringLiteral("超过 1 MB"))) << read.error.toStdString();
}
