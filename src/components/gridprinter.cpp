#include "gridprinter.h"

#include "data/filesafety.h"

#include "busy.h"
#include "dbgrideh.h"

#include "platform/platform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTableView>

#include <cmath>
#include <memory>

namespace {

// Everything on a page is laid out in screen pixels at 96 dpi; the painter
// scales them to the printer's resolution.
const double ScreenDpi = 96.0;
// Rows beyond which a printout shows that it is being made.
const int LongPrintout = 2000;
const double CellPadding = 3.0;
const double BlockGap = 4.0;
const QColor TitleBackground(0xF0, 0xF0, 0xF0);
const QColor FooterBackground(0xFF, 0xFF, 0xE1);
const QColor RuleColour(0x80, 0x80, 0x80);

// 黑体 where it is installed, else the CJK sans face of the system.
QFont headerFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("黑体"), QStringLiteral("SimHei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

QFont pixelFont(const QFont &screenFont, int pixels)
{
    QFont font = screenFont;
    font.setPixelSize(pixels);
    return font;
}

// The grid's own font at the size it has on screen, in pixels.
QFont bodyFont(const QFont &screenFont)
{
    if (screenFont.pixelSize() > 0)
        return screenFont;
    return pixelFont(screenFont, qMax(1, int(std::lround(screenFont.pointSizeF() * ScreenDpi / 72.0))));
}

struct PrintColumn
{
    int column;
    double width;
};

// Splits the columns into bands that each fit the page width; a column wider
// than the page is a band of its own (and is cut at the page edge).
QList<QList<PrintColumn>> columnBands(const QList<PrintColumn> &columns, double pageWidth)
{
    QList<QList<PrintColumn>> bands;
    QList<PrintColumn> band;
    double used = 0;
    for (const PrintColumn &c : columns) {
        if (!band.isEmpty() && used + c.width > pageWidth) {
            bands.append(band);
            band.clear();
            used = 0;
        }
        band.append(c);
        used += c.width;
    }
    if (!band.isEmpty())
        bands.append(band);
    return bands;
}

void drawCell(QPainter *painter, const QRectF &cell, const QString &text, Qt::Alignment alignment, const QColor &colour,
              const QColor &background, const QFontMetricsF &metrics)
{
    if (background.isValid())
        painter->fillRect(cell, background);
    painter->setPen(QPen(RuleColour, 0.5));
    painter->drawRect(cell);
    if (text.isEmpty())
        return;
    const QRectF inner = cell.adjusted(CellPadding, 0, -CellPadding, 0);
    painter->setPen(colour.isValid() ? colour : QColor(Qt::black));
    painter->drawText(inner, int(alignment) | Qt::TextSingleLine,
                      metrics.elidedText(text, Qt::ElideRight, inner.width()));
}

} // namespace

GridPrinter::GridPrinter(QObject *parent)
    : QObject(parent)
{}

void GridPrinter::setGrid(DBGridEh *grid)
{
    m_grid = grid;
}

DBGridEh *GridPrinter::grid() const
{
    return m_grid;
}

void GridPrinter::previewGrid(DBGridEh *grid, const QString &title, QWidget *owner)
{
    m_header.clear();
    setGrid(grid);
    m_header.append(title);
    preview(owner);
}

void GridPrinter::preview(QWidget *owner)
{
    // The printer and the dialog live for this call; the dialog is owner's child.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) { print(p); });
    platform().showModal(&dialog);
}

void GridPrinter::print(QPrinter *printer)
{
    paint(printer);
}

bool GridPrinter::printToPdf(const QString &path)
{
    // Written under a temporary name and renamed when whole, so that a full
    // disk never leaves a truncated file where a good one was.
    const QString temp = FileSafety::temporarySibling(path);
    bool ok;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temp);
        printer.setPageSize(QPageSize(QPageSize::A4));
        ok = paint(&printer);
    } // the printer writes the end of the file when it goes
    ok = ok && QFileInfo(temp).size() > 0 && FileSafety::syncFile(temp) && FileSafety::replaceFile(temp, path);
    if (!ok)
        QFile::remove(temp);
    return ok;
}

