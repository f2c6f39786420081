#pragma once

#include "cellformat.h"

#include "data/dataset.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAction;
class QMenu;
class QTableView;

class DatasetModel;
class DBGridEhFooter;
class DBGridEhModel;
class DBGridEhView;
class GridPrinter;

// What the footer cell of a column shows.
enum class FooterKind { None, Count, Sum };

// One column of a grid: which field it shows and how.
struct GridColumn
{
    QString title;
    QString field;
    int width = 64;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString displayFormat; // number pattern such as "0.00"; empty = the dataset's own text
    QColor color;          // text colour; invalid = default
    QColor negativeColor;  // text colour of a number below zero; invalid = color
    FooterKind footer = FooterKind::None;
    QString footerFormat; // "共0条记录", "共 0 项", "0.00"
    Qt::Alignment footerAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor footerColor;
    bool fills = false; // takes the room the other columns leave (fillingTheRoom())

    // The one way the screens make their columns:
    // a column of field, its cells aligned as given (vertically centred).
    static GridColumn of(const QString &title, const QString &field, int width,
                         Qt::Alignment alignment = Qt::AlignLeft);
    // An amount: right-aligned "0.00" in color, its sum below in the same colour.
    static GridColumn amount(const QString &title, const QString &field, int width, const QColor &color = QColor());
    // The footer counts the rows by format ("共 0 项"), centred unless said.
    GridColumn &counting(const QString &format, const QColor &color = QColor(), Qt::Alignment where = Qt::AlignCenter);
    // The footer sums the column, right-aligned.
    GridColumn &summing(const QString &format = QString());
    // A column of free text (a remark) that is as wide as the room the other
    // columns leave in the grid, and never narrower than its width: a larger
    // window shows more of it, a smaller one keeps the other columns in
    // view. Until the household sets the widths (by dragging a title's edge,
    // or through a stored layout).
    GridColumn &fillingTheRoom();
};

// Formats value by a number pattern: the first run of "0 # . ," characters
// holding a 0 or # is the number, the rest is literal text. A '0' is a digit
// always shown, a '#' one shown only when it matters; the placeholders after
// '.' are the decimals (rounded half away from zero on the value's 15
// significant digits); a ',' groups thousands. A pattern without a run gets
// the number in the general format appended. Never fails.
// ("0.00",1234.5)->"1234.50", ("共0条记录",25)->"共25条记录", ("0.00",-12.5)->"-12.50".
QString formatNumber(const QString &pattern, double value);

// The data grid of the program's screens: a read-only table of the rows of a
// data source's dataset, with per-column titles, formats and colours, one
// footer row of counts and sums, sorting in memory by a click on a title,
// frozen leading columns, and a context menu to print, to save and restore
// the column layout and to show or hide columns. Its current row is the
// dataset's current row, both ways. Nothing in it changes data.
class DBGridEh : public QWidget
{
    Q_OBJECT
public:
    // The view, its model, the footer and the menu are children of the grid.
    explicit DBGridEh(QWidget *parent = nullptr);
    ~DBGridEh() override;

    // The name a screen reader announces for the table (and the grid).
    void setAccessibleName(const QString &name);

