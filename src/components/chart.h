#pragma once

#include <QImage>
#include <QWidget>

class QPainter;
class QPrinter;
class SaveDialog;

// A chart panel: draws itself on screen, on a printer and into a picture.
// Subclasses draw in renderChart(); the panel adds the white ground.
class ChartPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ChartPanel(QWidget *parent = nullptr);

    // Draws the chart (without a ground) into rect, which may be of another
    // size than the panel (a printed page): everything scales with it.
    virtual void renderChart(QPainter *painter, const QRectF &rect) const = 0;

    // The chart at the size of the panel on a white ground.
    QImage picture() const;
    // Writes picture() to path as a Windows bitmap, under a temporary name
    // renamed when whole; false when the file could not be written.
    bool saveBitmap(const QString &path) const;
    // Opens the print preview ("ChartPrintPreview") modally over owner, from
    // which the user prints or saves a PDF; the chart fills the page width.
    void printPreview(QWidget *owner);
    // Draws the chart on printer's first page; nothing when it cannot be
    // painted on.
    void print(QPrinter *printer) const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Saves a chart as a picture: asks for a file through dialog (its filter
// "bmp|bmp"), appends ".bmp" to the chosen name whatever it ends with (the
// dialog keeps the full name), and writes the chart there. Nothing happens
// when the user cancels. Throws an exception derived from std::exception
// with a Chinese message when the file cannot be written.
void ExportChartPicture(SaveDialog *dialog, ChartPanel *chart);
