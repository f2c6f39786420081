#include "dbgrideh.h"

#include "cellformat.h"
#include "columnchooser.h"
#include "dbgridparts.h"
#include "gridlayouts.h"
#include "numberpattern.h"

#include "gridprinter.h"

#include "data/datasetmodel.h"
#include "platform/platform.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Selected rows look the same whether or not the view has the focus, so the
// frozen part and the rest of a row never differ.
void keepSelectionColours(QWidget *view)
{
    QPalette p = view->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(p);
}

void setUpView(QTableView *view, int rowHeight)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab leaves the grid for the next control; the arrows walk the rows.
    view->setTabKeyNavigation(false);
    // Rows all have one height, so the view never measures contents: this is
    // what keeps a million rows fast.
    QHeaderView *rows = view->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(rowHeight);
    QHeaderView *titles = view->horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignCenter);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setContextMenuPolicy(Qt::CustomContextMenu);
    titles->setMinimumSectionSize(8);
    keepSelectionColours(view);
}

} // namespace

QString formatNumber(const QString &pattern, double value)
{
    return NumberPattern(pattern).format(value);
}

// --- the grid ---------------------------------------------------------------------

DBGridEh::DBGridEh(QWidget *parent)
    : QWidget(parent)
{
    // every connection of the grid to its parts and its dataset has this
    // object for its context: the grid's reactions end with it
    m_links = new QObject(this);
    auto *layout = new QVBoxLayout(this); // owned by the grid
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new DBGridEhView(this);
    m_view->setObjectName(QStringLiteral("DBGridEhView"));
    layout->addWidget(m_view);
    setUpView(m_view, rowHeight());
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows scroll by pixels: the footer takes the bottom of the viewport, and
    // a pixel range is what can be sized for the rows above it.
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->horizontalHeader()->setSectionsMovable(true);

    // The frozen columns: a second view of the same model and selection laid
    // over the left part of the first one; it never scrolls sideways.
    m_frozen = new QTableView(m_view);
    m_frozen->setObjectName(QStringLiteral("DBGridEhFrozenView"));
    setUpView(m_frozen, rowHeight());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_frozen->horizontalHeader()->setSectionsMovable(false);
    m_view->viewport()->stackUnder(m_frozen);
    m_frozen->hide();

    m_footer = new DBGridEhFooter(this, m_view);

    for (QTableView *v : {static_cast<QTableView *>(m_view), m_frozen.data()}) {
        connect(v, &QAbstractItemView::doubleClicked, m_links, [this](const QModelIndex &index) {
            if (index.isValid())
                Q_EMIT doubleClicked();
        });
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, m_links,
                [this](int column) { sortByColumn(column); });
        connect(v, &QWidget::customContextMenuRequested, m_links,
                [this, v](const QPoint &pos) { showContextMenu(v->viewport(), pos); });
        connect(v->horizontalHeader(), &QWidget::customContextMenuRequested, m_links,
                [this, v](const QPoint &pos) { showContextMenu(v->horizontalHeader(), pos); });
    }
    QHeaderView *titles = m_view->horizontalHeader();
    connect(titles, &QHeaderView::sectionResized, m_links, [this](int column, int, int size) {
        // a title's edge dragged: the widths are the household's now
        if (!m_fitting && QApplication::mouseButtons() != Qt::NoButton)
            m_widthsChosen = true;
        if (m_frozen && !m_frozen->isColumnHidden(column) && size > 0)
            m_frozen->setColumnWidth(column, size);
        layoutOverlays();
        if (m_footer)
            m_footer->update();
    });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, m_links, [this](int column, int, int size) {
        // the frozen titles cover the main ones: resizing there resizes the column
        if (!m_frozen->isColumnHidden(column) && size > 0)
            m_view->setColumnWidth(column, size);
    });
    connect(titles, &QHeaderView::sectionMoved, m_links, [this] { syncFrozenColumns(); });
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_links, [this] {
        if (m_footer)
            m_footer->update();
    });
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_view->verticalScrollBar(),
            &QScrollBar::setValue);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("DBGridEhMenu"));
    m_printAction = m_menu->addAction(QStringLiteral("打印表格"));
    m_printAction->setVisible(false);
    connect(m_printAction, &QAction::triggered, this, guarded([this] { printGrid(); }));
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("保存表格格式")), &QAction::triggered, this,
            guarded([this] { saveLayout(); }));
    connect(m_menu->addAction(QStringLiteral("恢复表格格式")), &QAction::triggered, this,
            guarded([this] { restoreLayout(); }));
    connect(m_menu->addAction(QStringLiteral("显示/隐藏列")), &QAction::triggered, this,
            guarded([this] { chooseColumns(); }));

    setDataSource(nullptr);
}

