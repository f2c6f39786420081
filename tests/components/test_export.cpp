// Exporting a grid to a file in its three formats, and printing it to PDF.
#include "components/busy.h"
#include "components/dbgrideh.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "support/python.h"
#include "support/scriptedplatform.h"
#include "support/testdb.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <ctime>

#include <sys/resource.h>

namespace {

const QString ProgramFilter = QStringLiteral("xls （EXCEL电子表格）|xls|txt （文本文件）|txt|htm （网页文件）|htm");
const QByteArray Bom("\xEF\xBB\xBF");

class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ledger = std::make_unique<Dataset>(db.connection());
        ledger->addSql(QStringLiteral("select * from szzb where zbid>0 order by rq"));
        ledger->open();
        addRow(QDate(2026, 3, 1), QStringLiteral("餐饮"), 30.5, QStringLiteral("说\"好\";再\t见<&>"));
        addRow(QDate(2026, 3, 2), QStringLiteral("交通"), 12.25, QString());
        source = std::make_unique<DataSource>(ledger.get());

        GridColumn date = column(QStringLiteral("日期"), QStringLiteral("rq"));
        date.footer = FooterKind::Count;
        date.footerFormat = QStringLiteral("共0条记录");
        GridColumn expense = column(QStringLiteral("支出"), QStringLiteral("zc"));
        expense.displayFormat = QStringLiteral("0.00");
        expense.alignment = Qt::AlignRight | Qt::AlignVCenter;
        expense.footer = FooterKind::Sum;
        expense.footerFormat = QStringLiteral("0.00");
        expense.footerAlignment = Qt::AlignRight | Qt::AlignVCenter;
        grid.setColumns({date, column(QStringLiteral("项目"), QStringLiteral("xm")), expense,
                         column(QStringLiteral("收支人"), QStringLiteral("szr")),
                         column(QStringLiteral("备注"), QStringLiteral("bz"))});
        grid.setColumnVisible(3, false);
        grid.setDataSource(source.get());
        grid.resize(300, 200);
        grid.show();

        dialog.filter = ProgramFilter;
        dialog.title = QStringLiteral("导出数据");
        dialog.defaultExtension = QStringLiteral("xls");
    }

    static GridColumn column(const QString &title, const QString &field)
    {
        GridColumn c;
        c.title = title;
        c.field = field;
        c.width = 90;
        return c;
    }

    void addRow(const QDate &date, const QString &item, double expense, const QString &remark)
    {
        ledger->append();
        ledger->setValue(QStringLiteral("rq"), date);
        ledger->setValue(QStringLiteral("xm"), item);
        ledger->setValue(QStringLiteral("zc"), expense);
        if (!remark.isNull())
            ledger->setValue(QStringLiteral("bz"), remark);
        ledger->post();
    }

    // Adds count rows straight to the table and re-reads the list.
    void addManyRows(int count)
    {
        const QByteArray sql
            = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<%1) "
                             "INSERT INTO szzb (rq, xm, zc) SELECT date('2026-01-01', '+' || (x % 300) "
                             "|| ' days'), '购物' || x, x / 4.0 FROM n")
                  .arg(count)
                  .toUtf8();
        ASSERT_EQ(sqlite3_exec(db.connection()->handle(), sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        ledger->close();
        ledger->open();
    }

    QString exportAs(const QString &name, int filterIndex)
    {
        scripted.chooseFile(dir.filePath(name), filterIndex);
        ExportGrid(&dialog, &grid);
        return dialog.fileName;
    }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ScriptedPlatform scripted;
    TempDatabase db;
    QTemporaryDir dir;
    std::unique_ptr<Dataset> ledger;
    std::unique_ptr<DataSource> source;
    DBGridEh grid;
    SaveDialog dialog;
};

} // namespace

