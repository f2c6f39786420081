// The category summary and its pie.
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "components/piechart.h"
#include "data/tdm.h"
#include "stats/summarypage.h"
#include "support/app/appfixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

namespace {

class Summary : public AppFixture
{
protected:
    void SetUp() override
    {
        const char *rows[] = {
            "(#2026-1-1#,'支出','餐饮','午餐',0,30,-30,'现金')",
            "(#2026-1-2#,'支出','餐饮','晚餐',0,70,-70,'银行卡')",
            "(#2026-2-1#,'支出','交通','打车',0,50,-50,'O''Brien卡')",
            "(#2026-2-2#,'收入','工资收入','奖金',1000,0,1000,'银行卡')",
            "(#2026-12-9#,'支出','购物','日用品',0,20,-20,'现金')",
            "(#2025-12-31#,'支出','餐饮','午餐',0,999,-999,'现金')",
        };
        for (const char *r : rows)
            exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr) values %1").arg(QString::fromUtf8(r)));
        exec(QStringLiteral("insert into jtcy (cyxm) values ('O''Brien卡')"));
        start();
        page = mainWindow->TabSheet2;
        summary = dm->ADOQFlhz;
        mainWindow->ToolButton2->click();
    }

    // The groups of the last summary: "key:count:gross".
    QStringList groups() const
    {
        QStringList out;
        for (int row = 0; row < summary->recordCount(); ++row)
            out.append(summary->textAt(row, summary->fieldIndex(QStringLiteral("flxm"))) + QLatin1Char(':')
                       + summary->textAt(row, summary->fieldIndex(QStringLiteral("fycs"))) + QLatin1Char(':')
                       + summary->textAt(row, summary->fieldIndex(QStringLiteral("jehj"))));
        out.sort();
        return out;
    }

    QStringList slices() const
    {
        QStringList out;
        for (const PieChart::Slice &s : page->DBChart1->slices())
            out.append(s.label + QLatin1Char(':') + QString::number(s.value));
        out.sort();
        return out;
    }

    SummaryPage *page = nullptr;
    Dataset *summary = nullptr;
};

} // namespace

TEST_F(Summary, StartsFromTheStartDateToTodayWithTheAccountsOfTheDay)
{
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(page));
    EXPECT_EQ(page->DateTimePicker1->date(), QDate(2026, 1, 1)); // the ledger start date
    EXPECT_EQ(page->DateTimePicker2->date(), QDate(2026, 12, 9));
    EXPECT_EQ(page->ComboBox1->currentText(), QStringLiteral("费用项目"));
    EXPECT_EQ(page->ComboBox2->currentText(), QStringLiteral("支出"));
    EXPECT_EQ(page->ComboBox9->itemText(0), QStringLiteral("全部"));
    EXPECT_NE(page->ComboBox9->findText(QStringLiteral("O'Brien卡")), -1);
    EXPECT_FALSE(summary->isActive()); // nothing run yet
    // the account list is read anew on every showing, back at 全部
    exec(QStringLiteral("insert into jtcy (cyxm) values ('新帐户')"));
    page->ComboBox9->setCurrentIndex(2);
    mainWindow->ToolButton1->click();
    mainWindow->ToolButton2->click();
    EXPECT_EQ(page->ComboBox9->currentText(), QStringLiteral("全部"));
    EXPECT_NE(page->ComboBox9->findText(QStringLiteral("新帐户")), -1);
    EXPECT_EQ(page->DBChart1->title(), QStringLiteral("家庭收支情况分类汇总分析图"));
}