GridColumn GridColumn::of(const QString &title, const QString &field, int width, Qt::Alignment alignment)
{
    GridColumn c;
    c.title = title;
    c.field = field;
    c.width = width;
    c.alignment = (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    return c;
}

GridColumn GridColumn::amount(const QString &title, const QString &field, int width, const QColor &color)
{
    GridColumn c = of(title, field, width, Qt::AlignRight);
    c.displayFormat = QStringLiteral("0.00");
    c.color = color;
    c.summing(QStringLiteral("0.00"));
    c.footerColor = color;
    return c;
}

GridColumn &GridColumn::counting(const QString &format, const QColor &color, Qt::Alignment where)
{
    footer = FooterKind::Count;
    footerFormat = format;
    footerAlignment = (where & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    footerColor = color;
    return *this;
}

GridColumn &GridColumn::summing(const QString &format)
{
    footer = FooterKind::Sum;
    footerFormat = format;
    footerAlignment = Qt::AlignRight | Qt::AlignVCenter;
    return *this;
}

GridColumn &GridColumn::fillingTheRoom()
{
    fills = true;
    return *this;
}

void DBGridEh::setAccessibleName(const QString &name)
{
    QWidget::setAccessibleName(name);
    m_view->setAccessibleName(name);
    m_frozen->setAccessibleName(name);
}

DBGridEh::~DBGridEh()
{
    // The grid stops reacting to its parts, then they go while it is whole.
    delete m_links;
    delete m_view;
    delete m_model;
}

bool DBGridEh::takePendingScroll()
{
    const bool pending = m_scrollPending;
    m_scrollPending = false;
    return pending;
}

Dataset *DBGridEh::dataset() const
{
    return m_model ? m_model->dataset() : nullptr;
}

int DBGridEh::rowHeight() const
{
    return fontMetrics().height() + 6;
}

void DBGridEh::setDataSource(DataSource *source)
{
    for (const QMetaObject::Connection &c : std::as_const(m_datasetConnections))
        disconnect(c);
    m_datasetConnections.clear();
    m_source = source;

    // A new model starts the header afresh: the columns keep the order,
    // widths and visibility they had.
    const QByteArray layout = m_view->horizontalHeader()->saveState();
    DBGridEhModel *old = m_model;
    const bool hadModel = old != nullptr;
    m_model = new DBGridEhModel(source ? source->dataset() : nullptr, this);
    m_model->setColumnFields(old ? old->columnFields() : QStringList());
    for (int i = 0; i < m_columns.size(); ++i)
        m_model->setHeaderData(i, Qt::Horizontal, m_columns.at(i).title, Qt::DisplayRole);
    m_view->setModel(m_model);
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(m_view->selectionModel());
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, m_links,
            [this](const QModelIndex &current) { viewRowChanged(current.row()); });
    delete old; // its selection models go with it
    if (!hadModel || !m_view->horizontalHeader()->restoreState(layout)) {
        for (int i = 0; i < m_columns.size(); ++i)
            m_view->setColumnWidth(i, scaledWidth(m_columns.at(i).width));
    }

    connectDataset();
    syncFrozenColumns();
    refreshFooters();
    syncSortIndicator();
    followDatasetRow();
}

DataSource *DBGridEh::dataSource() const
{
    return m_source;
}

void DBGridEh::connectDataset()
{
    Dataset *d = dataset();
    if (!d)
        return;
    const auto footers = [this] {
        refreshFooters();
    };
    m_datasetConnections = {
        connect(d, &Dataset::currentChanged, m_links, [this] { followDatasetRow(); }),
        connect(d, &Dataset::listChanged, m_links, footers),
        connect(d, &Dataset::reset, m_links, footers),
        connect(d, &Dataset::rowInserted, m_links, footers),
        connect(d, &Dataset::rowRemoved, m_links, footers),
        connect(d, &Dataset::reset, m_links, [this] { syncSortIndicator(); }),
        connect(d, &Dataset::reordered, m_links, [this] { syncSortIndicator(); }),
    };
}

void DBGridEh::setColumns(const QList<GridColumn> &columns)
{
    m_columns = columns;
    m_widthsChosen = false;
    m_formats.clear();
    for (const GridColumn &c : columns)
        m_formats.append(CellFormat(c));
    applyColumns();
}

// Column widths are given for a font whose digits are 6 pixels wide; a
// larger font widens them alike, so that a date or an amount still fits.
int DBGridEh::scaledWidth(int width) const
{
    const double digits = m_view->fontMetrics().horizontalAdvance(QStringLiteral("0123456789")) / 10.0;
    return int(width * qMax(1.0, digits / 6.0) + 0.5);
}

int DBGridEh::neededWidth() const
{
    int width = 2 * m_view->frameWidth() + m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
    if (m_view->verticalHeader()->isVisible())
        width += m_view->verticalHeader()->width();
    for (int column : visibleColumns())
        width += m_columns.at(column).fills ? m_columns.at(column).width : m_view->columnWidth(column);
    return width;
}

void DBGridEh::fitFillingColumn()
{
    if (m_widthsChosen || m_fitting)
        return;
    int filling = -1;
    int others = 0;
    for (int column : visibleColumns()) {
        if (m_columns.at(column).fills && filling < 0)
            filling = column;
        else
            others += m_view->columnWidth(column);
    }
    if (filling < 0)
        return;
    const int wanted = qMax(m_columns.at(filling).width, m_view->viewport()->width() - others);
    if (wanted == m_view->columnWidth(filling))
        return;
    m_fitting = true;
    m_view->setColumnWidth(filling, wanted);
    m_fitting = false;
}

void DBGridEh::applyColumns()
{
    QStringList fields;
    for (const GridColumn &c : std::as_const(m_columns))
        fields.append(c.field);
    m_model->setColumnFields(fields);
    QHeaderView *titles = m_view->horizontalHeader();
    for (int i = 0; i < m_columns.size(); ++i) {
        m_model->setHeaderData(i, Qt::Horizontal, m_columns.at(i).title, Qt::DisplayRole);
        titles->moveSection(titles->visualIndex(i), i);
        m_view->setColumnHidden(i, false);
        m_fitting = true;
        m_view->setColumnWidth(i, scaledWidth(m_columns.at(i).width));
        m_fitting = false;
    }
    fitFillingColumn();
    syncFrozenColumns();
    refreshFooters();
    syncSortIndicator();
    followDatasetRow(); // the model was reset
}

void DBGridEh::setFrozenColumns(int count)
{
    m_frozenCount = qMax(0, count);
    syncFrozenColumns();
}

void DBGridEh::setHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(hint);
    m_footer->setToolTip(hint);
}