TEST_F(ExportTest, TabSeparatedForTheSpreadsheet)
{
    const QString path = exportAs(QStringLiteral("家庭收支流水帐.xls"), 1);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("家庭收支流水帐.xls.xls"))); // appended whatever the name ends with
    // the hidden 收支人 is left out; a tab inside a cell would split it and becomes a space
    EXPECT_EQ(QString::fromUtf8(contents(path)), QString::fromUtf8(Bom)
                                                     + QStringLiteral("日期\t项目\t支出\t备注\r\n"
                                                                      "2026-03-01\t餐饮\t30.50\t说\"好\";再 见<&>\r\n"
                                                                      "2026-03-02\t交通\t12.25\t\r\n"
                                                                      "共2条记录\t\t42.75\t\r\n"));
    ASSERT_EQ(scripted.fileRequests.size(), 1);
    const FileDialogRequest &asked = scripted.fileRequests.constFirst();
    EXPECT_EQ(asked.filter, ProgramFilter);
    EXPECT_EQ(asked.title, QStringLiteral("导出数据"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("xls"));
}

TEST_F(ExportTest, QuotedTextWithSemicolons)
{
    const QString path = exportAs(QStringLiteral("流水"), 2);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("流水.txt")));
    EXPECT_EQ(QString::fromUtf8(contents(path)),
              QString::fromUtf8(Bom)
                  + QStringLiteral("\"日期\";\"项目\";\"支出\";\"备注\"\r\n"
                                   "\"2026-03-01\";\"餐饮\";\"30.50\";\"说\"\"好\"\";再\t见<&>\"\r\n"
                                   "\"2026-03-02\";\"交通\";\"12.25\";\"\"\r\n"
                                   "\"共2条记录\";\"\";\"42.75\";\"\"\r\n"));
    EXPECT_EQ(dialog.filterIndex, 2); // kept for the next export
}

TEST_F(ExportTest, AWebPageWithOneTable)
{
    const QString path = exportAs(QStringLiteral("流水"), 3);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("流水.htm")));
    const QString expected = QStringLiteral(
        "<!DOCTYPE html>\r\n"
        "<html lang=\"zh-CN\">\r\n"
        "<head>\r\n"
        "<meta charset=\"utf-8\">\r\n"
        "<title>流水</title>\r\n"
        "<style>\r\n"
        "table { border-collapse: collapse; }\r\n"
        "th, td { border: 1px solid #808080; padding: 2px 6px; white-space: nowrap; }\r\n"
        "th { background: #F0F0F0; }\r\n"
        "tfoot td { background: #FFFFE1; }\r\n"
        "</style>\r\n"
        "</head>\r\n"
        "<body>\r\n"
        "<table>\r\n"
        "<thead>\r\n"
        "<tr><th>日期</th><th>项目</th><th>支出</th><th>备注</th></tr>\r\n"
        "</thead>\r\n"
        "<tbody>\r\n"
        "<tr><td>2026-03-01</td><td>餐饮</td><td style=\"text-align:right\">30.50</td>"
        "<td>说&quot;好&quot;;再\t见&lt;&amp;&gt;</td></tr>\r\n"
        "<tr><td>2026-03-02</td><td>交通</td><td style=\"text-align:right\">12.25</td><td></td></tr>\r\n"
        "</tbody>\r\n"
        "<tfoot>\r\n"
        "<tr><td>共2条记录</td><td></td><td style=\"text-align:right\">42.75</td><td></td></tr>\r\n"
        "</tfoot>\r\n"
        "</table>\r\n"
        "</body>\r\n"
        "</html>\r\n");
    EXPECT_EQ(QString::fromUtf8(contents(path)), expected);
}