TEST_F(Summary, TheStatementIsBuiltPieceByPiece)
{
    EXPECT_EQ(page->statement(),
              QStringLiteral("select ifnull(xm,'') as flxm, count(zbid) as fycs,sum(sr) as srhj,sum(zc) as zchj,"
                             "sum(jsze) as jszehj,sum(sr)+sum(zc) as jehj from szzb  where rq >= #2026-01-01# and "
                             "rq<= #2026-12-09# and lx='支出' group by ifnull(xm,'')"));
    page->ComboBox1->setCurrentText(QStringLiteral("收支类型"));
    EXPECT_FALSE(page->ComboBox2->isEnabled());
    page->ComboBox9->setCurrentText(QStringLiteral("O'Brien卡"));
    EXPECT_TRUE(page->statement().startsWith(QStringLiteral("select lx as flxm, count(zbid)")));
    EXPECT_TRUE(page->statement().endsWith(QStringLiteral("#2026-12-09# and szr='O''Brien卡' group by lx")));
    page->ComboBox2->setCurrentIndex(1);
    page->ComboBox1->setCurrentText(QStringLiteral("费用明细"));
    EXPECT_TRUE(page->ComboBox2->isEnabled());
    EXPECT_EQ(page->ComboBox2->currentText(), QStringLiteral("收入")); // the type chosen before
    EXPECT_TRUE(page->statement().startsWith(QStringLiteral("select ifnull(mx,'') as flxm,")));
    EXPECT_TRUE(
        page->statement().endsWith(QStringLiteral(" and lx='收入' and szr='O''Brien卡' group by ifnull(mx,'')")));
}

TEST_F(Summary, GroupsTheRangeWithBothEndsAndFillsThePie)
{
    page->BitBtn7->click();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    // 2025-12-31 is outside; 2026-01-01 and 2026-12-09 (the two ends) are in
    EXPECT_EQ(groups(),
              (QStringList{QStringLiteral("交通:1:50"), QStringLiteral("购物:1:20"), QStringLiteral("餐饮:2:100")}));
    EXPECT_EQ(slices(),
              (QStringList{QStringLiteral("交通:50"), QStringLiteral("购物:20"), QStringLiteral("餐饮:100")}));
    EXPECT_EQ(page->DBGridEh2->footerText(0), QStringLiteral("共 3 项"));
    EXPECT_EQ(page->DBGridEh2->footerText(3), QStringLiteral("170.00"));

    page->ComboBox1->setCurrentText(QStringLiteral("收支类型")); // both types: at most two rows
    page->BitBtn7->click();
    EXPECT_EQ(groups(), (QStringList{QStringLiteral("支出:4:170"), QStringLiteral("收入:1:1000")}));

    page->ComboBox1->setCurrentText(QStringLiteral("收支帐户")); // one account: at most one row
    page->ComboBox9->setCurrentText(QStringLiteral("O'Brien卡"));
    page->BitBtn7->click();
    EXPECT_EQ(groups(), QStringList{QStringLiteral("O'Brien卡:1:50")});

    page->ComboBox9->setCurrentText(QStringLiteral("没有的帐户"));
    page->BitBtn7->click();
    EXPECT_TRUE(summary->isEmpty());
    EXPECT_TRUE(page->DBChart1->slices().isEmpty());
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
    EXPECT_TRUE(platform.errors().isEmpty());
}

TEST_F(Summary, AStartAfterTheEndAndEntriesWithoutAKey)
{
    page->DateTimePicker1->setDate(QDate(2026, 12, 10));
    page->BitBtn7->click();
    EXPECT_TRUE(summary->isActive());
    EXPECT_TRUE(summary->isEmpty());
    EXPECT_TRUE(page->DBChart1->slices().isEmpty());
    EXPECT_TRUE(platform.shown.isEmpty());

    exec(QStringLiteral("insert into szzb (rq,lx,sr,zc,jsze) values (#2026-3-3#,'支出',0,5,-5)")); // no item
    page->DateTimePicker1->setDate(QDate(2026, 1, 1));
    page->BitBtn7->click();
    EXPECT_TRUE(slices().contains(SummaryPage::emptyKeyLabel() + QStringLiteral(":5")));
    EXPECT_EQ(page->DBChart1->slices().size(), 4);
}

TEST_F(Summary, ADatabaseErrorKeepsThePieAndThePage)
{
    page->BitBtn7->click();
    ASSERT_EQ(page->DBChart1->slices().size(), 3);
    exec(QStringLiteral("alter table szzb rename to szzb_away"));
    page->BitBtn7->click();
    EXPECT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(page->DBChart1->slices().size(), 3);
    exec(QStringLiteral("alter table szzb_away rename to szzb"));
    page->BitBtn7->click();
    EXPECT_EQ(summary->recordCount(), 3);
}