QTableView *DBGridEh::view() const
{
    return m_view;
}

QList<int> DBGridEh::visibleColumns() const
{
    QList<int> result;
    const QHeaderView *titles = m_view->horizontalHeader();
    for (int v = 0; v < titles->count(); ++v) {
        const int column = titles->logicalIndex(v);
        if (column >= 0 && column < m_columns.size() && !titles->isSectionHidden(column))
            result.append(column);
    }
    return result;
}

QList<int> DBGridEh::frozenColumns() const
{
    return visibleColumns().mid(0, m_frozenCount);
}

int DBGridEh::frozenWidth() const
{
    int width = 0;
    for (int column : frozenColumns())
        width += m_view->columnWidth(column);
    return width;
}

void DBGridEh::syncFrozenColumns()
{
    // The overlay shows the frozen columns in the main view's order and widths.
    const QHeaderView *titles = m_view->horizontalHeader();
    QHeaderView *frozenTitles = m_frozen->horizontalHeader();
    const QList<int> frozen = frozenColumns();
    for (int v = 0; v < titles->count() && v < frozenTitles->count(); ++v) {
        const int from = frozenTitles->visualIndex(titles->logicalIndex(v));
        if (from != v)
            frozenTitles->moveSection(from, v);
    }
    for (int column = 0; column < frozenTitles->count(); ++column) {
        const bool shown = frozen.contains(column);
        m_frozen->setColumnHidden(column, !shown);
        if (shown)
            m_frozen->setColumnWidth(column, m_view->columnWidth(column));
    }
    m_frozen->setVisible(!frozen.isEmpty());
    layoutOverlays();
    m_footer->update();
}

