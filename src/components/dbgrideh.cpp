#include "dbgrideh.h"

#include "cellformat.h"
#include "numberpattern.h"

#include "gridprinter.h"

#include "data/datasetmodel.h"
#include "platform/platform.h"

#include <QAction>
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

const QColor FooterBackground(0xFF, 0xFF, 0xE1);
const int CellPadding = 3;

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
        if (!index.isValid() || index.model() != this || index.column() >= m_grid->m_columns.size())
            return QVariant();
        const GridColumn &column = m_grid->m_columns.at(index.column());
        switch (role) {
        case Qt::DisplayRole:
            return m_grid->cellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment);
        case Qt::ForegroundRole:
            return column.color.isValid() ? QVariant(column.color) : QVariant();
        case Qt::ToolTipRole:
            return m_grid->m_hint.isEmpty() ? QVariant() : QVariant(m_grid->m_hint);
        default:
            return DatasetModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
            return m_grid->m_hint.isEmpty() ? QVariant() : QVariant(m_grid->m_hint);
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
        if (m_grid->m_scrollPending && isVisible() && viewport()->height() > 0) {
            m_grid->m_scrollPending = false;
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
        option.initFrom(m_grid->m_view);
        const QColor lines = QColor::fromRgb(
            QRgb(m_grid->m_view->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, m_grid->m_view)));

        const QHeaderView *header = m_grid->m_view->horizontalHeader();
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
        const GridColumn &c = m_grid->m_columns.at(column);
        painter->setPen(c.footerColor.isValid() ? c.footerColor : palette().color(QPalette::Text));
        const QRect inner = cell.adjusted(CellPadding, 0, -CellPadding - 1, 0);
        painter->drawText(inner, int(c.footerAlignment), fontMetrics().elidedText(text, Qt::ElideRight, inner.width()));
    }

    DBGridEh *m_grid;
};

// --- the grid ---------------------------------------------------------------------

DBGridEh::DBGridEh(QWidget *parent)
    : QWidget(parent)
{
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

    for (QTableView *v : {static_cast<QTableView *>(m_view), m_frozen}) {
        connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
            if (index.isValid())
                Q_EMIT doubleClicked();
        });
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int column) { sortByColumn(column); });
        connect(v, &QWidget::customContextMenuRequested, this,
                [this, v](const QPoint &pos) { showContextMenu(v->viewport(), pos); });
        connect(v->horizontalHeader(), &QWidget::customContextMenuRequested, this,
                [this, v](const QPoint &pos) { showContextMenu(v->horizontalHeader(), pos); });
    }
    QHeaderView *titles = m_view->horizontalHeader();
    connect(titles, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_frozen->isColumnHidden(column) && size > 0)
            m_frozen->setColumnWidth(column, size);
        layoutOverlays();
        m_footer->update();
    });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        // the frozen titles cover the main ones: resizing there resizes the column
        if (!m_frozen->isColumnHidden(column) && size > 0)
            m_view->setColumnWidth(column, size);
    });
    connect(titles, &QHeaderView::sectionMoved, this, [this] { syncFrozenColumns(); });
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_footer, [this] { m_footer->update(); });
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

void DBGridEh::setAccessibleName(const QString &name)
{
    QWidget::setAccessibleName(name);
    m_view->setAccessibleName(name);
    m_frozen->setAccessibleName(name);
}

DBGridEh::~DBGridEh()
{
    for (const QMetaObject::Connection &c : std::as_const(m_datasetConnections))
        disconnect(c);
    // The view, the overlays and the model call back into the grid while
    // they go: they go now, while the grid is still whole, and without the
    // grid's reactions to their signals.
    for (QObject *sender : std::initializer_list<QObject *>{
             m_view, m_view->horizontalHeader(), m_view->horizontalScrollBar(), m_view->verticalScrollBar(),
             m_view->selectionModel(), m_frozen, m_frozen->horizontalHeader(), m_frozen->verticalScrollBar()})
        if (sender)
            sender->disconnect(this);
    m_footer = nullptr;
    m_frozen = nullptr;
    delete m_view;
    m_view = nullptr;
    delete m_model;
    m_model = nullptr;
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
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
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
        connect(d, &Dataset::currentChanged, this, [this] { followDatasetRow(); }),
        connect(d, &Dataset::listChanged, this, footers),
        connect(d, &Dataset::reset, this, footers),
        connect(d, &Dataset::rowInserted, this, footers),
        connect(d, &Dataset::rowRemoved, this, footers),
        connect(d, &Dataset::reset, this, [this] { syncSortIndicator(); }),
        connect(d, &Dataset::reordered, this, [this] { syncSortIndicator(); }),
    };
}

