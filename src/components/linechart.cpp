#include "linechart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetrics>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

QLineSeries *line(const QString &name, const QColor &color)
{
    auto *series = new QLineSeries;
    series->setName(name);
    QPen pen(color);
    pen.setWidth(3);
    series->setPen(pen);
    series->setPointsVisible(false);
    series->setPointLabelsVisible(false);
    return series;
}

} // namespace

LineChart::LineChart(QWidget *parent)
    : ChartPanel(parent)
{
    setMinimumSize(300, 200);
    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    QFont titleFont = m_chart->titleFont();
    titleFont.setBold(true);
    titleFont.setPixelSize(15);
    m_chart->setTitleFont(titleFont);
    m_chart->setTitleBrush(QColor(0, 0, 255));
    Series2 = line(QStringLiteral("支出"), QColor(255, 0, 0));
    Series3 = line(QStringLiteral("收入"), QColor(0, 128, 0));
    Series4 = line(QStringLiteral("预算"), QColor(255, 140, 0));
    QPen dashed = Series4->pen();
    dashed.setStyle(Qt::DashLine);
    dashed.setWidth(2);
    Series4->setPen(dashed);
    m_chart->addSeries(Series2);
    m_chart->addSeries(Series3);
    m_chart->addSeries(Series4);
    m_rightMargin = m_chart->margins().right();
    m_periods = new QCategoryAxis;
    m_periods->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_amounts = new QValueAxis;
    m_amounts->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_periods, Qt::AlignBottom);
    m_chart->addAxis(m_amounts, Qt::AlignLeft);
    for (QLineSeries *s : {Series2, Series3, Series4}) {
        s->attachAxis(m_periods);
        s->attachAxis(m_amounts);
    }
    Series4->setVisible(false);
    m_chart->legend()->markers(Series4).value(0)->setVisible(false);
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);
    // markers moved by a new range leave no traces behind
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_view->setBackgroundBrush(Qt::white);
    m_chart->setBackgroundBrush(Qt::white);
    // a picture: no stop of the Tab key, named by its title
    m_view->setFocusPolicy(Qt::NoFocus);
    updateAxes();
}

void LineChart::setTitle(const QString &title)
{
    m_chart->setTitle(title);
    m_view->setAccessibleName(QString(title).remove(QLatin1Char(' ')));
}

void LineChart::setValueAxisTitle(const QString &title)
{
    m_amounts->setTitleText(title);
}

void LineChart::clear()
{
    setPeriods({}, {}, {});
}

void LineChart::setPeriods(const QStringList &labels, const QList<double> &expenses, const QList<double> &incomes)
{
    m_labels = labels;
    QList<QPointF> out;
    QList<QPointF> in;
    out.reserve(labels.size());
    in.reserve(labels.size());
    for (int n = 0; n < labels.size(); ++n) {
        out.append(QPointF(n + 1, expenses.value(n)));
        in.append(QPointF(n + 1, incomes.value(n)));
    }
    // a point of its own where there are few (a single period is a point)
    for (QLineSeries *s : {Series2, Series3}) {
        s->setMarkerSize(8);
        s->setPointsVisible(labels.size() <= 62);
    }
    // replaced at once: one repaint for thousands of points
    Series2->replace(out);
    Series3->replace(in);
    Series4->clear();
    Series4->setVisible(false);
    m_chart->legend()->markers(Series4).value(0)->setVisible(false);
    updateAxes();
}

void LineChart::setBudget(const QList<double> &budget)
{
    QList<QPointF> points;
    for (int n = 0; n < budget.size() && n < m_labels.size(); ++n)
        if (!std::isnan(budget.at(n))) // a period without a budget has no point
            points.append(QPointF(n + 1, budget.at(n)));
    Series4->replace(points);
    Series4->setVisible(!points.isEmpty());
    m_chart->legend()->markers(Series4).value(0)->setVisible(!points.isEmpty());
    updateAxes();
}

void LineChart::updateAxes()
{
    const int n = int(m_labels.size());
    for (const QString &label : m_periods->categoriesLabels())
        m_periods->remove(label);
    // as many labels as fit side by side, evenly spaced
    int widest = 0;
    const QFontMetrics metrics(m_periods->labelsFont());
    for (const QString &label : std::as_const(m_labels))
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const int room = std::max(2, (width() - 120) / std::max(60, widest + 24));
    const int step = std::max(1, int(std::ceil(double(n) / room)));
    QList<int> shown;
    for (int k = 1; k <= n; k += step)
        shown.append(k);
    // the last period always has its label; the one before it gives way
    // where the two would crowd each other
    if (n > 1 && shown.last() != n) {
        if (shown.size() > 1 && n - shown.last() < step)
            shown.removeLast();
        shown.append(n);
    }
    for (int k : std::as_const(shown))
        m_periods->append(m_labels.at(k - 1), k);
    // half a period of room at either end, for the first and last labels;
    // the last label is centred on the plot's right edge where periods are
    // many, so the chart keeps half of it beside the plot
    m_periods->setRange(0.5, std::max(n, 1) + 0.5);
    m_periods->setStartValue(0.5);
    QMargins margins = m_chart->margins();
    margins.setRight(std::max(m_rightMargin, widest / 2 + 6));
    m_chart->setMargins(margins);

    double low = 0;
    double high = 0;
    for (QLineSeries *s : {Series2, Series3, Series4})
        for (const QPointF &p : s->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    if (high <= low)
        high = low + 100;
    m_amounts->setRange(low, high * 1.08);
    m_amounts->setTickCount(6);
    m_amounts->applyNiceNumbers();
}

void LineChart::paintEvent(QPaintEvent *)
{
    // the view covers the panel
}

void LineChart::resizeEvent(QResizeEvent *event)
{
    ChartPanel::resizeEvent(event);
    m_view->setGeometry(rect());
    updateAxes();
}

void LineChart::renderChart(QPainter *painter, const QRectF &rect) const
{
    m_view->render(painter, rect, m_view->viewport()->rect());
}