void DBGridEh::layoutOverlays()
{
    if (!m_footer || !m_frozen)
        return;
    fitFillingColumn(); // the room may have changed
    const QRect rows = m_view->viewport()->geometry();
    m_footer->setGeometry(rows.left(), rows.bottom() + 1, rows.width(), rowHeight());
    m_footer->update();
    const QHeaderView *titles = m_view->horizontalHeader();
    m_frozen->horizontalHeader()->setFixedHeight(titles->height());
    const int top = titles->geometry().top();
    m_frozen->setGeometry(rows.left(), top, qMin(frozenWidth(), rows.width()), rows.bottom() + 1 - top);
}

void DBGridEh::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A row made current while the grid was hidden was scrolled to with the
    // geometry of a grid never laid out; once it is, bring that row into view.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_scrollPending = true;
            followDatasetRow();
            m_view->updateGeometry();
        },
        Qt::QueuedConnection);
}

void DBGridEh::followDatasetRow()
{
    QItemSelectionModel *selection = m_view->selectionModel();
    if (!selection)
        return;
    Dataset *d = dataset();
    const int row = d && d->isActive() ? d->currentRow() : -1;
    m_followingDataset = true;
    if (row < 0 || row >= m_model->rowCount() || m_model->columnCount() == 0) {
        selection->clear();
    } else {
        int column = selection->currentIndex().isValid() ? selection->currentIndex().column() : -1;
        if (column < 0 || m_view->isColumnHidden(column)) {
            const QList<int> shown = visibleColumns();
            column = shown.isEmpty() ? 0 : shown.constFirst();
        }
        const QModelIndex index = m_model->index(row, column);
        if (selection->currentIndex() != index || !selection->isRowSelected(row))
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // follow the row up and down only; the sideways position stays
        QScrollBar *sideways = m_view->horizontalScrollBar();
        const int before = sideways->value();
        m_view->scrollTo(index);
        sideways->setValue(before);
        // Scrolled with the geometry of a grid not shown yet: again when it is.
        if (!m_view->isVisible())
            m_scrollPending = true;
    }
    m_followingDataset = false;
}

void DBGridEh::viewRowChanged(int row)
{
    if (m_followingDataset)
        return;
    Dataset *d = dataset();
    if (!d || !d->isActive() || row < 0 || row == d->currentRow())
        return;
    // Leaving a row posts what is pending in it; that can fail.
    guard([d, row] { d->moveTo(row); });
    if (d->isActive() && d->currentRow() != row) {
        // The dataset stayed where it was: bring the view back once the click
        // that moved it has been handled.
        QTimer::singleShot(0, this, [this] { followDatasetRow(); });
    }
}