    // Shows the dataset of source (not owned; nullptr shows nothing); the
    // columns keep their order, widths and visibility.
    void setDataSource(DataSource *source);
    DataSource *dataSource() const;
    // Replaces the columns; widths, order and visibility start over from them.
    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    // Keeps the first count visible columns (display order) in view when
    // scrolling sideways; 0 freezes none.
    void setFrozenColumns(int count);
    // The tooltip of the grid, its cells and its titles.
    void setHint(const QString &hint);
    // The table view itself (owned by the grid).
    QTableView *view() const;
    // Indexes into columns(), in display order, hidden ones left out.
    QList<int> visibleColumns() const;
    // A cell as displayed (format applied); column is an index into
    // columns(). "" for a row or column out of range, a field the result
    // lacks, a Null value or a closed dataset.
    QString cellText(int row, int column) const;
    // The footer cell as displayed: the stored row count or the field's sum
    // formatted by footerFormat; "" when the column has no footer.
    QString footerText(int column) const;
    // The printer of the menu's "打印表格" (not owned); nullptr leaves the
    // shared printer, or no entry when there is none.
    void setPrinter(GridPrinter *printer);
    // The printer of every grid that has none of its own (not owned; the
    // main window's). nullptr: such grids offer no "打印表格".
    static void setSharedPrinter(GridPrinter *printer);
    GridPrinter *printer() const;
    // Shows or hides a column (index into columns()); out of range is ignored.
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const;
    // "保存表格格式": stores column order, widths and visibility in QSettings
    // under layoutKey(); does nothing when the grid has no name.
    void saveLayout();
    // The class of the grid's window and the grid's name ("TFrmMian/DBGridEh1"),
    // so that grids of one name in different windows keep their own layouts;
    // the name alone for a grid that is a window; "" without a name.
    QString layoutKey() const;
    // The on-screen width of a column given as width pixels: widths are
    // meant for a font whose digits are 6 pixels wide and grow with a larger one.
    int scaledWidth(int width) const;
    // The width the grid needs to show every shown column whole, a column
    // that fills the room at its own width: the columns, the scroll bar and
    // the frame.
    int neededWidth() const;
    // "恢复表格格式": applies what saveLayout() stored; columns it does not
    // know keep their place after the known ones; nothing stored, nothing done.
    void restoreLayout();

Q_SIGNALS:
    // A double click on a data row.
    void doubleClicked();

protected:
    void showEvent(QShowEvent *event) override;

public:
    // --- for the grid's own parts (model, view, footer, layouts, chooser) ----
    QString hint() const { return m_hint; }
    // Indexes into columns() of the frozen ones, in display order.
    QList<int> frozenColumns() const;
    int frozenWidth() const;
    int rowHeight() const;
    // Lays the footer and the frozen overlay over the view.
    void layoutOverlays();
    // Makes the frozen overlay show the frozen columns as they now are.
    void syncFrozenColumns();
    // Whether the current row waits to be scrolled into view (once).
    bool takePendingScroll();
    // The widths are the household's from now on (a stored layout applied):
    // a column that fills the room keeps the width it was given.
    void keepWidths() { m_widthsChosen = true; }

private:
    Dataset *dataset() const;
    void connectDataset();
    void applyColumns();
    void followDatasetRow();
    void viewRowChanged(int row);
    void sortByColumn(int column);
    void syncSortIndicator();
    void refreshFooters();
    void showContextMenu(QWidget *from, const QPoint &pos);
    void printGrid();
    void chooseColumns();
    void fitFillingColumn();

    QList<GridColumn> m_columns;
    QList<CellFormat> m_formats; // one per column
    QPointer<DataSource> m_source;
    QPointer<GridPrinter> m_printer;
    QList<QMetaObject::Connection> m_datasetConnections;
    QStringList m_footerTexts; // per column, kept current by the dataset's signals
    QString m_hint;
    int m_frozenCount = 0;
    bool m_followingDataset = false;
    bool m_fitting = false;      // the grid itself sets a width
    bool m_widthsChosen = false; // by a drag or a stored layout
    // The current row still to be scrolled into view once the grid has its size.
    bool m_scrollPending = false;

    QObject *m_links = nullptr;        // context of the grid's connections
    DBGridEhView *m_view = nullptr;    // child of the grid
    QPointer<QTableView> m_frozen;     // overlay, child of m_view
    QPointer<DBGridEhFooter> m_footer; // child of m_view
    DBGridEhModel *m_model = nullptr;  // child of the grid
    QMenu *m_menu = nullptr;           // child of the grid
    QAction *m_printAction = nullptr;  // in m_menu
};
