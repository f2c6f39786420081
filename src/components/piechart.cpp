#include "piechart.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
// Marks of slices smaller than this share are left out when there are many.
constexpr double SmallShare = 2.0;
constexpr int ManySlices = 12;

double radians(double degrees)
{
    return degrees * Pi / 180.0;
}

QFont pixelFont(const QFont &base, double pixels, bool bold = false)
{
    QFont f = base;
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

// Where a mark goes and what it says.
struct Mark
{
    QString text;
    QPointF at;        // the point beside the slice
    bool right = true; // the mark stands right of the point
    QRectF box;
};

// Pushes the boxes of one side apart so that none overlaps the next, and
// keeps them between top and bottom as far as they fit.
void spreadMarks(QList<Mark *> &marks, double top, double bottom)
{
    std::sort(marks.begin(), marks.end(), [](const Mark *a, const Mark *b) { return a->box.top() < b->box.top(); });
    double next = top;
    for (Mark *m : marks) {
        if (m->box.top() < next)
            m->box.moveTop(next);
        next = m->box.bottom() + 2;
    }
    double limit = bottom;
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
        if ((*it)->box.bottom() > limit)
            (*it)->box.moveBottom(limit);
        limit = (*it)->box.top() - 2;
    }
}

} // namespace

PieChart::PieChart(QWidget *parent)
    : ChartPanel(parent)
{
    setMinimumSize(200, 160);
}

void PieChart::setTitle(const QString &title)
{
    m_title = title;
    update();
}

void PieChart::clear()
{
    m_slices.clear();
    update();
}

void PieChart::addSlice(const QString &label, double value)
{
    m_slices.append({label, value, paletteColor(int(m_slices.size()))});
    update();
}

double PieChart::percent(int index) const
{
    double total = 0;
    for (const Slice &s : m_slices)
        if (s.value > 0)
            total += s.value;
    if (total <= 0 || index < 0 || index >= m_slices.size() || m_slices.at(index).value <= 0)
        return 0;
    return m_slices.at(index).value / total * 100.0;
}

QString PieChart::sliceText(int index) const
{
    return m_slices.value(index).label + QLatin1Char(' ') + QString::number(percent(index), 'f', 2) + QLatin1Char('%');
}

QColor PieChart::paletteColor(int n)
{
    static const QRgb colors[]
        = {0xe8473e, 0x3d85c6, 0xf6b026, 0x6aa84f, 0x8e63b8, 0x2bb3a6, 0xf1e05a, 0xc2185b, 0x8d6e63, 0x9ccc65,
           0x26a9e0, 0xff8a65, 0x5c6bc0, 0xa1887f, 0xd4e157, 0x7e57c2, 0x00897b, 0xef5350, 0x78909c, 0xffb300};
    constexpr int count = int(sizeof colors / sizeof colors[0]);
    QColor c(colors[n % count]);
    // past the palette, the same colours again, lighter each round
    for (int round = n / count; round > 0; --round)
        c = c.lighter(118);
    return c;
}

void PieChart::setRotationAngle(int degrees)
{
    m_rotationAngle = ((degrees % 360) + 360) % 360;
    update();
}

void PieChart::setZoom(int percent)
{
    if (percent > 0)
        m_zoom = percent;
    update();
}

void PieChart::setElevation(int degrees)
{
    m_elevation = degrees;
    update();
}

void PieChart::setDepth(int percent)
{
    m_depth = std::max(0, percent);
    update();
}

QList<PieChart::Slice> PieChart::shownSlices(int room) const
{
    QList<int> positive;
    for (int i = 0; i < m_slices.size(); ++i)
        if (m_slices.at(i).value > 0)
            positive.append(i);
    if (room < 2 || positive.size() <= room)
        return m_slices;
    // the largest keep their place; the smallest go together into "其他"
    QList<int> bySize = positive;
    std::stable_sort(bySize.begin(), bySize.end(),
                     [this](int a, int b) { return m_slices.at(a).value > m_slices.at(b).value; });
    QList<int> kept = bySize.mid(0, room - 1);
    std::sort(kept.begin(), kept.end());
    QList<Slice> shown;
    double rest = 0;
    for (int i : std::as_const(kept))
        shown.append(m_slices.at(i));
    for (int i : bySize.mid(room - 1))
        rest += m_slices.at(i).value;
    shown.append({QStringLiteral("其他"), rest, QColor(0xb0, 0xb0, 0xb0)});
    return shown;
}

