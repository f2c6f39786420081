#pragma once

// The parts of the data grid: its model (the grid's columns over the
// dataset), its view (room for the footer below the rows, the frozen
// columns over them) and the footer row. Used by DBGridEh only; they reach
// the grid through its public interface.

#include "dbgrideh.h"

#include "data/datasetmodel.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

namespace DBGridParts {

inline const QColor FooterBackground(0xFF, 0xFF, 0xE1);
constexpr int CellPadding = 3;

} // namespace DBGridParts

using DBGridParts::CellPadding;
using DBGridParts::FooterBackground;

// --- the model: the grid's columns over the dataset ---------------------------

// The dataset adapter with the grid's formats, alignments, colours and hint.
// It always has one column per grid column, even when no columns are set.
class DBGridEhModel : public DatasetModel
{
public:
    DBGridEhModel(Dataset *dataset, DBGridEh *grid)
        : DatasetModel(dataset, grid)
        , m_grid(grid)
    {}

    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(columnFields().size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.model() != this || index.column() >= m_grid->columns().size())
            return QVariant();
        const GridColumn &column = m_grid->columns().at(index.column());
        switch (role) {
        case Qt::DisplayRole:
            return m_grid->cellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment);
        case Qt::ForegroundRole: {
            double number = 0;
            const Dataset *rows = dataset();
            if (column.negativeColor.isValid() && rows && rows->isActive()
                && rows->numberAt(index.row(), fieldOfColumn(index.column()), &number) && number < 0)
                return QVariant(column.negativeColor);
            return column.color.isValid() ? QVariant(column.color) : QVariant();
        }
        case Qt::ToolTipRole:
            return m_grid->hint().isEmpty() ? QVariant() : QVariant(m_grid->hint());
        default:
            return DatasetModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
            return m_grid->hint().isEmpty() ? QVariant() : QVariant(m_grid->hint());
        return DatasetModel::headerData(section, orientation, role);
    }

private:
    DBGridEh *m_grid;
};

// --- the view: footer below the rows, frozen columns over them -----------------

// The table view of the grid. It keeps room for the footer row between the
// rows and the horizontal scroll bar and places the footer and the frozen
// overlay whenever its geometry changes.
class DBGridEhView : public QTableView
{
public:
    explicit DBGridEhView(DBGridEh *grid)
        : QTableView(grid)
        , m_grid(grid)
    {}

    // A cell scrolled into view never ends up under the frozen columns.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override
    {
        QScrollBar *sideways = horizontalScrollBar();
        const int before = sideways->value();
        QTableView::scrollTo(index, hint);
        const int frozen = m_grid->frozenWidth();
        if (frozen <= 0 || !index.isValid())
            return;
        if (m_grid->frozenColumns().contains(index.column())) {
            sideways->setValue(before);
            return;
        }
        const QRect cell = visualRect(index);
        if (cell.left() < frozen)
            sideways->setValue(sideways->value() + cell.left() - frozen);
    }

protected:
    void updateGeometries() override
    {
        QTableView::updateGeometries(); // sets the margins of the headers, bottom 0
        QMargins margins = viewportMargins();
        const int footer = m_grid->rowHeight();
        if (margins.bottom() != footer) {
            margins.setBottom(footer);
            setViewportMargins(margins);
        }
        // The base class sized the scroll range for a viewport without the
        // footer; size it for the rows above the footer.
        if (model()) {
            const int height = viewport()->height();
            verticalScrollBar()->setRange(0, qMax(0, verticalHeader()->length() - height));
            verticalScrollBar()->setPageStep(height);
            verticalScrollBar()->setSingleStep(qMax(1, verticalHeader()->defaultSectionSize()));
        }
        if (isVisible() && viewport()->height() > 0 && m_grid->takePendingScroll()) {
            const QModelIndex current = currentIndex();
            if (current.isValid())
                scrollTo(current);
        }
        m_grid->layoutOverlays();
    }

    void resizeEvent(QResizeEvent *event) override
    {
        QTableView::resizeEvent(event);
        m_grid->layoutOverlays();
    }

private:
    DBGridEh *m_grid;
};

// The footer row: per visible column its footer text on a pale yellow
// ground, aligned with the columns above it as they scroll, move and resize.
class DBGridEhFooter : public QWidget
{
public:
    DBGridEhFooter(DBGridEh *grid, QWidget *parent)
        : QWidget(parent)
        , m_grid(grid)
    {
        setObjectName(QStringLiteral("DBGridEhFooter"));
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), FooterBackground);
        QStyleOptionViewItem option;
        option.initFrom(m_grid->view());
        const QColor lines = QColor::fromRgb(
            QRgb(m_grid->view()->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, m_grid->view())));

        const QHeaderView *header = m_grid->view()->horizontalHeader();
        const QList<int> frozen = m_grid->frozenColumns();
        const int frozenWidth = m_grid->frozenWidth();
        painter.save();
        painter.setClipRect(QRect(frozenWidth, 0, width() - frozenWidth, height()));
        for (int column : m_grid->visibleColumns()) {
            if (frozen.contains(column))
                continue;
            const QRect cell(header->sectionViewportPosition(column), 0, header->sectionSize(column), height());
            if (cell.right() >= frozenWidth && cell.left() < width())
                paintCell(&painter, cell, column, lines);
        }
        painter.restore();
        int x = 0;
        for (int column : frozen) {
            const int w = header->sectionSize(column);
            paintCell(&painter, QRect(x, 0, w, height()), column, lines);
            x += w;
        }
        painter.setPen(lines);
        painter.drawLine(0, 0, width(), 0);
    }

private:
    void paintCell(QPainter *painter, const QRect &cell, int column, const QColor &lines)
    {
        painter->fillRect(cell, FooterBackground);
        painter->setPen(lines);
        painter->drawLine(cell.topRight(), cell.bottomRight());
        const QString text = m_grid->footerText(column);
        if (text.isEmpty())
            return;
        const GridColumn &c = m_grid->columns().at(column);
        painter->setPen(c.footerColor.isValid() ? c.footerColor : palette().color(QPalette::Text));
        const QRect inner = cell.adjusted(CellPadding, 0, -CellPadding - 1, 0);
        painter->drawText(inner, int(c.footerAlignment), fontMetrics().elidedText(text, Qt::ElideRight, inner.width()));
    }

    DBGridEh *m_grid;
};