bool GridPrinter::paint(QPrinter *printer)
{
    if (!m_grid)
        return false;
    const DBGridEh *grid = m_grid;
    printer->setFullPage(false);
    printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    const double scale = printer->resolution() / ScreenDpi;
    painter.scale(scale, scale);
    const QRectF pageRect = printer->pageRect(QPrinter::DevicePixel);
    const double pageWidth = pageRect.width() / scale;
    const double pageHeight = pageRect.height() / scale;

    const QFont titleFont = headerFont();
    const QFont body = bodyFont(grid->view()->font());
    const QFont footFont = pixelFont(body, 11);
    const QFontMetricsF titleMetrics(titleFont, printer);
    const QFontMetricsF bodyMetrics(body, printer);
    const QFontMetricsF footMetrics(footFont, printer);

    const double headerLine = std::ceil(titleMetrics.height()) + 2;
    const double footerLine = std::ceil(footMetrics.height()) + 1;
    const double headerHeight = m_header.isEmpty() ? 0.0 : m_header.size() * headerLine + BlockGap;
    const double footerHeight = m_footer.isEmpty() ? 0.0 : m_footer.size() * footerLine + BlockGap;
    const double rowHeight = std::ceil(bodyMetrics.height()) + 6;

    const QList<GridColumn> &columns = grid->columns();
    QList<PrintColumn> printed;
    bool hasFooter = false;
    for (int column : grid->visibleColumns()) {
        printed.append({column, double(grid->view()->columnWidth(column))});
        hasFooter = hasFooter || columns.at(column).footer != FooterKind::None;
    }
    QList<QList<PrintColumn>> bands = columnBands(printed, pageWidth);
    if (bands.isEmpty())
        bands.append(QList<PrintColumn>()); // no columns: still the header and footer lines

    const int rows = grid->view()->model() ? grid->view()->model()->rowCount() : 0;
    const int lines = rows + (hasFooter ? 1 : 0); // the footer row follows the last row
    const double tableTop = headerHeight;
    const int linesPerPage = qMax(1, int((pageHeight - footerHeight - tableTop - rowHeight) / rowHeight));
    const int rowPages = qMax(1, (lines + linesPerPage - 1) / linesPerPage);

    // a long list takes its seconds (a million rows, a minute): the wait
    // cursor at once, the pages laid out so far after a second, and 取消,
    // which leaves the printout unfinished
    std::unique_ptr<BusyIndicator> busy;
    if (rows > LongPrintout) {
        busy = std::make_unique<BusyIndicator>(grid->window(), QStringLiteral("正在排版 %1 条记录……").arg(rows), true);
        busy->setMaximum(rowPages);
    }
    bool firstPage = true;
    for (int rowPage = 0; rowPage < rowPages; ++rowPage) {
        if (busy) {
            busy->setValue(rowPage);
            // the windows are painted meanwhile (input is held back)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (busy->cancelled()) {
                painter.end();
                return false;
            }
        }
        const int firstLine = rowPage * linesPerPage;
        const int lastLine = qMin(lines, firstLine + linesPerPage); // exclusive
        for (const QList<PrintColumn> &band : std::as_const(bands)) {
            if (!firstPage && !printer->newPage())
                return false;
            firstPage = false;

            painter.setFont(titleFont);
            painter.setPen(Qt::black);
            for (int i = 0; i < m_header.size(); ++i)
                painter.drawText(QRectF(0, i * headerLine, pageWidth, headerLine), Qt::AlignCenter, m_header.at(i));

            painter.setFont(body);
            double x = 0;
            for (const PrintColumn &c : band) {
                drawCell(&painter, QRectF(x, tableTop, c.width, rowHeight), columns.at(c.column).title, Qt::AlignCenter,
                         QColor(), TitleBackground, bodyMetrics);
                x += c.width;
            }
            double y = tableTop + rowHeight;
            for (int line = firstLine; line < lastLine; ++line, y += rowHeight) {
                x = 0;
                const bool footer = line == rows;
                for (const PrintColumn &c : band) {
                    const GridColumn &gc = columns.at(c.column);
                    const QRectF cell(x, y, c.width, rowHeight);
                    if (footer)
                        drawCell(&painter, cell, grid->footerText(c.column), gc.footerAlignment, gc.footerColor,
                                 FooterBackground, bodyMetrics);
                    else
                        drawCell(&painter, cell, grid->cellText(line, c.column), gc.alignment, gc.color, QColor(),
                                 bodyMetrics);
                    x += c.width;
                }
            }

            painter.setFont(footFont);
            painter.setPen(Qt::black);
            const double footerTop = pageHeight - footerHeight + BlockGap;
            for (int i = 0; i < m_footer.size(); ++i)
                painter.drawText(QRectF(0, footerTop + i * footerLine, pageWidth, footerLine), Qt::AlignCenter,
                                 m_footer.at(i));
        }
    }
    return painter.end();
}
