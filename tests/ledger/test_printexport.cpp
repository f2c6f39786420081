// Printing and exporting the ledger.
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "support/app/appfixture.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

namespace {

class PrintExport : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr) values "
                            "(#2026-3-1#,'支出','交通','打车',0,30,-30,'现金','机场;\"快\"','管理员')"));
        platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 5, 6)));
        start();
        page = mainWindow->TabSheet1;
        mainWindow->ToolButton1->click();
        platform.setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0))); // printing happens later
    }

    LedgerPage *page = nullptr;
};

QString pdfText(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    tool.waitForFinished(60000);
    QString text = QString::fromUtf8(tool.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    return text.remove(QLatin1Char(' '));
}

} // namespace

TEST_F(PrintExport, PrintingCarriesTheTitleAndTheStartTime)
{
    const QString pdf = db->dir() + QStringLiteral("ledger.pdf");
    platform.onDialog(QStringLiteral("PrintPreview"),
                      [this, pdf](QDialog *) { EXPECT_TRUE(mainWindow->PrintDBGridEh1->printToPdf(pdf)); });
    page->BitBtn4->click();
    EXPECT_EQ(mainWindow->PrintDBGridEh1->pageHeaderCentre(),
              QStringList{QStringLiteral("家  庭  收  支  流  水  帐")});
    platform.onDialog(QStringLiteral("PrintPreview"), [](QDialog *) {});
    page->BitBtn4->click(); // the header is cleared before each printout
    EXPECT_EQ(mainWindow->PrintDBGridEh1->pageHeaderCentre().size(), 1);
    EXPECT_EQ(mainWindow->PrintDBGridEh1->grid(), page->DBGridEh1);
    ASSERT_TRUE(QFile::exists(pdf));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("打印时间:2026-12-0908:05:06"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("-30.00"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("共1条记录"))) << text.toStdString();
}

TEST_F(PrintExport, ExportAppendsTheExtensionAndWritesEveryRow)
{
    const QString name = db->dir() + QStringLiteral("家庭收支流水帐.xls");
    platform.chooseFile(name, 1);
    page->BitBtn5->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    EXPECT_EQ(platform.fileRequests[0].fileName, QStringLiteral("家庭收支流水帐"));
    EXPECT_EQ(platform.fileRequests[0].filter,
              QStringLiteral("xls （EXCEL电子表格）|xls|txt （文本文件）|txt|htm （网页文件）|htm|"
                             "xlsx （Excel 工作簿）|xlsx"));
    QFile file(name + QStringLiteral(".xls"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("序号\t日期\t类型\t费用项目")));
    EXPECT_TRUE(text.contains(QStringLiteral("打车\t0.00\t30.00\t-30.00\t现金\t机场;\"快\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("共1条记录")));
    EXPECT_EQ(mainWindow->SaveDialog1->fileName, name + QStringLiteral(".xls"));

    platform.chooseFile(db->dir() + QStringLiteral("list"), 2);
    page->BitBtn5->click();
    QFile txt(db->dir() + QStringLiteral("list.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(txt.readAll()).contains(QStringLiteral("\"机场;\"\"快\"\"\"")));

    platform.chooseFile(db->dir() + QStringLiteral("nowhere/list"), 3);
    page->BitBtn5->click(); // a file that cannot be written: the general error box
    EXPECT_EQ(platform.errors().size(), 1);
}