TEST_F(ExportTest, DisplayOrderAnEmptyListAndReplacing)
{
    QHeaderView *titles = grid.view()->horizontalHeader();
    titles->moveSection(titles->visualIndex(4), 0); // 备注 first
    grid.setColumnVisible(1, false);
    ledger->requery(QStringLiteral("select * from szzb where zc<0"));
    const QString path = dir.filePath(QStringLiteral("空.xls"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older, longer export that must disappear entirely");
    old.close();

    exportAs(QStringLiteral("空"), 1);
    EXPECT_EQ(contents(path), Bom + QStringLiteral("备注\t日期\t支出\r\n\t共0条记录\t0.00\r\n").toUtf8());
}

TEST_F(ExportTest, NothingWithoutAnOpenListOrAChosenFile)
{
    ledger->close();
    ExportGrid(&dialog, &grid);
    EXPECT_TRUE(scripted.fileRequests.isEmpty()); // not even the dialog

    ledger->open();
    dialog.fileName = QStringLiteral("上次");
    scripted.cancelFileDialog();
    ExportGrid(&dialog, &grid);
    EXPECT_EQ(scripted.fileRequests.size(), 1);
    EXPECT_EQ(dialog.fileName, QStringLiteral("上次"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // the dialog proposes what was chosen last time
    exportAs(QStringLiteral("流水"), 3);
    scripted.cancelFileDialog();
    ExportGrid(&dialog, &grid);
    ASSERT_EQ(scripted.fileRequests.size(), 3);
    EXPECT_EQ(scripted.fileRequests.at(2).fileName, dir.filePath(QStringLiteral("流水.htm")));
    EXPECT_EQ(scripted.fileRequests.at(2).filterIndex, 3);
}

TEST_F(ExportTest, AnUnwritableFileThrowsAClearMessage)
{
    const QString path = dir.filePath(QStringLiteral("没有的目录/流水"));
    scripted.chooseFile(path, 1);
    try {
        ExportGrid(&dialog, &grid);
        FAIL() << "no exception";
    } catch (const std::exception &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QDir::toNativeSeparators(path + QStringLiteral(".xls"))))
            << e.what();
    }
    // inside a handler's guard it reaches the general error box
    scripted.chooseFile(path, 2);
    guard([this] { ExportGrid(&dialog, &grid); });
    ASSERT_EQ(scripted.errors().size(), 1);
    EXPECT_TRUE(scripted.errors().constFirst().contains(QStringLiteral("流水.txt")));
}

TEST_F(ExportTest, EveryRowIsWrittenWithoutMovingTheGrid)
{
    addManyRows(25000);
    ledger->moveTo(12345);
    QScrollBar *updown = grid.view()->verticalScrollBar();
    const int scrolled = updown->value();
    ASSERT_GT(scrolled, 0);

    const QString path = exportAs(QStringLiteral("大"), 1);
    const QList<QByteArray> lines = contents(path).split('\n');
    ASSERT_EQ(lines.size(), 1 + 25002 + 1 + 1); // titles, rows, footer, nothing after the last CR LF
    EXPECT_EQ(lines.at(25004), QByteArray());
    EXPECT_EQ(lines.at(25003), QStringLiteral("共25002条记录\t\t%1\t\r").arg(grid.footerText(2)).toUtf8());
    // the last row, read by position like every other
    EXPECT_EQ(QString::fromUtf8(lines.at(25002)).section(QLatin1Char('\t'), 1, 2),
              grid.cellText(25001, 1) + QLatin1Char('\t') + grid.cellText(25001, 2));
    EXPECT_EQ(ledger->currentRow(), 12345);
    EXPECT_EQ(updown->value(), scrolled);
}

TEST_F(ExportTest, CancellingALongExportLeavesNoFile)
{
    addManyRows(30000);
    // the text and the workbook, given up when the bar is halfway
    for (int format : {2, 4}) {
        bool sawProgress = false;
        int cancelledAt = -1;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, &grid, [&] {
            auto *progress = grid.findChild<QProgressDialog *>();
            if (!progress || cancelledAt >= 0)
                return;
            sawProgress = progress->isVisible() && progress->windowModality() == Qt::WindowModal;
            if (progress->value() >= progress->maximum() / 2) {
                cancelledAt = progress->value();
                progress->cancel();
            }
        });
        watch.start();
        exportAs(QStringLiteral("大"), format);
        watch.stop();
        EXPECT_TRUE(sawProgress) << format;
        EXPECT_GE(cancelledAt, 15000) << format;
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << QDir(dir.path()).entryList().join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(scripted.errors().isEmpty());
    }
}

namespace {

// The text of a page range of a PDF, compatibility characters folded (the
// CJK font maps some ideographs to radicals of the same look).
QString pdfText(const QString &path, int page = 0)
{
    QProcess tool;
    QStringList arguments;
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    tool.start(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-"));
    if (!tool.waitForFinished(60000))
        return QString();
    QString text = QString::fromUtf8(tool.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    text.replace(QChar(0x2ED8), QChar(0x9752)); // ⻘ -> 青, a radical without a compatibility mapping
    return text;
}

int pdfPages(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {path});
    tool.waitForFinished(60000);
    for (const QString &line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

TEST_F(ExportTest, PrintingToPdfCarriesHeaderFooterAndEveryPage)
{
    GridPrinter printer;
    printer.setGrid(&grid);
    printer.pageHeaderCentre() << QStringLiteral("家庭收支流水帐");
    printer.pageFooterCentre() << QStringLiteral("青禾家庭doz V 2.0 版权所有");
    const QString small = dir.filePath(QStringLiteral("small.pdf"));
    ASSERT_TRUE(printer.printToPdf(small));
    ASSERT_GT(QFileInfo(small).size(), 0);
    ASSERT_EQ(contents(small).left(5), QByteArray("%PDF-"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed: only the file was checked";

    const QString text = pdfText(small);
    for (const char *expected : {"家庭收支流水帐", "青禾家庭doz V 2.0 版权所有", "日期", "30.50", "共2条记录", "42.75"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("收支人"))); // hidden
    EXPECT_EQ(pdfPages(small), 1);

    // 150 rows go down several pages, columns too wide for one page across two
    addManyRows(148);
    ledger->moveTo(77);
    for (int c = 0; c < grid.columns().size(); ++c)
        grid.view()->setColumnWidth(c, 300);
    const QString large = dir.filePath(QStringLiteral("large.pdf"));
    ASSERT_TRUE(printer.printToPdf(large));
    EXPECT_EQ(ledger->currentRow(), 77);
    const int pages = pdfPages(large);
    ASSERT_GE(pages, 4);
    ASSERT_EQ(pages % 2, 0); // each band of rows on two pages across
    QSet<QString> items;
    for (int page = 1; page <= pages; ++page) {
        const QString onPage = pdfText(large, page);
        EXPECT_TRUE(onPage.contains(QStringLiteral("家庭收支流水帐"))) << page;
        EXPECT_TRUE(onPage.contains(QStringLiteral("青禾家庭doz V 2.0"))) << page;
        // 600 px of 778 fit: 日期 项目 on the left pages, 支出 备注 on the right ones,
        // their titles repeated on every page
        EXPECT_EQ(onPage.contains(QStringLiteral("项目")), page % 2 == 1) << page;
        EXPECT_EQ(onPage.contains(QStringLiteral("备注")), page % 2 == 0) << page;
        EXPECT_EQ(onPage.contains(QStringLiteral("共150条记录")), page == pages - 1) << page;
        for (const QString &word : onPage.split(QRegularExpression(QStringLiteral("\\s+"))))
            if (word.startsWith(QStringLiteral("购物")))
                items.insert(word);
    }
    EXPECT_EQ(items.size(), 148);                                    // every row printed once
    EXPECT_TRUE(pdfText(large, pages).contains(grid.footerText(2))); // the sum, right of the count

    EXPECT_FALSE(printer.printToPdf(dir.filePath(QStringLiteral("没有的目录/x.pdf"))));
}

TEST_F(ExportTest, TextsThatLookLikeFormulasStayText)
{
    addRow(QDate(2026, 3, 3), QStringLiteral("=1+1"), 1, QStringLiteral("@SUM(A1:A3)"));
    addRow(QDate(2026, 3, 4), QStringLiteral("+86"), 2, QStringLiteral("-2"));
    const QString tabs = QString::fromUtf8(contents(exportAs(QStringLiteral("a"), 1)));
    EXPECT_TRUE(tabs.contains(QStringLiteral("2026-03-03\t'=1+1\t1.00\t'@SUM(A1:A3)\r\n"))) << tabs.toStdString();
    EXPECT_TRUE(tabs.contains(QStringLiteral("2026-03-04\t'+86\t2.00\t'-2\r\n"))) << tabs.toStdString();
    const QString quoted = QString::fromUtf8(contents(exportAs(QStringLiteral("b"), 2)));
    EXPECT_TRUE(quoted.contains(QStringLiteral("\"2026-03-03\";\"'=1+1\";\"1.00\";\"'@SUM(A1:A3)\"")))
        << quoted.toStdString();
    // numbers stay numbers, also negative ones
    ledger->first();
    ledger->edit();
    ledger->setValue(QStringLiteral("zc"), -5);
    ledger->post();
    EXPECT_TRUE(QString::fromUtf8(contents(exportAs(QStringLiteral("c"), 1))).contains(QStringLiteral("\t-5.00\t")));
    // the web page shows the texts as they are
    const QString html = QString::fromUtf8(contents(exportAs(QStringLiteral("d"), 3)));
    EXPECT_TRUE(html.contains(QStringLiteral(">=1+1<"))) << html.toStdString();
}

TEST_F(ExportTest, AFailedPrintoutLeavesTheOldFileWhole)
{
    const QString path = dir.filePath(QStringLiteral("list.pdf"));
    GridPrinter printer;
    printer.setGrid(&grid);
    ASSERT_TRUE(printer.printToPdf(path));
    const QByteArray first = contents(path);
    printer.setGrid(nullptr); // nothing to print: the printout fails
    EXPECT_FALSE(printer.printToPdf(path));
    EXPECT_EQ(contents(path), first);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.pdf")}); // no leftovers
    printer.setGrid(&grid);
    addManyRows(60);
    ASSERT_TRUE(printer.printToPdf(path)); // a good printout replaces it
    EXPECT_NE(contents(path), first);
}

TEST_F(ExportTest, ALongPrintoutShowsItsProgressAndCanBeGivenUp)
{
    addManyRows(3000);
    BusyIndicator::setShowDelay(0);
    QString shown;
    QTimer::singleShot(50, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->objectName() == BusyIndicator::ProgressName) {
                shown = p->labelText();
                p->cancel();
            }
    });
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    GridPrinter printer;
    printer.setGrid(&grid);
    EXPECT_FALSE(printer.printToPdf(path)); // given up: no file
    BusyIndicator::setShowDelay(1000);
    EXPECT_EQ(shown, QStringLiteral("正在排版 3002 条记录……"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    // not given up, it is whole
    EXPECT_TRUE(printer.printToPdf(path));
    EXPECT_GT(QFileInfo(path).size(), 0);
}

namespace {

// What an independent reader (openpyxl) finds in a workbook: per row, per
// cell "value|type|number format|bold", and the column widths.
QStringList readWorkbook(const QString &path)
{
    const char *script = R"PY(
import datetime, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows():
    cells = []
    for c in row:
        v = c.value
        t = type(v).__name__
        if isinstance(v, datetime.datetime):
            v = v.isoformat(sep=' ')
        cells.append('%s|%s|%s|%s' % (v, t, c.number_format, 'b' if c.font.b else ''))
    print('\t'.join(cells))
print('widths', ' '.join('%.2f' % ws.column_dimensions[k].width for k in 'ABCD'))
)PY";
    QProcess python;
    python.start(systemPython(), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QStringLiteral("failed: ") + QString::fromUtf8(python.readAllStandardError())};
    return QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool hasOpenpyxl()
{
    return QProcess::execute(systemPython(), {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
}

} // namespace

TEST_F(ExportTest, AnExcelWorkbookThatAnotherReaderReadsBack)
{
    grid.view()->setColumnWidth(4, 140);
    const QString path = exportAs(QStringLiteral("流水"), 4);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("流水.xlsx")));
    ASSERT_EQ(contents(path).left(2), QByteArray("PK")); // a zip package
    if (!hasOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const QStringList rows = readWorkbook(path);
    ASSERT_EQ(rows.size(), 5) << rows.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rows[0],
              QStringLiteral("日期|str|General|b\t项目|str|General|b\t支出|str|General|b\t备注|str|General|b"));
    EXPECT_EQ(rows[1], QStringLiteral("2026-03-01 00:00:00|datetime|yyyy-mm-dd|\t餐饮|str|General|\t"
                                      "30.5|float|0.00|\t说\"好\";再\t见<&>|str|General|"));
    EXPECT_EQ(rows[2], QStringLiteral("2026-03-02 00:00:00|datetime|yyyy-mm-dd|\t交通|str|General|\t"
                                      "12.25|float|0.00|\tNone|NoneType|General|"));
    EXPECT_EQ(rows[3], QStringLiteral("共2条记录|str|General|b\tNone|NoneType|General|\t"
                                      "42.75|float|0.00|b\tNone|NoneType|General|"));
    // widths follow the grid, about 7 pixels to a digit and a cell's padding
    const QStringList widths = rows[4].split(QLatin1Char(' ')).mid(1);
    ASSERT_EQ(widths.size(), 4);
    const QList<int> shown = {0, 1, 2, 4};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(widths[i].toDouble(), grid.view()->columnWidth(shown[i]) / 7.0 + 0.71, 0.1) << i;
    EXPECT_GT(widths[3].toDouble(), widths[0].toDouble());
}

TEST_F(ExportTest, TimeStampsAcrossADaylightSavingChangeAreWrittenAsStored)
{
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3"); // a rule, so no zone database is needed
    tzset();
    struct Restore
    {
        QByteArray zone;
        ~Restore()
        {
            if (zone.isNull())
                qunsetenv("TZ");
            else
                qputenv("TZ", zone);
            tzset();
        }
    } restore{oldZone};
    // the local zone really skips that hour here
    const QDateTime skipped(QDate(2026, 3, 29), QTime(2, 30));
    ASSERT_TRUE(!skipped.isValid() || skipped.time() != QTime(2, 30) || skipped.offsetFromUtc() != 3600)
        << skipped.isValid() << " " << skipped.offsetFromUtc();

    const QStringList stamps = {QStringLiteral("2026-03-29 02:30:00"), QStringLiteral("2026-03-29 01:59:59"),
                                QStringLiteral("2026-10-25 02:30:00"), QStringLiteral("2026-10-25 03:00:00")};
    db.exec(QStringLiteral("delete from szzb"));
    for (const QString &stamp : stamps)
        db.exec(
            QStringLiteral("insert into szzb (rq,xm,zc,jzsj) values ('%1','餐饮',1,'%2')").arg(stamp.left(10), stamp));
    ledger->close();
    ledger->clearSql();
    ledger->addSql(QStringLiteral("select * from szzb order by zbid"));
    ledger->open();
    GridColumn stamp = column(QStringLiteral("记帐时间"), QStringLiteral("jzsj"));
    grid.setColumns({column(QStringLiteral("日期"), QStringLiteral("rq")), stamp});

    for (int row = 0; row < stamps.size(); ++row)
        EXPECT_EQ(grid.cellText(row, 1), stamps[row]);
    const QString text = QString::fromUtf8(contents(exportAs(QStringLiteral("时间"), 1)));
    for (const QString &s : stamps)
        EXPECT_TRUE(text.contains(s.left(10) + QLatin1Char('\t') + s + QStringLiteral("\r\n")))
            << s.toStdString() << "\n"
            << text.toStdString();

    // the workbook holds the same wall-clock times
    const QString book = exportAs(QStringLiteral("时间"), 4);
    if (!hasOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const QStringList rows = readWorkbook(book);
    ASSERT_GE(rows.size(), stamps.size() + 1);
    for (int row = 0; row < stamps.size(); ++row)
        EXPECT_TRUE(rows[row + 1].contains(stamps[row] + QStringLiteral("|datetime|"))) << rows[row + 1].toStdString();

    // and editing a row leaves the stored time as it was
    ledger->first();
    ledger->edit();
    ledger->setValue(QStringLiteral("zc"), 2);
    ledger->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select jzsj from szzb where zbid=(select min(zbid) from szzb)")), stamps[0]);
}

namespace {

// Every cell of a workbook as openpyxl reads it, after Python's zipfile has
// checked each member's checksum: per row a list of [value, openpyxl's
// data type, number format]. Texts are given back with Excel's escapes
// _xHHHH_ read as Excel reads them (openpyxl leaves them as they are);
// numbers as numbers, dates and times as "yyyy-mm-dd hh:mm:ss".
QJsonArray workbookCells(const QString &path)
{
    const char *script = R"PY(
import datetime, json, re, sys, zipfile, openpyxl
if zipfile.ZipFile(sys.argv[1]).testzip():
    sys.exit('bad checksum')
ws = openpyxl.load_workbook(sys.argv[1]).active
escape = re.compile('_x([0-9A-Fa-f]{4})_')
rows = []
for row in ws.iter_rows():
    cells = []
    for c in row:
        v = c.value
        if isinstance(v, str):
            v = escape.sub(lambda m: chr(int(m.group(1), 16)), v)
        elif isinstance(v, datetime.datetime):
            v = v.isoformat(sep=' ')
        cells.append([v, c.data_type, c.number_format])
    rows.append(cells)
print(json.dumps(rows))
)PY";
    QProcess python;
    python.start(systemPython(), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        ADD_FAILURE() << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

} // namespace

TEST_F(ExportTest, AWorkbookOfManyRowsReadsBackRowByRow)
{
    addManyRows(25000); // many chunks of rows and of the deflated sheet
    const QString path = exportAs(QStringLiteral("大"), 4);
    if (!hasOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const QJsonArray rows = workbookCells(path);
    const int count = ledger->recordCount();
    ASSERT_EQ(count, 25002);
    ASSERT_EQ(rows.size(), 1 + count + 1);
    for (int row = 0; row < count; ++row) {
        const QJsonArray cells = rows.at(row + 1).toArray();
        ASSERT_GE(cells.size(), 3) << row;
        EXPECT_EQ(cells.at(0).toArray().at(0).toString(), grid.cellText(row, 0) + QStringLiteral(" 00:00:00")) << row;
        EXPECT_EQ(cells.at(1).toArray().at(0).toString(), grid.cellText(row, 1)) << row;
        double expense = 0;
        ASSERT_TRUE(ledger->numberAt(row, ledger->fieldIndex(QStringLiteral("zc")), &expense)) << row;
        EXPECT_EQ(cells.at(2).toArray().at(0).toDouble(), expense) << row;
        EXPECT_EQ(cells.at(2).toArray().at(2).toString(), QStringLiteral("0.00")) << row;
    }
    const QJsonArray footer = rows.last().toArray();
    EXPECT_EQ(footer.at(0).toArray().at(0).toString(), QStringLiteral("共25002条记录"));
    EXPECT_EQ(QString::number(footer.at(2).toArray().at(0).toDouble(), 'f', 2), grid.footerText(2));
}

TEST_F(ExportTest, HostileTextsInAWorkbookComeBackAsTheyWere)
{
    const QString emoji = QString::fromUtf8("😀");
    // remark as stored, as read back (a null QString: the cell is left out)
    const QList<std::pair<QString, QString>> texts = {
        {QStringLiteral("a\x01"
                        "b\x1F"
                        "c\x7F"),
         QStringLiteral("a\x01"
                        "b\x1F"
                        "c\x7F")},
        {QStringLiteral("一\r\n二\r三\n四\t五"), QStringLiteral("一\r\n二\r三\n四\t五")},
        {QStringLiteral("_x0041_ and _x005F_ and _x12_"), QStringLiteral("_x0041_ and _x005F_ and _x12_")},
        {QStringLiteral("  both ends  "), QStringLiteral("  both ends  ")},
        {QStringLiteral("\nafter a break"), QStringLiteral("\nafter a break")},
        {QStringLiteral("<b>&amp;\"'</b>"), QStringLiteral("<b>&amp;\"'</b>")},
        {QStringLiteral("=1+1"), QStringLiteral("=1+1")},
        {QStringLiteral("@SUM(A1:A3)"), QStringLiteral("@SUM(A1:A3)")},
        {QStringLiteral("+86 -2"), QStringLiteral("+86 -2")},
        {QStringLiteral("x") + QChar(0xFFFF) + QStringLiteral("y"), QStringLiteral("x\uFFFDy")},
        {emoji + QStringLiteral("青禾"), emoji + QStringLiteral("青禾")},
        // Excel's limit of 32 767 characters (UTF-16 units) to a cell
        {QString(32767, QLatin1Char('b')), QString(32767, QLatin1Char('b'))},
        {QString(32768, QLatin1Char('c')), QString()},
        {QString(32767, QChar(0x9752)), QString(32767, QChar(0x9752))},
        {emoji.repeated(16383) + QLatin1Char('d'), emoji.repeated(16383) + QLatin1Char('d')},
        {emoji.repeated(16384), QString()},
    };
    db.exec(QStringLiteral("delete from szzb"));
    for (int i = 0; i < texts.size(); ++i)
        addRow(QDate(2026, 4, 1).addDays(i), QStringLiteral("项目"), 1, texts[i].first);
    // bytes that are not UTF-8, as an older program may have stored them
    db.exec(QStringLiteral("insert into szzb (rq,xm,zc,bz) values ('2027-01-01','坏',1,cast(X'61FF62' as text))"));
    db.exec(
        QStringLiteral("insert into szzb (rq,xm,zc,bz) values ('2027-01-02','坏',1,cast(X'61EDA080E0A062' as text))"));
    ledger->close();
    ledger->open();
    ASSERT_EQ(ledger->recordCount(), texts.size() + 2);

    const QString path = exportAs(QStringLiteral("难"), 4);
    if (!hasOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const QJsonArray rows = workbookCells(path);
    ASSERT_EQ(rows.size(), 1 + texts.size() + 2 + 1);
    const auto remark = [&](int row) {
        return rows.at(row + 1).toArray().at(3).toArray();
    };
    for (int i = 0; i < texts.size(); ++i) {
        const QJsonArray cell = remark(i);
        if (texts[i].second.isNull()) {
            EXPECT_TRUE(cell.at(0).isNull()) << i;
            continue;
        }
        EXPECT_EQ(cell.at(0).toString(), texts[i].second) << i;
        EXPECT_EQ(cell.at(1).toString(), QStringLiteral("s")) << i; // a text, never a formula
    }
    EXPECT_EQ(remark(texts.size()).at(0).toString(), QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(remark(texts.size() + 1).at(0).toString(), QStringLiteral("a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDb"));
}

TEST_F(ExportTest, DatesFromTheStartOfTheSpreadsheetsCalendar)
{
    db.exec(QStringLiteral("delete from szzb"));
    ledger->close();
    ledger->open();
    // Excel counts a 29 February 1900 that never was; before 1900 it has no days
    for (const QDate &day : {QDate(1899, 12, 31), QDate(1900, 1, 1), QDate(1900, 2, 28), QDate(1900, 3, 1)})
        addRow(day, QStringLiteral("早"), 1, QString());
    if (!hasOpenpyxl())
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const QStringList rows = readWorkbook(exportAs(QStringLiteral("早"), 4));
    ASSERT_EQ(rows.size(), 1 + 4 + 1 + 1) << rows.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("1899-12-31|str|General|\t"))) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("1900-01-01 00:00:00|datetime|yyyy-mm-dd|\t")))
        << rows[2].toStdString();
    EXPECT_TRUE(rows[3].startsWith(QStringLiteral("1900-02-28 00:00:00|datetime|yyyy-mm-dd|\t")))
        << rows[3].toStdString();
    EXPECT_TRUE(rows[4].startsWith(QStringLiteral("1900-03-01 00:00:00|datetime|yyyy-mm-dd|\t")))
        << rows[4].toStdString();
}

TEST_F(ExportTest, AWorkbookThatCannotBeFinishedLeavesTheOldFileAndNothingElse)
{
    const QString path = dir.filePath(QStringLiteral("流水.xlsx"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the last export");
    old.close();
    addManyRows(30000);

    // the file system refuses the sheet part of the way through
    struct rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    struct Restore
    {
        struct rlimit limit;
        void (*signal)(int);
        ~Restore()
        {
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, signal);
        }
    } restore{limit, std::signal(SIGXFSZ, SIG_IGN)};
    struct rlimit small = limit;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    scripted.chooseFile(dir.filePath(QStringLiteral("流水")), 4);
    try {
        ExportGrid(&dialog, &grid);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QDir::toNativeSeparators(path))) << e.what();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("流水.xlsx")});
    EXPECT_EQ(contents(path), QByteArray("the last export"));

    // and a workbook that is written is its owner's alone
    setrlimit(RLIMIT_FSIZE, &limit);
    exportAs(QStringLiteral("流水"), 4);
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    EXPECT_EQ(contents(path).left(2), QByteArray("PK"));
}
