#include "artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>

namespace Artwork {

namespace {

// A transparent pixmap of `logical` device-independent pixels for `dpr`.
QPixmap makeCanvas(const QSize &logical, qreal dpr)
{
    dpr = qMax<qreal>(dpr, 1);
    QPixmap pixmap(qMax(1, qRound(logical.width() * dpr)), qMax(1, qRound(logical.height() * dpr)));
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QLinearGradient vertical(const QRectF &r, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QLinearGradient horizontal(const QRectF &r, const QColor &left, const QColor &right)
{
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    return g;
}

QPen outline(const QColor &colour, qreal width = 1)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// The soft shadow every icon object stands on.
void groundShadow(QPainter &p, const QRectF &ellipse)
{
    QRadialGradient g(ellipse.center(), ellipse.width() / 2);
    g.setColorAt(0, QColor(0, 0, 0, 70));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.translate(ellipse.center());
    p.scale(1, ellipse.height() / ellipse.width());
    p.translate(-ellipse.center());
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(ellipse.center(), ellipse.width() / 2, ellipse.width() / 2);
    p.restore();
}

// A light sheen over the upper part of a shape, for a glossy finish.
void sheen(QPainter &p, const QPainterPath &shape, const QRectF &bounds, int alpha = 90)
{
    QLinearGradient g(bounds.topLeft(), bounds.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, alpha));
    g.setColorAt(0.5, QColor(255, 255, 255, alpha / 4));
    g.setColorAt(0.51, QColor(255, 255, 255, 0));
    // the shape's part of the bounds, painted rather than clipped, so that
    // a vector painter keeps it
    QPainterPath area;
    area.addRect(bounds);
    p.fillPath(shape.intersected(area), g);
}

// The yuan sign, stroked, centred on `c` with the given half height.
void yuanSign(QPainter &p, const QPointF &c, qreal half, const QColor &colour, qreal width)
{
    p.save();
    p.setPen(outline(colour, width));
    p.setBrush(Qt::NoBrush);
    const qreal arm = half * 0.8;
    const QPointF joint(c.x(), c.y() - half * 0.05);
    p.drawLine(QPointF(c.x() - arm, c.y() - half), joint);
    p.drawLine(QPointF(c.x() + arm, c.y() - half), joint);
    p.drawLine(joint, QPointF(c.x(), c.y() + half));
    p.drawLine(QPointF(c.x() - arm * 0.75, c.y() + half * 0.2), QPointF(c.x() + arm * 0.75, c.y() + half * 0.2));
    p.drawLine(QPointF(c.x() - arm * 0.75, c.y() + half * 0.58), QPointF(c.x() + arm * 0.75, c.y() + half * 0.58));
    p.restore();
}

// A gold coin seen face on, with its rim and the yuan sign.
void coin(QPainter &p, const QPointF &c, qreal r, qreal signWidth)
{
    p.save();
    // The edge of the coin shows as a darker crescent to the lower right.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb0, 0x78, 0x00));
    p.drawEllipse(c + QPointF(r * 0.12, r * 0.12), r, r);
    QRadialGradient face(c - QPointF(r * 0.35, r * 0.4), r * 1.5);
    face.setColorAt(0, QColor(0xff, 0xf4, 0xb0));
    face.setColorAt(0.45, QColor(0xff, 0xd2, 0x3f));
    face.setColorAt(1, QColor(0xe0, 0x98, 0x00));
    p.setBrush(face);
    p.setPen(outline(QColor(0x9a, 0x62, 0x00), qMax<qreal>(0.8, r * 0.08)));
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(0xc9, 0x8a, 0x00, 200), qMax<qreal>(0.6, r * 0.07)));
    p.drawEllipse(c, r * 0.76, r * 0.76);
    yuanSign(p, c, r * 0.46, QColor(0x8a, 0x55, 0x00), signWidth);
    p.restore();
}

// A gear outline with `teeth` trapezoid teeth and a round hole in the middle.
QPainterPath gearPath(const QPointF &c, qreal outer, qreal inner, int teeth, qreal hole, qreal phase)
{
    QPainterPath path;
    const qreal step = 2 * M_PI / teeth;
    const auto at = [&c](qreal radius, qreal angle) {
        return QPointF(c.x() + radius * qCos(angle), c.y() + radius * qSin(angle));
    };
    for (int i = 0; i < teeth; ++i) {
        const qreal a = phase + i * step;
        const QPointF first = at(inner, a - 0.28 * step);
        if (i == 0)
            path.moveTo(first);
        else
            path.lineTo(first);
        path.lineTo(at(outer, a - 0.15 * step));
        path.lineTo(at(outer, a + 0.15 * step));
        path.lineTo(at(inner, a + 0.28 * step));
        path.lineTo(at(inner, a + 0.5 * step));
    }
    path.closeSubpath();
    path.addEllipse(c, hole, hole);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

void drawGear(QPainter &p, const QPointF &c, qreal outer, qreal inner, int teeth, qreal hole, qreal phase,
              const QColor &light, const QColor &dark, const QColor &line)
{
    const QPainterPath gear = gearPath(c, outer, inner, teeth, hole, phase);
    const QRectF box(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(outline(line, 1));
    p.setBrush(g);
    p.drawPath(gear);
    // A raised hub ring between hole and teeth.
    p.setBrush(Qt::NoBrush);
    p.setPen(outline(QColor(255, 255, 255, 110), 1.2));
    p.drawEllipse(c, (inner + hole) / 2 + 0.5, (inner + hole) / 2 + 0.5);
    p.setPen(outline(line.darker(110), 0.8));
    p.drawEllipse(c, hole, hole);
}

// ---- navigation icons, drawn on a 48x46 grid ----

void paintLedger(QPainter &p)
{
    groundShadow(p, QRectF(4, 38, 42, 8));

    // Page block behind the cover, showing its edge to the right and below.
    const QRectF pages(9, 5, 27, 37);
    p.setPen(outline(QColor(0xa8, 0x98, 0x78)));
    p.setBrush(vertical(pages, QColor(0xff, 0xfd, 0xf4), QColor(0xee, 0xe4, 0xcc)));
    p.drawRoundedRect(pages, 2, 2);
    p.setPen(outline(QColor(0xc8, 0xbb, 0x9c), 0.6));
    for (qreal y = 8; y < 40; y += 2.2)
        p.drawLine(QPointF(34, y), QPointF(35.6, y));

    // Cover.
    const QRectF cover(5, 3, 29, 36);
    QPainterPath coverPath;
    coverPath.addRoundedRect(cover, 3, 3);
    p.setPen(outline(QColor(0x12, 0x44, 0x80)));
    p.setBrush(horizontal(cover, QColor(0x3b, 0x8c, 0xe0), QColor(0x19, 0x5a, 0xa8)));
    p.drawPath(coverPath);
    // Spine with gold bands.
    p.save();
    p.setClipPath(coverPath);
    p.fillRect(QRectF(5, 3, 6, 36), QColor(0x11, 0x3c, 0x72));
    p.fillRect(QRectF(11, 3, 0.8, 36), QColor(255, 255, 255, 70));
    p.fillRect(QRectF(5, 8, 6, 2), QColor(0xf2, 0xc1, 0x4e));
    p.fillRect(QRectF(5, 32, 6, 2), QColor(0xf2, 0xc1, 0x4e));
    p.restore();
    sheen(p, coverPath, cover, 80);

    // Title label with two ruled lines.
    const QRectF label(14.5, 8, 15, 10);
    p.setPen(outline(QColor(0xc9, 0xb9, 0x8f), 0.8));
    p.setBrush(QColor(0xff, 0xfd, 0xf5));
    p.drawRoundedRect(label, 1.5, 1.5);
    p.setPen(outline(QColor(0x5f, 0x7d, 0xa6), 1.1));
    p.drawLine(QPointF(17, 11.5), QPointF(27, 11.5));
    p.drawLine(QPointF(17, 14.8), QPointF(24, 14.8));

    // Two coins in front of the book.
    coin(p, QPointF(25.5, 36), 6.5, 1.1);
    coin(p, QPointF(37, 31.5), 9.5, 1.6);
}

void paintSummary(QPainter &p)
{
    groundShadow(p, QRectF(4, 37, 38, 9));

    struct Slice
    {
        qreal start;
        qreal span;
        QColor light;
        QColor dark;
        qreal lift;
    };
    const Slice slices[] = {
        {90, 135, QColor(0x5a, 0xb0, 0xf5), QColor(0x15, 0x65, 0xc0), 0},
        {225, 85, QColor(0x7c, 0xd3, 0x80), QColor(0x2e, 0x7d, 0x32), 0},
        {310, 80, QColor(0xff, 0xe0, 0x6a), QColor(0xf0, 0xa0, 0x00), 0},
        {30, 60, QColor(0xff, 0x7a, 0x6a), QColor(0xc6, 0x28, 0x28), 4.5},
    };
    const QPointF centre(21, 22);
    const qreal r = 17;
    const qreal depth = 3.5;

    const auto slicePath = [&](const Slice &s, qreal dy) {
        const qreal mid = qDegreesToRadians(s.start + s.span / 2);
        const QPointF c = centre + QPointF(s.lift * qCos(mid), -s.lift * qSin(mid) + dy);
        QPainterPath path(c);
        path.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), s.start, s.span);
        path.closeSubpath();
        return path;
    };

    // The pie's thickness: the slices again, lower and darker.
    for (const Slice &s : slices) {
        p.setPen(outline(s.dark.darker(130), 0.8));
        p.setBrush(s.dark.darker(115));
        p.drawPath(slicePath(s, depth));
    }
    for (const Slice &s : slices) {
        const QPainterPath path = slicePath(s, 0);
        QRadialGradient g(centre - QPointF(6, 7), r * 1.6);
        g.setColorAt(0, s.light.lighter(115));
        g.setColorAt(1, s.dark);
        p.setPen(outline(QColor(255, 255, 255, 230), 1));
        p.setBrush(g);
        p.drawPath(path);
    }
    // Gloss over the whole face.
    QPainterPath face;
    face.addEllipse(centre, r, r);
    QRadialGradient gloss(centre - QPointF(7, 9), r);
    gloss.setColorAt(0, QColor(255, 255, 255, 110));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawPath(face);
}

void paintComparison(QPainter &p)
{
    groundShadow(p, QRectF(3, 38, 42, 8));

    const QRectF card(3, 3, 42, 37);
    QPainterPath cardPath;
    cardPath.addRoundedRect(card, 4, 4);
    p.setPen(outline(QColor(0x6f, 0x8c, 0xb0)));
    p.setBrush(vertical(card, QColor(0xff, 0xff, 0xff), QColor(0xe4, 0xee, 0xf8)));
    p.drawPath(cardPath);

    // Grid and axes.
    p.setPen(outline(QColor(0xd3, 0xde, 0xec), 0.8));
    for (qreal y = 12; y < 34; y += 7)
        p.drawLine(QPointF(10, y), QPointF(41, y));
    p.setPen(outline(QColor(0x55, 0x6b, 0x88), 1.2));
    p.drawLine(QPointF(9.5, 8), QPointF(9.5, 34.5));
    p.drawLine(QPointF(9.5, 34.5), QPointF(42, 34.5));

    const QPointF income[] = {{12, 29}, {18.5, 23}, {25, 26}, {31.5, 16}, {38.5, 10}};
    const QPointF spending[] = {{12, 24}, {18.5, 28.5}, {25, 19}, {31.5, 22.5}, {38.5, 18}};

    // The area under the first series, faintly filled.
    QPainterPath area(QPointF(income[0].x(), 34.5));
    for (const QPointF &pt : income)
        area.lineTo(pt);
    area.lineTo(QPointF(income[4].x(), 34.5));
    area.closeSubpath();
    QLinearGradient fill(0, 10, 0, 34);
    fill.setColorAt(0, QColor(0x1e, 0x88, 0xe5, 110));
    fill.setColorAt(1, QColor(0x1e, 0x88, 0xe5, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(area);

    const auto series = [&p](const QPointF *points, int n, const QColor &colour) {
        QPainterPath line(points[0]);
        for (int i = 1; i < n; ++i)
            line.lineTo(points[i]);
        p.setBrush(Qt::NoBrush);
        p.setPen(outline(colour, 2.2));
        p.drawPath(line);
        p.setPen(outline(colour, 1.2));
        p.setBrush(Qt::white);
        for (int i = 0; i < n; ++i)
            p.drawEllipse(points[i], 1.9, 1.9);
    };
    series(spending, 5, QColor(0xf0, 0x5a, 0x28));
    series(income, 5, QColor(0x15, 0x6f, 0xd0));
}

void paintMemos(QPainter &p)
{
    groundShadow(p, QRectF(3, 38, 44, 8));

    // Notepad.
    const QRectF paper(4, 5, 28, 36);
    p.setPen(outline(QColor(0xc0, 0x9c, 0x3a)));
    p.setBrush(vertical(paper, QColor(0xff, 0xf8, 0xc4), QColor(0xff, 0xe7, 0x80)));
    p.drawRoundedRect(paper, 2, 2);
    p.setPen(outline(QColor(0x8f, 0xb0, 0xd8), 0.8));
    for (qreal y = 15; y < 39; y += 4.6)
        p.drawLine(QPointF(7, y), QPointF(29, y));
    p.setPen(outline(QColor(0xe0, 0x6b, 0x5a), 0.8));
    p.drawLine(QPointF(10, 10), QPointF(10, 39));
    // Handwriting on the first lines.
    p.setPen(outline(QColor(0x3c, 0x55, 0x80), 1.2));
    p.drawLine(QPointF(12, 13.2), QPointF(26, 13.2));
    p.drawLine(QPointF(12, 17.8), QPointF(23, 17.8));
    p.drawLine(QPointF(12, 22.4), QPointF(19, 22.4));
    // Binding strip with spiral rings.
    const QRectF strip(4, 4, 28, 4.5);
    p.setPen(outline(QColor(0xa3, 0x2a, 0x1e), 0.8));
    p.setBrush(vertical(strip, QColor(0xf0, 0x6e, 0x5a), QColor(0xc6, 0x3a, 0x2a)));
    p.drawRoundedRect(strip, 1.5, 1.5);
    for (qreal x = 8; x < 31; x += 5) {
        p.setPen(outline(QColor(0x50, 0x58, 0x60), 1.4));
        p.drawLine(QPointF(x, 2), QPointF(x, 7));
        p.setPen(outline(QColor(255, 255, 255, 150), 0.5));
        p.drawLine(QPointF(x - 0.4, 2.4), QPointF(x - 0.4, 4.5));
    }

    // Alarm clock in front, lower right.
    const QPointF c(35, 31);
    const qreal r = 10;
    // Legs.
    p.setPen(outline(QColor(0x7a, 0x14, 0x14), 2));
    p.drawLine(c + QPointF(-6, 7), c + QPointF(-8.5, 11.5));
    p.drawLine(c + QPointF(6, 7), c + QPointF(8.5, 11.5));
    // Bells.
    for (int side : {-1, 1}) {
        const QPointF bell = c + QPointF(side * 7.2, -8.6);
        QRadialGradient g(bell - QPointF(1, 1.5), 4.5);
        g.setColorAt(0, QColor(0xff, 0xf0, 0x9a));
        g.setColorAt(1, QColor(0xe0, 0x9a, 0x00));
        p.setPen(outline(QColor(0x9a, 0x62, 0x00), 0.8));
        p.setBrush(g);
        p.drawEllipse(bell, 4.3, 3.6);
    }
    p.setPen(outline(QColor(0x55, 0x55, 0x55), 1.3));
    p.drawLine(c + QPointF(0, -r), c + QPointF(0, -r - 2.5));
    p.setBrush(QColor(0x70, 0x70, 0x70));
    p.drawEllipse(c + QPointF(0, -r - 2.8), 1.3, 1.3);
    // Body and face.
    QRadialGradient body(c - QPointF(3, 4), r * 1.4);
    body.setColorAt(0, QColor(0xff, 0x80, 0x70));
    body.setColorAt(1, QColor(0xb7, 0x1c, 0x1c));
    p.setPen(outline(QColor(0x80, 0x10, 0x10), 0.9));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    QRadialGradient face(c - QPointF(2, 2), r);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(0xe6, 0xea, 0xf0));
    p.setPen(outline(QColor(0x90, 0x30, 0x30), 0.6));
    p.setBrush(face);
    p.drawEllipse(c, r * 0.74, r * 0.74);
    p.setPen(outline(QColor(0x44, 0x44, 0x44), 0.9));
    for (int i = 0; i < 12; i += 3) {
        const qreal a = i * M_PI / 6;
        p.drawLine(c + QPointF(qSin(a), -qCos(a)) * (r * 0.56), c + QPointF(qSin(a), -qCos(a)) * (r * 0.68));
    }
    p.setPen(outline(QColor(0x22, 0x22, 0x22), 1.4));
    p.drawLine(c, c + QPointF(-3.2, -2.2));
    p.setPen(outline(QColor(0x22, 0x22, 0x22), 1.0));
    p.drawLine(c, c + QPointF(0.8, -5.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawEllipse(c, 1.1, 1.1);
}

void paintContacts(QPainter &p)
{
    groundShadow(p, QRectF(4, 38, 40, 8));

    // Pages and index tabs on the right edge.
    const QColor tabs[]
        = {QColor(0xef, 0x53, 0x50), QColor(0xff, 0xc1, 0x07), QColor(0x42, 0xa5, 0xf5), QColor(0x66, 0xbb, 0x6a)};
    for (int i = 0; i < 4; ++i) {
        const QRectF tab(35, 7 + i * 8, 6, 6.5);
        p.setPen(outline(tabs[i].darker(140), 0.7));
        p.setBrush(horizontal(tab, tabs[i].lighter(120), tabs[i]));
        p.drawRoundedRect(tab, 1.5, 1.5);
    }
    const QRectF pages(10, 5, 27, 37);
    p.setPen(outline(QColor(0xa8, 0x98, 0x78)));
    p.setBrush(QColor(0xfb, 0xf6, 0xea));
    p.drawRoundedRect(pages, 2, 2);

    // Cover.
    const QRectF cover(8, 3, 28, 37);
    QPainterPath coverPath;
    coverPath.addRoundedRect(cover, 3, 3);
    p.setPen(outline(QColor(0x00, 0x5f, 0x56)));
    p.setBrush(horizontal(cover, QColor(0x2b, 0xb5, 0xa6), QColor(0x00, 0x79, 0x6b)));
    p.drawPath(coverPath);
    sheen(p, coverPath, cover, 70);

    // Two people on the cover.
    p.save();
    p.setClipPath(coverPath);
    const auto person = [&p](const QPointF &head, qreal size, const QColor &colour) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(head, size, size);
        const QRectF shoulders(head.x() - size * 1.85, head.y() + size * 1.25, size * 3.7, size * 3.4);
        p.drawChord(shoulders, 0, 180 * 16);
    };
    person(QPointF(28, 13.5), 3.8, QColor(0xb2, 0xeb, 0xe4));
    p.setPen(outline(QColor(0x00, 0x79, 0x6b), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(19.5, 17.5), 4.9, 4.9);
    p.drawChord(QRectF(19.5 - 8.6, 17.5 + 5.9, 17.2, 15.5), 0, 180 * 16);
    person(QPointF(19.5, 17.5), 4.5, Qt::white);
    p.restore();
    // Name line.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRoundedRect(QRectF(14, 34, 16, 2.4), 1.2, 1.2);

    // Spiral rings on the left edge.
    for (qreal y = 7; y < 39; y += 6) {
        const QRectF ring(5, y, 7, 2.8);
        p.setPen(outline(QColor(0x37, 0x47, 0x4f), 0.7));
        p.setBrush(vertical(ring, QColor(0xe0, 0xe6, 0xea), QColor(0x78, 0x90, 0x9c)));
        p.drawRoundedRect(ring, 1.4, 1.4);
    }
}

void paintSettings(QPainter &p)
{
    groundShadow(p, QRectF(4, 38, 42, 8));
    drawGear(p, QPointF(35, 31), 10.5, 8, 8, 3.2, 0.2, QColor(0xff, 0xcc, 0x70), QColor(0xe6, 0x6a, 0x00),
             QColor(0xa0, 0x48, 0x00));
    drawGear(p, QPointF(19, 20), 17, 13, 10, 5, 0, QColor(0x7c, 0xc4, 0xff), QColor(0x15, 0x58, 0xb0),
             QColor(0x0d, 0x3c, 0x80));
    // A metallic cap in the middle of the large gear.
    QRadialGradient cap(QPointF(17.5, 18.5), 6);
    cap.setColorAt(0, QColor(0xf4, 0xf7, 0xfa));
    cap.setColorAt(1, QColor(0x9a, 0xa8, 0xb6));
    p.setPen(outline(QColor(0x55, 0x66, 0x77), 0.8));
    p.setBrush(cap);
    p.drawEllipse(QPointF(19, 20), 3.4, 3.4);
}

void paintExit(QPainter &p)
{
    groundShadow(p, QRectF(2, 38, 44, 8));

    // Door frame with light falling in from outside.
    const QRectF frame(4, 3, 25, 39);
    p.setPen(outline(QColor(0x3e, 0x27, 0x23)));
    p.setBrush(vertical(frame, QColor(0x8d, 0x5a, 0x40), QColor(0x5d, 0x37, 0x28)));
    p.drawRoundedRect(frame, 2, 2);
    const QRectF opening(7, 6, 19, 36);
    QLinearGradient light(opening.topLeft(), opening.bottomRight());
    light.setColorAt(0, QColor(0xff, 0xfb, 0xe0));
    light.setColorAt(1, QColor(0xff, 0xcf, 0x5a));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRect(opening);

    // The door, swung half open on its left hinge.
    QPainterPath door;
    door.moveTo(7, 6);
    door.lineTo(17, 9.5);
    door.lineTo(17, 40);
    door.lineTo(7, 42);
    door.closeSubpath();
    p.setPen(outline(QColor(0x4e, 0x2c, 0x14), 0.9));
    p.setBrush(horizontal(door.boundingRect(), QColor(0xb8, 0x79, 0x45), QColor(0x86, 0x52, 0x2a)));
    p.drawPath(door);
    p.setPen(outline(QColor(0x5e, 0x36, 0x18, 160), 0.7));
    p.drawLine(QPointF(9, 11), QPointF(15, 13.2));
    p.drawLine(QPointF(9, 25), QPointF(15, 25.4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    p.drawEllipse(QPointF(15, 26.5), 1.3, 1.5);

    // The arrow leading out.
    QPainterPath arrow;
    arrow.moveTo(20, 20);
    arrow.lineTo(33, 20);
    arrow.lineTo(33, 13);
    arrow.lineTo(46, 24.5);
    arrow.lineTo(33, 36);
    arrow.lineTo(33, 29);
    arrow.lineTo(20, 29);
    arrow.closeSubpath();
    const QRectF box = arrow.boundingRect();
    p.setPen(outline(QColor(0xa0, 0x16, 0x10), 1));
    p.setBrush(vertical(box, QColor(0xff, 0x8a, 0x65), QColor(0xd3, 0x2f, 0x2f)));
    p.drawPath(arrow);
    sheen(p, arrow, box, 110);
}

// ---- the start page ----

QPainterPath hill(qreal w, qreal h, const QList<QPointF> &crest)
{
    // `crest` holds fractions of the picture; the hill is closed along the
    // bottom edge.
    QPainterPath path(QPointF(0, h));
    path.lineTo(0, crest.first().y() * h);
    for (int i = 1; i < crest.size(); ++i) {
        const QPointF a(crest.at(i - 1).x() * w, crest.at(i - 1).y() * h);
        const QPointF b(crest.at(i).x() * w, crest.at(i).y() * h);
        const qreal mx = (a.x() + b.x()) / 2;
        path.cubicTo(QPointF(mx, a.y()), QPointF(mx, b.y()), b);
    }
    path.lineTo(w, h);
    path.closeSubpath();
    return path;
}

void cloud(QPainter &p, const QPointF &c, qreal s, int alpha)
{
    QPainterPath path;
    path.addEllipse(c + QPointF(-1.6 * s, 0.2 * s), 1.1 * s, 0.75 * s);
    path.addEllipse(c + QPointF(-0.5 * s, -0.45 * s), 1.15 * s, 1.0 * s);
    path.addEllipse(c + QPointF(0.8 * s, -0.2 * s), 1.0 * s, 0.85 * s);
    path.addEllipse(c + QPointF(1.8 * s, 0.25 * s), 0.9 * s, 0.65 * s);
    path.addRoundedRect(QRectF(c.x() - 2.4 * s, c.y() - 0.1 * s, 5.0 * s, 1.0 * s), 0.5 * s, 0.5 * s);
    path.setFillRule(Qt::WindingFill);
    const QPainterPath solid = path.simplified();
    QLinearGradient g(c.x(), c.y() - 1.5 * s, c.x(), c.y() + s);
    g.setColorAt(0, QColor(255, 255, 255, alpha));
    g.setColorAt(1, QColor(0xe8, 0xf0, 0xfa, alpha * 3 / 4));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(solid);
}

void tree(QPainter &p, const QPointF &foot, qreal s, const QColor &leaf)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7a, 0x4e, 0x2c));
    p.drawRoundedRect(QRectF(foot.x() - 0.12 * s, foot.y() - 0.9 * s, 0.24 * s, 0.9 * s), 0.05 * s, 0.05 * s);
    QPainterPath crown;
    crown.addEllipse(QPointF(foot.x(), foot.y() - 1.35 * s), 0.55 * s, 0.6 * s);
    crown.addEllipse(QPointF(foot.x() - 0.35 * s, foot.y() - 1.0 * s), 0.42 * s, 0.38 * s);
    crown.addEllipse(QPointF(foot.x() + 0.38 * s, foot.y() - 1.05 * s), 0.4 * s, 0.36 * s);
    crown.setFillRule(Qt::WindingFill);
    QRadialGradient g(QPointF(foot.x() - 0.25 * s, foot.y() - 1.6 * s), 1.2 * s);
    g.setColorAt(0, leaf.lighter(135));
    g.setColorAt(1, leaf.darker(125));
    p.setBrush(g);
    p.drawPath(crown.simplified());
}

void house(QPainter &p, const QRectF &r)
{
    // r is the wall; the roof rises above it by half its height.
    const qreal w = r.width();
    const qreal h = r.height();
    // Chimney with a wisp of smoke.
    const QRectF chimney(r.right() - 0.28 * w, r.top() - 0.62 * h, 0.11 * w, 0.4 * h);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9c, 0x4a, 0x36));
    p.drawRect(chimney);
    p.setBrush(QColor(0x7a, 0x36, 0x26));
    p.drawRect(QRectF(chimney.left() - 0.01 * w, chimney.top(), chimney.width() + 0.02 * w, 0.06 * h));
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(255, 255, 255, 150 - i * 40));
        p.drawEllipse(QPointF(chimney.center().x() + (i + 0.5) * 0.05 * w, chimney.top() - (i + 1) * 0.13 * h),
                      (0.05 + i * 0.02) * w, (0.045 + i * 0.015) * w);
    }

    // Walls.
    p.setPen(QPen(QColor(0xc8, 0xa8, 0x7a), qMax<qreal>(1, w * 0.006)));
    p.setBrush(vertical(r, QColor(0xff, 0xf6, 0xe2), QColor(0xf3, 0xdf, 0xbc)));
    p.drawRect(r);
    // Roof.
    QPainterPath roof;
    roof.moveTo(r.left() - 0.09 * w, r.top() + 0.04 * h);
    roof.lineTo(r.center().x(), r.top() - 0.55 * h);
    roof.lineTo(r.right() + 0.09 * w, r.top() + 0.04 * h);
    roof.closeSubpath();
    QLinearGradient rg(r.center().x(), r.top() - 0.55 * h, r.center().x(), r.top());
    rg.setColorAt(0, QColor(0xe8, 0x5a, 0x44));
    rg.setColorAt(1, QColor(0xb0, 0x32, 0x24));
    p.setPen(QPen(QColor(0x86, 0x22, 0x18), qMax<qreal>(1, w * 0.008), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(rg);
    p.drawPath(roof);
    // Tile rows on the roof.
    p.save();
    p.setClipPath(roof);
    p.setPen(QPen(QColor(0x8a, 0x26, 0x1a, 120), qMax<qreal>(0.8, w * 0.005)));
    for (int i = 1; i < 5; ++i) {
        const qreal y = r.top() - 0.55 * h + i * 0.12 * h;
        p.drawLine(QPointF(r.left() - 0.1 * w, y), QPointF(r.right() + 0.1 * w, y));
    }
    p.restore();
    // Attic window.
    const QPointF attic(r.center().x(), r.top() - 0.2 * h);
    p.setPen(QPen(QColor(0x86, 0x22, 0x18), qMax<qreal>(1, w * 0.006)));
    p.setBrush(QColor(0xff, 0xe0, 0x82));
    p.drawEllipse(attic, 0.07 * w, 0.07 * w);

    // Door.
    const QRectF door(r.center().x() - 0.11 * w, r.bottom() - 0.58 * h, 0.22 * w, 0.58 * h);
    QPainterPath doorPath;
    doorPath.moveTo(door.bottomLeft());
    doorPath.lineTo(door.left(), door.top() + door.width() / 2);
    doorPath.arcTo(QRectF(door.left(), door.top(), door.width(), door.width()), 180, -180);
    doorPath.lineTo(door.bottomRight());
    doorPath.closeSubpath();
    p.setPen(QPen(QColor(0x5a, 0x32, 0x18), qMax<qreal>(1, w * 0.006)));
    p.setBrush(horizontal(door, QColor(0xa8, 0x6a, 0x3a), QColor(0x7c, 0x48, 0x22)));
    p.drawPath(doorPath);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd5, 0x4f));
    p.drawEllipse(QPointF(door.right() - 0.045 * w, door.center().y() + 0.05 * h), 0.014 * w, 0.014 * w);

    // Two lit windows with crossbars and flower boxes.
    for (int side : {-1, 1}) {
        const QRectF win(r.center().x() + side * 0.3 * w - 0.1 * w, r.top() + 0.2 * h, 0.2 * w, 0.3 * h);
        QRadialGradient glow(win.center(), win.width());
        glow.setColorAt(0, QColor(0xff, 0xf3, 0xb0));
        glow.setColorAt(1, QColor(0xff, 0xc1, 0x45));
        p.setPen(QPen(QColor(0x7c, 0x48, 0x22), qMax<qreal>(1, w * 0.012)));
        p.setBrush(glow);
        p.drawRect(win);
        p.setPen(QPen(QColor(0x7c, 0x48, 0x22), qMax<qreal>(1, w * 0.007)));
        p.drawLine(QPointF(win.center().x(), win.top()), QPointF(win.center().x(), win.bottom()));
        p.drawLine(QPointF(win.left(), win.center().y()), QPointF(win.right(), win.center().y()));
        const QRectF box(win.left() - 0.015 * w, win.bottom(), win.width() + 0.03 * w, 0.06 * h);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6d, 0x8b, 0x3a));
        p.drawRect(box);
        const QColor petals[] = {QColor(0xff, 0x6f, 0x91), QColor(0xff, 0xeb, 0x3b), QColor(0xff, 0x8a, 0x65)};
        for (int i = 0; i < 4; ++i) {
            p.setBrush(petals[i % 3]);
            p.drawEllipse(QPointF(box.left() + (i + 0.6) * box.width() / 4.4, box.top()), 0.018 * w, 0.018 * w);
        }
    }
}