void DBGridEh::sortByColumn(int column)
{
    Dataset *d = dataset();
    const int field = m_model->fieldOfColumn(column);
    if (d && d->isActive() && field >= 0) {
        const Qt::SortOrder order = d->sortColumn() == field && d->sortOrder() == Qt::AscendingOrder
                                        ? Qt::DescendingOrder
                                        : Qt::AscendingOrder;
        guard([d, field, order] { d->sort(field, order); });
    }
    syncSortIndicator();
}

void DBGridEh::syncSortIndicator()
{
    Dataset *d = dataset();
    const int column = d && d->isActive() ? m_model->columnOfField(d->sortColumn()) : -1;
    for (QHeaderView *titles : {m_view->horizontalHeader(), m_frozen->horizontalHeader()}) {
        titles->setSortIndicatorShown(column >= 0);
        titles->setSortIndicator(column, column >= 0 ? d->sortOrder() : Qt::AscendingOrder);
    }
}

QString DBGridEh::cellText(int row, int column) const
{
    Dataset *d = dataset();
    if (!d || !d->isActive() || column < 0 || column >= m_columns.size() || row < 0 || row >= d->recordCount())
        return QString();
    const int field = m_model->fieldOfColumn(column);
    if (field < 0)
        return QString();
    // straight from the dataset's column: no value object per cell, the
    // pattern read once
    return m_formats.at(column).text(*d, row, field);
}

void DBGridEh::refreshFooters()
{
    Dataset *d = dataset();
    const bool open = d && d->isActive();
    m_footerTexts.clear();
    for (const GridColumn &c : std::as_const(m_columns)) {
        switch (c.footer) {
        case FooterKind::None:
            m_footerTexts.append(QString());
            break;
        case FooterKind::Count:
            m_footerTexts.append(formatNumber(c.footerFormat.isEmpty() ? QStringLiteral("0") : c.footerFormat,
                                              open ? d->storedCount() : 0));
            break;
        case FooterKind::Sum: {
            const int field = open ? d->fieldIndex(c.field) : -1;
            m_footerTexts.append(formatNumber(c.footerFormat, field >= 0 ? d->sum(field) : 0.0));
            break;
        }
        }
    }
    m_footer->update();
}

QString DBGridEh::footerText(int column) const
{
    return m_footerTexts.value(column);
}

namespace {
QPointer<GridPrinter> &sharedPrinter()
{
    static QPointer<GridPrinter> printer;
    return printer;
}
} // namespace

void DBGridEh::setPrinter(GridPrinter *printer)
{
    m_printer = printer;
    m_printAction->setVisible(this->printer() != nullptr);
}

void DBGridEh::setSharedPrinter(GridPrinter *printer)
{
    sharedPrinter() = printer;
}

GridPrinter *DBGridEh::printer() const
{
    return m_printer ? m_printer.data() : sharedPrinter().data();
}

void DBGridEh::setColumnVisible(int column, bool visible)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_view->setColumnHidden(column, !visible);
    syncFrozenColumns();
}

bool DBGridEh::isColumnVisible(int column) const
{
    return column >= 0 && column < m_columns.size() && !m_view->isColumnHidden(column);
}

void DBGridEh::showContextMenu(QWidget *from, const QPoint &pos)
{
    m_printAction->setVisible(printer() != nullptr);
    m_menu->popup(from->mapToGlobal(pos));
}

void DBGridEh::printGrid()
{
    GridPrinter *p = printer();
    if (!p)
        return;
    p->previewGrid(this, platform().today().toString(QStringLiteral("yyyy-MM-dd")), window());
}

void DBGridEh::chooseColumns()
{
    ColumnChooser::choose(this);
}

void DBGridEh::saveLayout()
{
    GridLayouts::save(*this);
}

void DBGridEh::restoreLayout()
{
    GridLayouts::restore(*this);
}

QString DBGridEh::layoutKey() const
{
    return GridLayouts::layoutKey(*this);
}
