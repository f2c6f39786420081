// The period comparison and its lines.
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/gridprinter.h"
#include "components/linechart.h"
#include "data/tdm.h"
#include "stats/comparisonpage.h"
#include "support/app/appfixture.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QToolButton>

namespace {

class Comparison : public AppFixture
{
protected:
    void SetUp() override
    {
        const char *rows[] = {
            "(#2025-3-1#,'支出','餐饮','午餐',0,30,-30)",        "(#2025-3-1#,'收入','工资收入','奖金',500,0,500)",
            "(#2026-1-5#,'支出','餐饮','晚餐',0,70,-70)",        "(#2026-1-20#,'支出','交通','打车',0,50,-50)",
            "(#2026-2-2#,'收入','工资收入','奖金',1000,0,1000)",
        };
        for (const char *r : rows)
            exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze) values %1").arg(QString::fromUtf8(r)));
        start();
        page = mainWindow->TabSheet3;
        result = dm->ADOQFyfx;
        mainWindow->ToolButton3->click();
        page->DateTimePicker3->setDate(QDate(2025, 1, 1));
    }

    // "sd:cs:srhj:zchj" per row, in the order of the result.
    QStringList periods() const
    {
        QStringList out;
        for (int row = 0; row < result->recordCount(); ++row) {
            QStringList cells;
            for (const char *f : {"sd", "cs", "srhj", "zchj"})
                cells.append(result->textAt(row, result->fieldIndex(QLatin1String(f))));
            out.append(cells.join(QLatin1Char(':')));
        }
        return out;
    }

    ComparisonPage *page = nullptr;
    Dataset *result = nullptr;
};

} // namespace

TEST_F(Comparison, TheItemListAndTheDetailsThatFollowIt)
{
    EXPECT_EQ(page->DateTimePicker4->date(), QDate(2026, 12, 9));
    EXPECT_EQ(page->ComboBox5->itemText(0), QStringLiteral("选择全部"));
    EXPECT_EQ(page->ComboBox5->currentText(), QStringLiteral("选择全部"));
    EXPECT_EQ(page->ComboBox5->count(), 1 + scalar(QStringLiteral("select count(*) from fyxm")).toInt());
    const int food = page->ComboBox5->findText(QStringLiteral("餐饮"));
    ASSERT_GT(food, 0);
    page->ComboBox5->setCurrentIndex(food);
    EXPECT_EQ(page->ComboBox4->itemText(0), QStringLiteral("选择全部"));
    EXPECT_NE(page->ComboBox4->findText(QStringLiteral("午餐")), -1);
    page->ComboBox4->setCurrentText(QStringLiteral("午餐"));
    page->ComboBox5->setCurrentIndex(page->ComboBox5->findText(QStringLiteral("交通"))); // resets the detail
    EXPECT_EQ(page->ComboBox4->currentText(), QStringLiteral("选择全部"));
    EXPECT_EQ(page->ComboBox4->findText(QStringLiteral("午餐")), -1);
    page->ComboBox5->setEditText(QStringLiteral("交")); // typing: no such item yet
    EXPECT_EQ(page->ComboBox4->count(), 1);
    page->ComboBox5->setEditText(QStringLiteral("O'Brien")); // a quote is a text, not an error
    EXPECT_TRUE(platform.errors().isEmpty());
    page->ComboBox5->setCurrentIndex(0);
    EXPECT_EQ(page->ComboBox4->count(), 1);
}

TEST_F(Comparison, TheStatementsOfTheThreePeriods)
{
    const QString body = QStringLiteral(",count(zbid) as cs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj from "
                                        "szzb where rq >= #2025-01-01# and rq<= #2026-12-09#");
    EXPECT_EQ(page->statement(), QStringLiteral("select rq as sd") + body + QStringLiteral("   group by rq"));
    page->ComboBox3->setCurrentIndex(1);
    page->ComboBox5->setEditText(QStringLiteral("餐饮"));
    EXPECT_EQ(page->statement(), QStringLiteral("select left(cdate(rq),7) as sd") + body
                                     + QStringLiteral(" and xm='餐饮'  group by left(cdate(rq),7)"));
    page->ComboBox3->setCurrentIndex(2);
    page->ComboBox5->setCurrentIndex(0);
    page->ComboBox4->setEditText(QStringLiteral("午餐")); // a detail alone narrows every item
    EXPECT_EQ(page->statement(), QStringLiteral("select left(cdate(rq),4) as sd") + body
                                     + QStringLiteral("  and mx='午餐' group by left(cdate(rq),4)"));
}