TEST_F(Summary, TheChartButtonsTurnZoomAndTiltAndKeepTheirSettings)
{
    PieChart *pie = page->DBChart1;
    EXPECT_EQ(pie->rotationAngle(), 38);
    for (int i = 0; i < 9; ++i)
        page->BitBtn10->click();
    EXPECT_EQ(pie->rotationAngle(), 83);
    for (int i = 0; i < 56; ++i)
        page->BitBtn10->click();
    EXPECT_EQ(pie->rotationAngle(), 3); // 38 + 65 * 5 = 363
    EXPECT_EQ(pie->zoom(), 103);
    for (int expected : {85, 67, 49, 31, 13, 13}) {
        page->BitBtn12->click();
        EXPECT_EQ(pie->zoom(), expected);
    }
    page->BitBtn11->click();
    EXPECT_EQ(pie->zoom(), 31);
    for (int i = 0; i < 30; ++i)
        page->BitBtn13->click();
    EXPECT_EQ(pie->elevation(), 315 + 30 * 18); // no limit
    page->BitBtn7->click();
    EXPECT_EQ(pie->zoom(), 31); // a new summary keeps the view
    EXPECT_EQ(pie->rotationAngle(), 3);
}

TEST_F(Summary, ThePictureIsABitmapWithTheChartOnIt)
{
    page->BitBtn7->click();
    platform.cancelFileDialog();
    page->BitBtn15->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    EXPECT_EQ(platform.fileRequests[0].filter, QStringLiteral("bmp|bmp"));
    EXPECT_TRUE(platform.fileRequests[0].defaultExtension.isEmpty());
    const QString path = db->dir() + QStringLiteral("a.bmp");
    EXPECT_FALSE(QFileInfo::exists(path));
    platform.chooseFile(path);
    page->BitBtn15->click();
    const QString written = path + QStringLiteral(".bmp");
    ASSERT_TRUE(QFileInfo::exists(written));
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM")); // a Windows bitmap
    file.close();
    const QImage image(written, "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), page->DBChart1->size());
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    // the slices' colours are on it
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixelColor(x, y).saturation() > 100)
                ++coloured;
    EXPECT_GT(coloured, 200);
}

TEST_F(Summary, PrintingAndExportingTheGrid)
{
    page->BitBtn9->click(); // before the first summary: nothing
    EXPECT_TRUE(platform.fileRequests.isEmpty());
    page->BitBtn7->click();
    platform.chooseFile(db->dir() + QStringLiteral("out"), 2);
    page->BitBtn9->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    EXPECT_EQ(platform.fileRequests[0].fileName, QStringLiteral("家 庭 收 支 情 况 分 类 汇 总 统 计"));
    QFile out(db->dir() + QStringLiteral("out.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(out.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\"餐饮\";\"2\";\"0.00\";\"100.00\";\"-100.00\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\"共 3 项\""))) << text.toStdString();

    platform.onDialog(QStringLiteral("PrintPreview"), [](QDialog *) {});
    page->BitBtn8->click();
    EXPECT_EQ(mainWindow->PrintDBGridEh1->grid(), page->DBGridEh2);
    EXPECT_EQ(mainWindow->PrintDBGridEh1->pageHeaderCentre(),
              QStringList{QStringLiteral("家 庭 收 支 情 况 分 类 汇 总 统 计")});
}

TEST_F(Summary, ThePictureNameDoesNotGrowWithEachSave)
{
    page->BitBtn7->click();
    const QString path = db->dir() + QStringLiteral("again");
    platform.chooseFile(path);
    page->BitBtn15->click();
    platform.cancelFileDialog();
    page->BitBtn15->click();
    ASSERT_EQ(platform.fileRequests.size(), 2);
    EXPECT_EQ(platform.fileRequests[1].fileName, path); // proposed again as chosen
    EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral(".bmp")));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".bmp.bmp")));
}

TEST_F(Summary, AnItemStoredAsNullAndOneStoredEmptyAreOneGroup)
{
    exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze) values (#2026-3-3#,'支出',null,0,5,-5)"));
    exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze) values (#2026-3-4#,'支出','',0,7,-7)"));
    page->BitBtn7->click();
    EXPECT_TRUE(groups().contains(QStringLiteral(":2:12"))) << groups().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(slices().filter(SummaryPage::emptyKeyLabel()),
              QStringList{SummaryPage::emptyKeyLabel() + QStringLiteral(":12")});
}