void DBGridEh::setColumns(const QList<GridColumn> &columns)
{
    m_columns = columns;
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
        m_view->setColumnWidth(i, scaledWidth(m_columns.at(i).width));
    }
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

QString DBGridEh::columnKey(int column) const
{
    // a column is known by its field; a second column of the same field, or
    // one without a field, by its position
    const QString &field = m_columns.at(column).field;
    for (int i = 0; i < column; ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return QStringLiteral("#%1").arg(column);
    return field.isEmpty() ? QStringLiteral("#%1").arg(column) : field;
}

QString DBGridEh::layoutKey() const
{
    if (objectName().isEmpty())
        return QString();
    const QWidget *owner = window();
    if (!owner || owner == this)
        return objectName();
    return QLatin1String(owner->metaObject()->className()) + QLatin1Char('/') + objectName();
}

void DBGridEh::saveLayout()
{
    if (layoutKey().isEmpty())
        return;
    const QHeaderView *titles = m_view->horizontalHeader();
    QStringList order;
    QStringList widths;
    QStringList hidden;
    for (int v = 0; v < titles->count(); ++v) {
        const int column = titles->logicalIndex(v);
        order.append(columnKey(column));
        widths.append(QString::number(titles->isSectionHidden(column) ? scaledWidth(m_columns.at(column).width)
                                                                      : titles->sectionSize(column)));
        if (titles->isSectionHidden(column))
            hidden.append(columnKey(column));
    }
    QSettings settings;
    settings.beginGroup(layoutKey());
    settings.setValue(QStringLiteral("columns"), order);
    settings.setValue(QStringLiteral("widths"), widths);
    settings.setValue(QStringLiteral("hidden"), hidden);
    settings.endGroup();
}

void DBGridEh::restoreLayout()
{
    if (layoutKey().isEmpty())
        return;
    QSettings settings;
    settings.beginGroup(layoutKey());
    const QStringList order = settings.value(QStringLiteral("columns")).toStringList();
    const QStringList widths = settings.value(QStringLiteral("widths")).toStringList();
    const QStringList hidden = settings.value(QStringLiteral("hidden")).toStringList();
    settings.endGroup();
    if (order.isEmpty())
        return;
    QHeaderView *titles = m_view->horizontalHeader();
    int place = 0;
    for (int i = 0; i < order.size(); ++i) {
        int column = -1;
        for (int c = 0; c < m_columns.size() && column < 0; ++c)
            if (columnKey(c) == order.at(i))
                column = c;
        if (column < 0)
            continue; // a column the grid no longer has
        titles->moveSection(titles->visualIndex(column), place++);
        m_view->setColumnHidden(column, hidden.contains(order.at(i)));
        bool ok = false;
        const int width = widths.value(i).toInt(&ok);
        if (ok && width > 0) {
            if (m_view->isColumnHidden(column)) {
                m_view->setColumnHidden(column, false);
                m_view->setColumnWidth(column, width);
                m_view->setColumnHidden(column, true);
            } else {
                m_view->setColumnWidth(column, width);
            }
        }
    }
    syncFrozenColumns();
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
    // The dialog lives for this call; its widgets are its children.
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DBGridEhColumnsDialog"));
    dialog.setWindowTitle(QStringLiteral("设置表格列属性"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("勾选要显示的列："), &dialog));
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("columns"));
    layout->addWidget(list);
    const QHeaderView *titles = m_view->horizontalHeader();
    for (int v = 0; v < titles->count(); ++v) {
        const int column = titles->logicalIndex(v);
        auto *item = new QListWidgetItem(m_columns.at(column).title, list);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(isColumnVisible(column) ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, column);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // a grid keeps at least one column
    connect(list, &QListWidget::itemChanged, &dialog, [list, buttons] {
        bool any = false;
        for (int i = 0; i < list->count() && !any; ++i)
            any = list->item(i)->checkState() == Qt::Checked;
        buttons->button(QDialogButtonBox::Ok)->setEnabled(any);
    });
    if (platform().showModal(&dialog) != QDialog::Accepted)
        return;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem *item = list->item(i);
        m_view->setColumnHidden(item->data(Qt::UserRole).toInt(), item->checkState() != Qt::Checked);
    }
    syncFrozenColumns();
}
