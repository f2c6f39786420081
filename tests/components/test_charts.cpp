// The pie chart and the line chart as pictures.
#include "components/piechart.h"

#include <QImage>
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

TEST(PieChartTest, SharesTextsAndAPictureWithManySlices)
{
    PieChart pie;
    pie.resize(520, 420);
    pie.addSlice(QStringLiteral("餐饮"), 75);
    pie.addSlice(QStringLiteral("交通"), 25);
    pie.addSlice(QStringLiteral("空"), 0);
    EXPECT_DOUBLE_EQ(pie.percent(0), 75.0);
    EXPECT_EQ(pie.sliceText(1), QStringLiteral("交通 25.00%"));
    EXPECT_EQ(pie.percent(2), 0.0);
    QSet<QRgb> colours;
    for (int n = 0; n < 30; ++n)
        colours.insert(PieChart::paletteColor(n).rgb());
    EXPECT_EQ(colours.size(), 30); // thirty slices, thirty colours
    pie.clear();
    for (int n = 0; n < 30; ++n)
        pie.addSlice(QStringLiteral("项目%1").arg(n), n + 1);
    for (int elevation : {315, 351, 369, 495, 270}) {
        pie.setElevation(elevation);
        const QImage image = pie.picture();
        ASSERT_EQ(image.size(), QSize(520, 420));
        int coloured = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (image.pixelColor(x, y).saturation() > 80)
                    ++coloured;
        EXPECT_GT(coloured, 2000) << elevation;
    }
}

// Time stamps are written as they are stored, also where the local time
// zone skips or repeats an hour: in Central European time 02:30 on
// 2026-03-29 does not exist and 02:30 on 2026-10-25 happens twice.

TEST(PieLayout, ManySlicesKeepThePieMarksAndLegendInsideAtAnyZoom)
{
    PieChart pie;
    pie.setTitle(QStringLiteral("家庭收支情况分类汇总分析图"));
    for (int i = 0; i < 31; ++i)
        pie.addSlice(QStringLiteral("明细%1").arg(i + 1), 1000.0 / (i + 1));
    // the smallest go together into one slice where there is no room for all
    const QList<PieChart::Slice> shown = pie.shownSlices(12);
    ASSERT_EQ(shown.size(), 12);
    EXPECT_EQ(shown.last().label, QStringLiteral("其他"));
    double rest = 0;
    for (int i = 11; i < 31; ++i)
        rest += 1000.0 / (i + 1);
    EXPECT_DOUBLE_EQ(shown.last().value, rest);
    EXPECT_EQ(shown.first().label, QStringLiteral("明细1"));
    EXPECT_EQ(pie.shownSlices(40).size(), 31);
    // painted at a panel's size and zoomed fourfold, nothing of the pie or
    // its marks reaches the title's band
    for (int zoom : {103, 412}) {
        pie.setZoom(zoom);
        QImage image(620, 420, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        pie.renderChart(&painter, QRectF(0, 0, 620, 420));
        painter.end();
        // beside the centred title, its band stays white
        int foreign = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((x < 160 || x > 460) && image.pixelColor(x, y) != QColor(Qt::white))
                    ++foreign;
        EXPECT_LT(foreign, 5) << "zoom " << zoom;
        // and the pie has room: a good part of the picture is coloured
        int coloured = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                if (image.pixelColor(x, y).saturation() > 90)
                    ++coloured;
        EXPECT_GT(coloured, 4000) << "zoom " << zoom;
    }
}
