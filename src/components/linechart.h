#pragma once

#include "chart.h"

#include <QList>
#include <QStringList>

class QCategoryAxis;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

// Two lines over periods: expenses ("支出", red) and incomes ("收入",
// green), 3 pixels wide, with a marker on each point where there are few
// (so that a single period shows), the periods' labels along the bottom
// axis (as many as fit, the last one always), a legend naming both lines.
class LineChart : public ChartPanel
{
    Q_OBJECT
public:
    explicit LineChart(QWidget *parent = nullptr);

    void setTitle(const QString &title);
    void setValueAxisTitle(const QString &title);

    // Replaces the points: the n-th period (1-based x) gets its label, its
    // expense and its income. The three lists have the same length.
    void setPeriods(const QStringList &labels, const QList<double> &expenses, const QList<double> &incomes);
    // A dashed line of the budget over the same periods ("预算"; NaN for a
    // period without one), or none for an empty list; setPeriods() takes it
    // away.
    void setBudget(const QList<double> &budget);
    void clear();

    QChart *chart() const { return m_chart; }
    QLineSeries *Series2; // 支出
    QLineSeries *Series3; // 收入
    QLineSeries *Series4; // 预算 (dashed), shown only with a budget
    // The labels of the periods, in the order of the points.
    const QStringList &labels() const { return m_labels; }

    void renderChart(QPainter *painter, const QRectF &rect) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateAxes();

    QChart *m_chart;
    QChartView *m_view;
    QCategoryAxis *m_periods;
    int m_rightMargin = 0; // the chart's own, beside the plot
    QValueAxis *m_amounts;
    QStringList m_labels;
};
