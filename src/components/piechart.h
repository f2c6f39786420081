#pragma once

#include "chart.h"

#include <QColor>
#include <QList>
#include <QString>

// A three-dimensional pie: an elliptical top over a side wall, seen from
// above at an angle. Slices keep the order they were added in, each in the
// next colour of a palette of clearly distinct colours, starting at the pie
// rotation angle and going round counter-clockwise. Beside each slice a mark
// gives its label and percentage (marks of slices under 2 % are left out
// when there are more than twelve slices); the legend at the bottom lists
// every slice. Where the marks and the legend have no room for every slice,
// the smallest are drawn together as one, "其他". Pie and marks stay between
// the title and the legend at any zoom. The view settings stay until changed; clearing the slices
// keeps them.
class PieChart : public ChartPanel
{
    Q_OBJECT
public:
    struct Slice
    {
        QString label;
        double value = 0;
        QColor color;
    };

    explicit PieChart(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    QString title() const { return m_title; }

    // --- the series ------------------------------------------------------------
    void clear();
    // Adds a slice in the next colour of the palette; a value of 0 or less
    // takes no room in the pie but keeps its legend entry.
    void addSlice(const QString &label, double value);
    const QList<Slice> &slices() const { return m_slices; }
    // The share of slice index in the sum of the positive values, in percent;
    // 0 when there is nothing to share.
    double percent(int index) const;
    // "label 12.34%": the text of a slice's mark and legend entry.
    QString sliceText(int index) const;
    // The colour of the n-th slice added (0-based).
    static QColor paletteColor(int n);

    // --- the view ------------------------------------------------------------------
    // The angle, in degrees, where the first slice starts (0..359).
    int rotationAngle() const { return m_rotationAngle; }
    void setRotationAngle(int degrees);
    // The size in percent of the fitted pie (any value above 0).
    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    // The viewing angle in degrees: 270 looks straight down, 315 from 45°
    // above, 360 from the side; any value (taken modulo 360 when drawn).
    int elevation() const { return m_elevation; }
    void setElevation(int degrees);
    // The height of the wall in percent of the pie's radius.
    int depth() const { return m_depth; }
    void setDepth(int percent);

    void renderChart(QPainter *painter, const QRectF &rect) const override;
    // The slices as drawn when room slices fit: all of them, or the largest
    // room - 1 in their order and the rest together as "其他".
    QList<Slice> shownSlices(int room) const;

private:
    QString m_title;
    QList<Slice> m_slices;
    int m_rotationAngle = 38;
    int m_zoom = 103;
    int m_elevation = 315;
    int m_depth = 18;
};