void fence(QPainter &p, qreal x0, qreal x1, qreal ground, qreal postHeight)
{
    const qreal gap = postHeight * 0.55;
    p.setPen(QPen(QColor(0xb8, 0x94, 0x62), qMax<qreal>(1, postHeight * 0.06)));
    p.setBrush(QColor(0xff, 0xf3, 0xdc));
    p.drawRect(QRectF(x0, ground - postHeight * 0.72, x1 - x0, postHeight * 0.12));
    p.drawRect(QRectF(x0, ground - postHeight * 0.38, x1 - x0, postHeight * 0.12));
    for (qreal x = x0; x <= x1 - gap * 0.3; x += gap) {
        QPainterPath post;
        post.moveTo(x, ground);
        post.lineTo(x, ground - postHeight * 0.85);
        post.lineTo(x + gap * 0.2, ground - postHeight);
        post.lineTo(x + gap * 0.4, ground - postHeight * 0.85);
        post.lineTo(x + gap * 0.4, ground);
        post.closeSubpath();
        p.drawPath(post);
    }
}

// A brush face where the household has one; else the bold sans face the
// program's titles load anyway (a serif CJK face of its own would cost some
// megabytes of memory for two lines of text).
QFont titleFont(qreal pixelSize, bool serif)
{
    QFont font;
    if (serif)
        font.setFamilies({QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN"), QStringLiteral("Noto Sans CJK SC"),
                          QStringLiteral("Source Han Sans SC")});
    else
        font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC")});
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(serif ? QFont::Bold : QFont::Medium);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Text laid out as a path, centred horizontally on `centreX` with its
// baseline at `baseline`.
QPainterPath textPath(const QString &text, const QFont &font, qreal centreX, qreal baseline, qreal spacing = 0)
{
    QPainterPath path;
    const QFontMetricsF metrics(font);
    qreal width = 0;
    for (const QChar ch : text)
        width += metrics.horizontalAdvance(ch) + spacing;
    width -= spacing;
    qreal x = centreX - width / 2;
    for (const QChar ch : text) {
        path.addText(QPointF(x, baseline), font, QString(ch));
        x += metrics.horizontalAdvance(ch) + spacing;
    }
    return path;
}

void paintStart(QPainter &p, qreal w, qreal h)
{
    const qreal u = qMin(w, h); // unit for sizes that should not distort

    // Sky: clear blue above, warm towards the horizon.
    QLinearGradient sky(0, 0, 0, h * 0.72);
    sky.setColorAt(0, QColor(0x6f, 0xb8, 0xec));
    sky.setColorAt(0.55, QColor(0xb8, 0xe0, 0xf6));
    sky.setColorAt(1, QColor(0xff, 0xec, 0xc8));
    p.fillRect(QRectF(0, 0, w, h), sky);

    // Sun with a wide glow.
    const QPointF sun(w * 0.84, h * 0.2);
    QRadialGradient glow(sun, u * 0.32);
    glow.setColorAt(0, QColor(255, 250, 210, 230));
    glow.setColorAt(0.25, QColor(255, 236, 160, 120));
    glow.setColorAt(1, QColor(255, 236, 160, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sun, u * 0.32, u * 0.32);
    QRadialGradient disc(sun - QPointF(u * 0.015, u * 0.015), u * 0.07);
    disc.setColorAt(0, QColor(0xff, 0xfd, 0xe8));
    disc.setColorAt(1, QColor(0xff, 0xd5, 0x4f));
    p.setBrush(disc);
    p.drawEllipse(sun, u * 0.065, u * 0.065);

    cloud(p, QPointF(w * 0.14, h * 0.13), u * 0.045, 235);
    cloud(p, QPointF(w * 0.66, h * 0.09), u * 0.032, 210);
    cloud(p, QPointF(w * 0.93, h * 0.36), u * 0.028, 190);
    cloud(p, QPointF(w * 0.58, h * 0.43), u * 0.022, 150);

    // A few birds far away.
    p.setPen(QPen(QColor(0x3a, 0x55, 0x70, 200), qMax<qreal>(1, u * 0.004), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QPointF birds[] = {{0.3, 0.07}, {0.335, 0.095}, {0.36, 0.06}};
    for (const QPointF &b : birds) {
        const QPointF at(b.x() * w, b.y() * h);
        const qreal s = u * 0.014;
        QPainterPath wing(at + QPointF(-s, -s * 0.3));
        wing.quadTo(at + QPointF(-s * 0.45, -s * 0.75), at);
        wing.quadTo(at + QPointF(s * 0.45, -s * 0.75), at + QPointF(s, -s * 0.3));
        p.drawPath(wing);
    }
    p.setPen(Qt::NoPen);

    // Far hills, blue-green and hazy.
    p.setBrush(QColor(0x9c, 0xcf, 0xc0, 200));
    p.drawPath(hill(w, h, {{0, 0.58}, {0.18, 0.5}, {0.38, 0.57}, {0.6, 0.47}, {0.82, 0.55}, {1, 0.5}}));
    // Middle hills.
    QLinearGradient mid(0, h * 0.55, 0, h);
    mid.setColorAt(0, QColor(0x8d, 0xcc, 0x6e));
    mid.setColorAt(1, QColor(0x5c, 0xa8, 0x48));
    p.setBrush(mid);
    p.drawPath(hill(w, h, {{0, 0.66}, {0.25, 0.6}, {0.5, 0.67}, {0.75, 0.59}, {1, 0.64}}));
    // Trees on the far side.
    tree(p, QPointF(w * 0.7, h * 0.625), u * 0.07, QColor(0x3f, 0x9a, 0x4a));
    tree(p, QPointF(w * 0.76, h * 0.605), u * 0.085, QColor(0x2f, 0x8a, 0x3c));
    tree(p, QPointF(w * 0.9, h * 0.64), u * 0.06, QColor(0x4c, 0xa8, 0x50));
    // Meadow in front.
    QLinearGradient meadow(0, h * 0.7, 0, h);
    meadow.setColorAt(0, QColor(0x9c, 0xd8, 0x6a));
    meadow.setColorAt(1, QColor(0x58, 0xa8, 0x40));
    p.setBrush(meadow);
    p.drawPath(hill(w, h, {{0, 0.74}, {0.3, 0.7}, {0.62, 0.76}, {1, 0.72}}));

    // A path winding from the front door to the bottom edge.
    const qreal ground = h * 0.735;
    const QRectF walls(w * 0.15, ground - u * 0.17, u * 0.3, u * 0.17);
    QPainterPath lane;
    lane.moveTo(walls.center().x() - u * 0.03, ground);
    lane.cubicTo(QPointF(walls.center().x() - u * 0.02, h * 0.84), QPointF(w * 0.5, h * 0.86), QPointF(w * 0.44, h));
    lane.lineTo(w * 0.3, h);
    lane.cubicTo(QPointF(w * 0.36, h * 0.88), QPointF(walls.center().x() - u * 0.05, h * 0.84),
                 QPointF(walls.center().x() - u * 0.06, ground));
    lane.closeSubpath();
    QLinearGradient laneFill(0, ground, 0, h);
    laneFill.setColorAt(0, QColor(0xf4, 0xe2, 0xb8));
    laneFill.setColorAt(1, QColor(0xe0, 0xc0, 0x88));
    p.setBrush(laneFill);
    p.drawPath(lane);

    // Home, trees beside it and a garden fence.
    tree(p, QPointF(walls.left() - u * 0.06, ground + u * 0.01), u * 0.11, QColor(0x3a, 0x9a, 0x46));
    house(p, walls);
    fence(p, walls.right() + u * 0.02, walls.right() + u * 0.2, ground + u * 0.015, u * 0.05);
    tree(p, QPointF(walls.right() + u * 0.26, ground + u * 0.02), u * 0.09, QColor(0x48, 0xa6, 0x4c));

    // Flowers scattered over the meadow, placed by a fixed pattern so that
    // every picture comes out the same.
    const QColor flowers[]
        = {QColor(0xff, 0xff, 0xff), QColor(0xff, 0xd5, 0x4f), QColor(0xff, 0x80, 0xab), QColor(0xff, 0x8a, 0x65)};
    quint32 seed = 20240518;
    for (int i = 0; i < 46; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const qreal fx = (seed >> 8) % 1000 / 1000.0;
        seed = seed * 1664525u + 1013904223u;
        const qreal fy = (seed >> 8) % 1000 / 1000.0;
        const QPointF at(fx * w, h * (0.79 + fy * 0.2));
        if (lane.contains(at) || QRectF(walls.adjusted(-u * 0.1, 0, u * 0.2, u * 0.05)).contains(at))
            continue;
        const qreal r = u * (0.006 + 0.004 * fy);
        p.setBrush(flowers[i % 4]);
        for (int k = 0; k < 5; ++k) {
            const qreal a = k * 2 * M_PI / 5;
            p.drawEllipse(at + QPointF(qCos(a), qSin(a)) * r, r * 0.75, r * 0.75);
        }
        p.setBrush(QColor(0xff, 0xb3, 0x00));
        p.drawEllipse(at, r * 0.6, r * 0.6);
    }

    // Title and subtitle over the sky.
    const QFont title = titleFont(u * 0.105, true);
    const qreal titleBaseline = h * 0.27;
    const QPainterPath titleText
        = textPath(QStringLiteral("家庭收支小帐本"), title, w * 0.47, titleBaseline, u * 0.012);
    p.save();
    p.translate(u * 0.006, u * 0.008);
    p.setBrush(QColor(0x1a, 0x3d, 0x66, 90));
    p.drawPath(titleText);
    p.restore();
    p.setPen(QPen(QColor(0x1d, 0x4e, 0x89), u * 0.012, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(titleText);
    const QRectF titleBox = titleText.boundingRect();
    QLinearGradient ink(titleBox.topLeft(), titleBox.bottomLeft());
    ink.setColorAt(0, QColor(0xff, 0xff, 0xff));
    ink.setColorAt(0.55, QColor(0xff, 0xf6, 0xd8));
    ink.setColorAt(1, QColor(0xff, 0xd8, 0x7a));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(titleText);

    const QFont subtitle = titleFont(u * 0.038, false);
    const QPainterPath subText = textPath(QStringLiteral("勤俭持家  ·  收支有数  ·  日子红火"), subtitle, w * 0.47,
                                          titleBaseline + u * 0.085, u * 0.004);
    const QRectF subBox = subText.boundingRect().adjusted(-u * 0.035, -u * 0.018, u * 0.035, u * 0.018);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(subBox, subBox.height() / 2, subBox.height() / 2);
    p.setBrush(QColor(0x2c, 0x5a, 0x8a));
    p.drawPath(subText);
}

// ---- the login emblem, drawn on an 80x80 grid ----

void paintLogin(QPainter &p)
{
    groundShadow(p, QRectF(8, 66, 66, 12));

    // Ledger: pages, then a red cover with a gold label.
    const QRectF pages(15, 9, 42, 58);
    p.setPen(outline(QColor(0xa8, 0x98, 0x78)));
    p.setBrush(vertical(pages, QColor(0xff, 0xfd, 0xf4), QColor(0xec, 0xe0, 0xc4)));
    p.drawRoundedRect(pages, 3, 3);
    p.setPen(outline(QColor(0xc8, 0xbb, 0x9c), 0.8));
    for (qreal y = 13; y < 64; y += 3)
        p.drawLine(QPointF(53.5, y), QPointF(56, y));
    const QRectF cover(11, 6, 44, 58);
    QPainterPath coverPath;
    coverPath.addRoundedRect(cover, 4, 4);
    p.setPen(outline(QColor(0x7a, 0x16, 0x10), 1.2));
    p.setBrush(horizontal(cover, QColor(0xd8, 0x43, 0x35), QColor(0xa0, 0x22, 0x18)));
    p.drawPath(coverPath);
    p.save();
    p.setClipPath(coverPath);
    p.fillRect(QRectF(11, 6, 9, 58), QColor(0x7e, 0x14, 0x0e));
    p.fillRect(QRectF(20, 6, 1, 58), QColor(255, 255, 255, 60));
    p.fillRect(QRectF(11, 13, 9, 3), QColor(0xf2, 0xc1, 0x4e));
    p.fillRect(QRectF(11, 54, 9, 3), QColor(0xf2, 0xc1, 0x4e));
    p.restore();
    sheen(p, coverPath, cover, 70);
    const QRectF label(25, 13, 23, 23);
    p.setPen(outline(QColor(0xb0, 0x80, 0x10), 1));
    p.setBrush(vertical(label, QColor(0xff, 0xe8, 0x9a), QColor(0xf0, 0xb8, 0x30)));
    p.drawRoundedRect(label, 2.5, 2.5);
    QFont glyph = titleFont(16, true);
    p.setPen(QColor(0x8a, 0x1a, 0x10));
    p.setFont(glyph);
    p.drawText(label, Qt::AlignCenter, QStringLiteral("帐"));

    // A gold key lying across the lower right of the book.
    p.save();
    p.translate(60, 41);
    p.rotate(128);
    QPainterPath key;
    key.addEllipse(QPointF(0, 0), 10, 10);
    key.addRoundedRect(QRectF(8, -3, 31, 6), 1.5, 1.5);
    key.addRect(QRectF(29, 2, 3.5, 6.5));
    key.addRect(QRectF(34.5, 2, 3.5, 8.5));
    key.setFillRule(Qt::WindingFill);
    QPainterPath solidKey = key.simplified();
    QPainterPath hole;
    hole.addEllipse(QPointF(-2, 0), 4.2, 4.2);
    solidKey = solidKey.subtracted(hole);
    QLinearGradient gold(QPointF(0, -10), QPointF(0, 10));
    gold.setColorAt(0, QColor(0xff, 0xf1, 0xa8));
    gold.setColorAt(0.5, QColor(0xff, 0xc8, 0x30));
    gold.setColorAt(1, QColor(0xc8, 0x88, 0x00));
    p.setPen(outline(QColor(0x8a, 0x5a, 0x00), 1.2));
    p.setBrush(gold);
    p.drawPath(solidKey);
    p.setPen(outline(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(10, -1.5), QPointF(36, -1.5));
    p.restore();
}

// ---- the application icon, drawn on a 64x64 grid ----

void paintIcon(QPainter &p)
{
    const QRectF tile(2, 2, 60, 60);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0, QColor(0x5c, 0xc0, 0xf0));
    g.setColorAt(1, QColor(0x18, 0x62, 0xb0));
    p.setPen(outline(QColor(0x10, 0x48, 0x88), 1.2));
    p.setBrush(g);
    p.drawRoundedRect(tile, 13, 13);
    QPainterPath tilePath;
    tilePath.addRoundedRect(tile, 13, 13);
    sheen(p, tilePath, tile, 80);

    // A cream ledger with a red spine.
    const QRectF book(14, 10, 30, 40);
    QPainterPath bookPath;
    bookPath.addRoundedRect(book, 3, 3);
    p.setPen(outline(QColor(0x8a, 0x70, 0x40), 1));
    p.setBrush(vertical(book, QColor(0xff, 0xfd, 0xf2), QColor(0xf2, 0xe4, 0xc0)));
    p.drawPath(bookPath);
    QPainterPath spine;
    spine.addRect(QRectF(14, 10, 7, 40));
    p.fillPath(bookPath.intersected(spine), QColor(0xd0, 0x3a, 0x2c));
    p.setPen(outline(QColor(0x4a, 0x78, 0xb0), 2));
    p.drawLine(QPointF(25, 19), QPointF(39, 19));
    p.drawLine(QPointF(25, 26), QPointF(37, 26));
    p.drawLine(QPointF(25, 33), QPointF(34, 33));

    coin(p, QPointF(43, 44), 12, 2.4);
}

void paintNavigation(QPainter &p, NavIcon which)
{
    switch (which) {
    case NavIcon::Ledger:
        paintLedger(p);
        break;
    case NavIcon::Summary:
        paintSummary(p);
        break;
    case NavIcon::Comparison:
        paintComparison(p);
        break;
    case NavIcon::Memos:
        paintMemos(p);
        break;
    case NavIcon::Contacts:
        paintContacts(p);
        break;
    case NavIcon::Settings:
        paintSettings(p);
        break;
    case NavIcon::Exit:
        paintExit(p);
        break;
    }
}

} // namespace

QPixmap navigationIcon(NavIcon which, qreal dpr)
{
    QPixmap pixmap = makeCanvas(navigationIconSize, dpr);
    QPainter p(&pixmap);
    prepare(p);
    paintNavigation(p, which);
    return pixmap;
}

QIcon navigationIconSet(NavIcon which)
{
    QIcon icon;
    icon.addPixmap(navigationIcon(which, 1));
    icon.addPixmap(navigationIcon(which, 2));
    return icon;
}

QPixmap startPicture(const QSize &size, qreal dpr)
{
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap = makeCanvas(size, dpr);
    QPainter p(&pixmap);
    prepare(p);
    paintStart(p, size.width(), size.height());
    return pixmap;
}

QPixmap loginPicture(const QSize &size, qreal dpr)
{
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap = makeCanvas(size, dpr);
    QPainter p(&pixmap);
    prepare(p);
    p.scale(size.width() / 80.0, size.height() / 80.0);
    paintLogin(p);
    return pixmap;
}

QPixmap versionBanner(const QSize &size, qreal dpr)
{
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap = makeCanvas(size, dpr);
    QPainter p(&pixmap);
    prepare(p);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    QLinearGradient ground(r.topLeft(), r.bottomRight());
    ground.setColorAt(0, QColor(0x2e, 0x7d, 0x32));
    ground.setColorAt(0.55, QColor(0x43, 0xa0, 0x47));
    ground.setColorAt(1, QColor(0x15, 0x65, 0xc0));
    p.fillRect(r, ground);
    // a few leaves of green rice in the corner
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(r.width() - 18 - i * 9, r.height() + 4);
        p.rotate(-28 - i * 9);
        p.setBrush(QColor(255, 255, 255, 40 + i * 12));
        p.drawEllipse(QRectF(-5, -r.height() * 0.8, 10, r.height() * 0.8));
        p.restore();
    }
    const double unit = std::min(r.height() * 0.5, r.width() * 0.22);
    p.save();
    p.translate(r.height() * 0.12, r.height() * 0.06);
    p.scale(unit / 80.0, unit / 80.0);
    paintLogin(p);
    p.restore();
    QFont title = p.font();
    title.setPixelSize(std::max(10, int(r.height() * 0.22)));
    title.setBold(true);
    p.setFont(title);
    const double left = r.height() * 0.12 + unit + r.height() * 0.1;
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(QRectF(left + 1.5, r.height() * 0.04 + 1.5, r.width() - left, r.height() * 0.34),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("『青禾』家庭doz"));
    p.setPen(Qt::white);
    p.drawText(QRectF(left, r.height() * 0.04, r.width() - left, r.height() * 0.34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("『青禾』家庭doz"));
    QFont version = title;
    version.setPixelSize(std::max(9, int(r.height() * 0.13)));
    version.setBold(false);
    p.setFont(version);
    p.setPen(QColor(255, 245, 157));
    p.drawText(QRectF(left, r.height() * 0.36, r.width() - left, r.height() * 0.22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("版本 V 2.0  ·  家庭收支小帐本"));
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap = makeCanvas(QSize(side, side), 1);
        QPainter p(&pixmap);
        prepare(p);
        p.scale(side / 64.0, side / 64.0);
        paintIcon(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void paintApplicationIcon(QPainter &p)
{
    paintIcon(p);
}

} // namespace Artwork
