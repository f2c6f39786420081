// The artwork drawn by the program: navigation icons and pictures.
#include "components/artwork.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Distinct colours among the pixels that are not fully transparent.
int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0)
                colours.insert(img.pixel(x, y));
    return int(colours.size());
}

double opaqueShare(const QImage &image)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 128)
                ++opaque;
    return double(opaque) / (img.width() * img.height());
}

// Number of 30-degree hue sectors used by clearly coloured, opaque pixels.
int hueSectors(const QImage &image)
{
    QSet<int> sectors;
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = QColor::fromRgba(img.pixel(x, y));
            if (c.alpha() > 200 && c.hsvSaturation() > 100 && c.value() > 80)
                sectors.insert(c.hsvHue() / 30);
        }
    return int(sectors.size());
}

const Artwork::NavIcon allIcons[]
    = {Artwork::NavIcon::Ledger,   Artwork::NavIcon::Summary,  Artwork::NavIcon::Comparison, Artwork::NavIcon::Memos,
       Artwork::NavIcon::Contacts, Artwork::NavIcon::Settings, Artwork::NavIcon::Exit};

} // namespace

TEST(ArtworkTest, NavigationIconsAreSizedColourfulAndDistinct)
{
    QList<QImage> images;
    for (Artwork::NavIcon which : allIcons) {
        const QPixmap icon = Artwork::navigationIcon(which);
        ASSERT_EQ(icon.size(), QSize(48, 46));
        const QImage image = icon.toImage();
        EXPECT_GT(distinctColours(image), 40);
        EXPECT_GE(hueSectors(image), 2) << "icons are colourful";
        const double share = opaqueShare(image);
        EXPECT_GT(share, 0.25);
        EXPECT_LT(share, 0.9) << "icons stand free on a transparent ground";
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        for (const QImage &other : images)
            EXPECT_NE(image, other);
        images << image;

        const QPixmap sharp = Artwork::navigationIcon(which, 2);
        EXPECT_EQ(sharp.size(), QSize(96, 92));
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(48, 46));
        // The double-density icon is a finer rendering, not an enlargement.
        EXPECT_GT(distinctColours(sharp.toImage()), distinctColours(image));

        const QIcon set = Artwork::navigationIconSet(which);
        EXPECT_EQ(set.pixmap(QSize(48, 46), 2.0).size(), QSize(96, 92));
    }
}

TEST(ArtworkTest, PicturesFillTheirSizes)
{
    const QPixmap start = Artwork::startPicture(QSize(700, 500));
    ASSERT_EQ(start.size(), QSize(700, 500));
    const QImage page = start.toImage();
    EXPECT_DOUBLE_EQ(opaqueShare(page), 1.0) << "the start picture covers the whole page";
    EXPECT_GT(distinctColours(page), 2000);
    EXPECT_GE(hueSectors(page), 5);
    EXPECT_EQ(Artwork::startPicture(QSize(640, 480)).size(), QSize(640, 480));
    EXPECT_EQ(Artwork::startPicture(QSize(350, 250), 2).size(), QSize(700, 500));
    EXPECT_TRUE(Artwork::startPicture(QSize()).isNull());

    const QPixmap login = Artwork::loginPicture(QSize(80, 80));
    ASSERT_EQ(login.size(), QSize(80, 80));
    EXPECT_GT(distinctColours(login.toImage()), 100);
    EXPECT_GE(hueSectors(login.toImage()), 2);
    EXPECT_EQ(qAlpha(login.toImage().pixel(0, 0)), 0);
    EXPECT_TRUE(Artwork::loginPicture(QSize(0, 80)).isNull());

    const QIcon icon = Artwork::applicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
    EXPECT_GT(distinctColours(icon.pixmap(64).toImage()), 100);
}
