// The bold Chinese titles are drawn from the regular face, emboldened; the
// bold CJK files stay out of the font list. The test program's main sets
// this up before the application, as the program's does.
#include "platform/fontfaces.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QString Cjk = QStringLiteral("Noto Sans CJK SC");

// How many pixels of text drawn black on white are more black than white.
int ink(const QFont &font, const QString &text)
{
    QImage image(600, 80, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            count += line[x] < 128;
    }
    return count;
}

} // namespace

TEST(FontFaces, TheBoldCjkFilesAreLeftOutAndBoldTitlesStayBold)
{
    if (!QFontDatabase::families().contains(Cjk))
        GTEST_SKIP() << "Noto Sans CJK is not installed";
    for (const QString &style : QFontDatabase::styles(Cjk))
        EXPECT_LT(QFontDatabase::weight(Cjk, style), int(QFont::DemiBold)) << style.toStdString();

    QFont regular(Cjk);
    regular.setPixelSize(24);
    QFont bold = regular;
    bold.setBold(true);
    const QString title = QStringLiteral("家庭收支小帐本");
    EXPECT_EQ(QFontInfo(bold).family(), Cjk) << "a bold title keeps its face";
    const int thin = ink(regular, title);
    const int thick = ink(bold, title);
    ASSERT_GT(thin, 500);
    EXPECT_GT(thick, thin * 6 / 5) << "the regular face is emboldened: " << thin << " against " << thick;
}

TEST(FontFaces, LatinFacesKeepTheirBoldFiles)
{
    const QString latin = QStringLiteral("DejaVu Sans");
    if (!QFontDatabase::families().contains(latin))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    bool boldFound = false;
    for (const QString &style : QFontDatabase::styles(latin))
        boldFound = boldFound || QFontDatabase::weight(latin, style) == int(QFont::Bold);
    EXPECT_TRUE(boldFound);
    // the patterns name only CJK faces
    for (const char *const *p = boldCjkFilePatterns(); *p; ++p)
        EXPECT_TRUE(QByteArray(*p).contains("CJK") || QByteArray(*p).contains("SourceHan")) << *p;
}
