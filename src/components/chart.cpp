#include "chart.h"

#include "data/filesafety.h"
#include "gridexport.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <stdexcept>

ChartPanel::ChartPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderChart(&painter, QRectF(rect()));
}

QImage ChartPanel::picture() const
{
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderChart(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

bool ChartPanel::saveBitmap(const QString &path) const
{
    const QString temp = FileSafety::temporarySibling(path);
    const bool ok = picture().save(temp, "BMP") && FileSafety::syncFile(temp) && FileSafety::replaceFile(temp, path);
    if (!ok)
        QFile::remove(temp);
    return ok;
}

void ChartPanel::print(QPrinter *printer) const
{
    QPainter painter;
    if (!painter.begin(printer))
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The panel's proportions, as large as the page holds them whole;
    // drawn in the panel's own units so that texts keep their size
    // relative to the chart.
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    const QSizeF panel = QSizeF(size().expandedTo(QSize(400, 300)));
    const double scale = std::min(page.width() / panel.width(), page.height() / panel.height());
    painter.translate((page.width() - panel.width() * scale) / 2, 0);
    painter.scale(scale, scale);
    renderChart(&painter, QRectF(QPointF(0, 0), panel));
}

void ChartPanel::printPreview(QWidget *owner)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("ChartPrintPreview"));
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) { print(p); });
    platform().showModal(&dialog);
    update();
}

void ExportChartPicture(SaveDialog *dialog, ChartPanel *chart)
{
    if (!dialog || !chart || !dialog->execute(chart))
        return;
    // the name written ends in ".bmp"; the dialog keeps the name chosen
    const QString written = dialog->fileName + QStringLiteral(".bmp");
    if (!chart->saveBitmap(written))
        throw std::runtime_error(
            QStringLiteral("无法写入文件“%1”").arg(QDir::toNativeSeparators(written)).toStdString());
}
