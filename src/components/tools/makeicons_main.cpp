// doz-makeicons FOLDER
// Writes the program's icon for the desktop's icon theme into FOLDER, as
// the theme lays them out: hicolor/<n>x<n>/apps/cn.qinghe.doz.png for each
// size from 16 to 256 pixels and hicolor/scalable/apps/cn.qinghe.doz.svg,
// all painted by the program's own artwork.
#include "components/artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

int main(int argc, char **argv)
{
    // no display is needed to paint into files
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: doz-makeicons FOLDER\n");
        return 2;
    }
    const QDir root(args.first() + QStringLiteral("/hicolor"));
    const QString name = QStringLiteral("cn.qinghe.doz");
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        if (!root.mkpath(folder)) {
            std::fprintf(stderr, "doz-makeicons: cannot make %s\n", qPrintable(root.filePath(folder)));
            return 1;
        }
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 64.0, side / 64.0);
        Artwork::paintApplicationIcon(p);
        p.end();
        const QString file = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "doz-makeicons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    if (!root.mkpath(QStringLiteral("scalable/apps")))
        return 1;
    QSvgGenerator svg;
    svg.setFileName(root.filePath(QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg")));
    svg.setSize(QSize(64, 64));
    svg.setViewBox(QRect(0, 0, 64, 64));
    svg.setTitle(QStringLiteral("青禾家庭doz"));
    svg.setDescription(QStringLiteral("The icon of 青禾家庭doz"));
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "doz-makeicons: cannot write the SVG icon\n");
        return 1;
    }
    p.setRenderHint(QPainter::Antialiasing);
    Artwork::paintApplicationIcon(p);
    p.end();
    return 0;
}