void PieChart::renderChart(QPainter *painter, const QRectF &rect) const
{
    painter->save();
    painter->setClipRect(rect);
    const QFont base = painter->font();

    // the title: bold, underlined, navy
    QFont titleFont = pixelFont(base, 15, true);
    titleFont.setUnderline(true);
    painter->setFont(titleFont);
    painter->setPen(QColor(0, 0, 128));
    const double titleHeight = QFontMetricsF(titleFont).height() + 10;
    painter->drawText(QRectF(rect.left(), rect.top() + 4, rect.width(), titleHeight), Qt::AlignHCenter | Qt::AlignTop,
                      m_title);

    const QFont textFont = pixelFont(base, 12);
    const QFontMetricsF metrics(textFont);
    const double line = metrics.height() + 3;
    const double swatch = std::round(metrics.height() * 0.7);

    // As many slices as their marks and legend have room for; the smallest
    // of the rest are shown together as "其他".
    double widest = 0;
    for (const Slice &s : m_slices)
        widest = std::max(widest, swatch + 6 + metrics.horizontalAdvance(s.label + QStringLiteral(" 100.00%")) + 18);
    const int legendColumns = widest > 0 ? std::max(1, int((rect.width() - 16) / widest)) : 1;
    const int legendRows = std::max(2, int(rect.height() * 0.22 / line));
    const double markRoom = rect.height() - titleHeight - legendRows * line - 24;
    const int markRows = std::max(1, int(markRoom / (metrics.height() + 4)));
    const QList<Slice> slices = shownSlices(std::min(legendRows * legendColumns, 2 * markRows));
    double total = 0;
    for (const Slice &s : slices)
        if (s.value > 0)
            total += s.value;
    const auto textOf = [&](int i) {
        const double share = total > 0 && slices.at(i).value > 0 ? slices.at(i).value / total * 100.0 : 0;
        return slices.at(i).label + QLatin1Char(' ') + QString::number(share, 'f', 2) + QLatin1Char('%');
    };

    // the legend: rows of columns at the bottom
    double itemWidth = 0;
    for (int i = 0; i < slices.size(); ++i)
        itemWidth = std::max(itemWidth, swatch + 6 + metrics.horizontalAdvance(textOf(i)) + 18);
    const int columns = itemWidth > 0 ? std::max(1, int((rect.width() - 16) / itemWidth)) : 1;
    const int rows = int((slices.size() + columns - 1) / columns);
    const double legendHeight = rows > 0 ? rows * line + 10 : 0;
    painter->setFont(textFont);
    const double legendLeft = rect.left() + (rect.width() - std::min<double>(columns, slices.size()) * itemWidth) / 2;
    const double legendTop = rect.bottom() - legendHeight + 4;
    for (int i = 0; i < slices.size(); ++i) {
        const double x = legendLeft + (i % columns) * itemWidth;
        const double y = legendTop + (i / columns) * line;
        painter->setPen(slices.at(i).color.darker(160));
        painter->setBrush(slices.at(i).color);
        painter->drawRect(QRectF(x, y + (line - swatch) / 2, swatch, swatch));
        painter->setPen(Qt::black);
        painter->drawText(QRectF(x + swatch + 6, y, itemWidth - swatch - 6, line), Qt::AlignLeft | Qt::AlignVCenter,
                          textOf(i));
    }

    const QRectF area(rect.left() + 8, rect.top() + titleHeight + 6, rect.width() - 16,
                      rect.height() - titleHeight - legendHeight - 12);
    if (total <= 0 || area.width() < 40 || area.height() < 40) {
        painter->restore();
        return;
    }
    // the pie and its marks stay between the title and the legend at any zoom
    painter->setClipRect(area);

    // which marks are shown
    const bool many = slices.size() > ManySlices;
    QList<int> marked;
    double markWidth = 0;
    for (int i = 0; i < slices.size(); ++i) {
        if (slices.at(i).value <= 0 || (many && slices.at(i).value / total * 100.0 < SmallShare))
            continue;
        marked.append(i);
        markWidth = std::max(markWidth, metrics.horizontalAdvance(textOf(i)) + 8);
    }
    markWidth = std::min(markWidth + 14, area.width() * 0.3);

    // the view: the angle above the pie's plane, and which side is seen
    const double view = radians(std::fmod(360.0 - std::fmod(double(m_elevation), 360.0) + 360.0, 360.0));
    const double sinView = std::sin(view);
    const double side = sinView < 0 ? -1.0 : 1.0; // -1: seen from below
    const double squash = std::clamp(0.75 * std::fabs(sinView) / std::sin(Pi / 4), 0.06, 1.0);
    const double wall = m_depth / 100.0 * std::fabs(std::cos(view)) / std::cos(Pi / 4);

    // the pie fitted between the marks, then zoomed
    const double fitWide = (area.width() - 2 * markWidth) / 2;
    const double fitHigh = (area.height() - 2 * (line + 4)) / (2 * squash + wall);
    const double a = std::max(4.0, std::min(fitWide, fitHigh)) * m_zoom / 103.0;
    const double b = a * squash;
    const double h = a * wall;
    const QPointF centre(area.center().x(), area.center().y() - side * h / 2);
    auto point = [&](double degrees) {
        const double t = radians(degrees);
        return QPointF(centre.x() + a * std::cos(t), centre.y() - side * b * std::sin(t));
    };
    // the part of the rim facing the viewer, whose wall shows (mirrored
    // with the rest of the picture when seen from below)
    auto front = [&](double degrees) {
        return std::sin(radians(degrees)) < 0;
    };
    const QPointF down(0, side * h);

    struct Span
    {
        double from;
        double to;
    };
    QList<Span> spans;
    double angle = m_rotationAngle;
    for (const Slice &s : slices) {
        const double sweep = s.value > 0 ? s.value / total * 360.0 : 0;
        spans.append({angle, angle + sweep});
        angle += sweep;
    }

    // the wall: the front part of each slice's rim, shaded like a lit cylinder
    for (int i = 0; i < slices.size(); ++i) {
        const Span &span = spans.at(i);
        if (span.to - span.from <= 0 || h <= 0.5)
            continue;
        const QColor c = slices.at(i).color;
        QLinearGradient shade(centre.x() - a, 0, centre.x() + a, 0);
        shade.setColorAt(0.0, c.darker(185));
        shade.setColorAt(0.35, c.darker(118));
        shade.setColorAt(0.6, c.darker(128));
        shade.setColorAt(1.0, c.darker(200));
        const int steps = std::max(2, int(std::ceil((span.to - span.from) / 1.5)));
        QList<QPointF> run;
        auto flush = [&] {
            if (run.size() >= 2) {
                QPolygonF wallShape(run);
                for (auto it = run.crbegin(); it != run.crend(); ++it)
                    wallShape.append(*it + down);
                painter->setPen(QPen(c.darker(230), 0.7));
                painter->setBrush(shade);
                painter->drawPolygon(wallShape);
            }
            run.clear();
        };
        for (int k = 0; k <= steps; ++k) {
            const double t = span.from + (span.to - span.from) * k / steps;
            if (front(t))
                run.append(point(t));
            else
                flush();
        }
        flush();
    }

    // the top: each slice as a sector of the ellipse, lit from the back left
    for (int i = 0; i < slices.size(); ++i) {
        const Span &span = spans.at(i);
        if (span.to - span.from <= 0)
            continue;
        const QColor c = slices.at(i).color;
        QPainterPath sector(centre);
        const int steps = std::max(2, int(std::ceil((span.to - span.from) / 1.5)));
        for (int k = 0; k <= steps; ++k)
            sector.lineTo(point(span.from + (span.to - span.from) * k / steps));
        sector.closeSubpath();
        QRadialGradient light(centre.x() - a * 0.35, centre.y() - side * b * 0.45, a * 1.35);
        light.setColorAt(0.0, c.lighter(135));
        light.setColorAt(1.0, c.darker(108));
        painter->setPen(QPen(QColor(255, 255, 255, 170), 0.9));
        painter->setBrush(light);
        painter->drawPath(sector);
    }
    // the rim of the top, a little darker, gives the edge its line
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(QColor(0, 0, 0, 60), 1.0));
    painter->drawEllipse(centre, a, b);

    // the marks beside the slices, kept apart and inside the picture
    QList<Mark> marks;
    marks.reserve(marked.size());
    for (int i : marked) {
        const Span &span = spans.at(i);
        const double mid = (span.from + span.to) / 2;
        const double t = radians(mid);
        Mark m;
        m.text = textOf(i);
        m.right = std::cos(t) >= 0;
        m.at = QPointF(centre.x() + (a + 10) * std::cos(t), centre.y() - side * (b + 10) * std::sin(t));
        if (front(mid))
            m.at += down;
        const QSizeF size(metrics.horizontalAdvance(m.text) + 8, metrics.height() + 2);
        m.box = QRectF(m.right ? m.at.x() : m.at.x() - size.width(), m.at.y() - size.height() / 2, size.width(),
                       size.height());
        marks.append(m);
    }
    QList<Mark *> left;
    QList<Mark *> right;
    for (Mark &m : marks)
        (m.right ? right : left).append(&m);
    spreadMarks(left, area.top(), area.bottom());
    spreadMarks(right, area.top(), area.bottom());
    painter->setFont(textFont);
    for (Mark &m : marks) {
        if (m.box.left() < area.left())
            m.box.moveLeft(area.left());
        if (m.box.right() > area.right())
            m.box.moveRight(area.right());
        if (m.box.top() < area.top() || m.box.bottom() > area.bottom())
            continue; // no room left for it: the legend names it
        painter->setPen(QColor(128, 128, 128));
        painter->setBrush(QColor(255, 255, 225));
        painter->drawRect(m.box);
        painter->setPen(Qt::black);
        painter->drawText(m.box, Qt::AlignCenter, m.text);
    }
    painter->restore();
}