TEST_F(Comparison, YearsMonthsAndDaysInTimeOrderWithZeroPoints)
{
    page->ComboBox3->setCurrentIndex(2);
    page->BitBtn16->click();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(periods(), (QStringList{QStringLiteral("2025:2:500:30"), QStringLiteral("2026:3:1000:120")}));
    EXPECT_EQ(page->DBChart2->labels(), (QStringList{QStringLiteral("2025"), QStringLiteral("2026")}));
    EXPECT_TRUE(page->DBChart2->Series2->pointsVisible()); // few points: each one marked

    page->ComboBox3->setCurrentIndex(1);
    page->BitBtn16->click();
    EXPECT_EQ(periods(), (QStringList{QStringLiteral("2025-03:2:500:30"), QStringLiteral("2026-01:2:0:120"),
                                      QStringLiteral("2026-02:1:1000:0")}));
    // the grid lists the months with entries; the chart every month of the
    // range, those without entries at zero (not joined straight across)
    const QStringList months = page->DBChart2->labels();
    ASSERT_EQ(months.size(), 24);
    EXPECT_EQ(months.first(), QStringLiteral("2025-01"));
    EXPECT_EQ(months.last(), QStringLiteral("2026-12"));
    const QList<QPointF> expenses = page->DBChart2->Series2->points();
    const QList<QPointF> incomes = page->DBChart2->Series3->points();
    ASSERT_EQ(expenses.size(), 24);
    for (int m = 0; m < 24; ++m) {
        const double out = m == 2 ? 30 : m == 12 ? 120 : 0;
        const double in = m == 2 ? 500 : m == 13 ? 1000 : 0;
        EXPECT_EQ(expenses.at(m), QPointF(m + 1, out)) << months.at(m).toStdString();
        EXPECT_EQ(incomes.at(m), QPointF(m + 1, in)) << months.at(m).toStdString();
    }
    EXPECT_EQ(page->DBGridEh3->footerText(0), QStringLiteral("共 3 项"));

    // one day by day: at most one row
    page->ComboBox3->setCurrentIndex(0);
    page->DateTimePicker3->setDate(QDate(2025, 3, 1));
    page->DateTimePicker4->setDate(QDate(2025, 3, 1));
    page->BitBtn16->click();
    EXPECT_EQ(periods(), QStringList{QStringLiteral("2025-03-01:2:500:30")});

    // a start after the end: nothing, and no message
    page->DateTimePicker3->setDate(QDate(2026, 1, 1));
    page->DateTimePicker4->setDate(QDate(2025, 1, 1));
    page->BitBtn16->click();
    EXPECT_TRUE(result->isEmpty());
    EXPECT_TRUE(page->DBChart2->Series2->points().isEmpty());
    EXPECT_TRUE(platform.shown.isEmpty());
}

TEST_F(Comparison, PrintingExportingAndThePicture)
{
    page->BitBtn16->click();
    platform.onDialog(QStringLiteral("PrintPreview"), [](QDialog *) {});
    page->BitBtn17->click();
    EXPECT_EQ(mainWindow->PrintDBGridEh1->grid(), page->DBGridEh3);
    EXPECT_EQ(mainWindow->PrintDBGridEh1->pageHeaderCentre(),
              QStringList{QStringLiteral("各时间段家庭收支情况汇总分析")});
    platform.chooseFile(db->dir() + QStringLiteral("periods"), 1);
    page->BitBtn18->click();
    EXPECT_EQ(platform.fileRequests.last().fileName, QStringLiteral("各时间段家庭收支情况汇总分析"));
    EXPECT_TRUE(QFileInfo::exists(db->dir() + QStringLiteral("periods.xls")));

    platform.chooseFile(db->dir() + QStringLiteral("lines"));
    page->BitBtn20->click();
    const QImage image(db->dir() + QStringLiteral("lines.bmp"), "BMP");
    ASSERT_FALSE(image.isNull());
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++red;
        }
    EXPECT_GT(red, 20); // the expense line is on it
}

TEST_F(Comparison, OnePeriodShowsAPointAndTheLastDayHasItsLabel)
{
    page->ComboBox3->setCurrentIndex(2);
    page->DateTimePicker3->setDate(QDate(2026, 1, 1));
    page->BitBtn16->click();
    ASSERT_EQ(page->DBChart2->labels(), QStringList{QStringLiteral("2026")});
    EXPECT_TRUE(page->DBChart2->Series2->pointsVisible());
    EXPECT_EQ(page->DBChart2->Series2->points(), (QList<QPointF>{{1, 120}}));

    // every day of December: the last one labelled, with room beside it
    page->ComboBox3->setCurrentIndex(0);
    page->DateTimePicker3->setDate(QDate(2026, 12, 1));
    page->BitBtn16->click();
    auto *axis = qobject_cast<QCategoryAxis *>(page->DBChart2->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_TRUE(axis);
    const QStringList shown = axis->categoriesLabels();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), QStringLiteral("2026-12-09"));
    EXPECT_DOUBLE_EQ(axis->endValue(shown.last()), 9.0);
    EXPECT_DOUBLE_EQ(axis->max(), 9.5);
    EXPECT_DOUBLE_EQ(axis->min(), 0.5);

    // every day of the year so far, in a window as large as a 1366×768
    // screen gives: the labels, the last one too, lie whole within the chart
    // and apart from each other
    mainWindow->resize(1262, 705);
    page->DateTimePicker3->setDate(QDate(2026, 1, 1));
    page->BitBtn16->click();
    QApplication::processEvents();
    QChart *chart = page->DBChart2->chart();
    const QStringList days = axis->categoriesLabels();
    ASSERT_GT(days.size(), 5);
    EXPECT_EQ(days.last(), QStringLiteral("2026-12-09"));
    const QFontMetrics metrics(axis->labelsFont());
    double before = -1e9;
    for (const QString &day : days) {
        const double centre = chart->mapToPosition(QPointF(axis->endValue(day), 0), page->DBChart2->Series2).x();
        const double half = metrics.horizontalAdvance(day) / 2.0;
        EXPECT_GE(centre - half, 0.0) << day.toStdString();
        EXPECT_LE(centre + half, chart->size().width()) << day.toStdString();
        EXPECT_GT(centre - half, before) << day.toStdString() << " overlaps the label before it";
        before = centre + half;
    }
}
