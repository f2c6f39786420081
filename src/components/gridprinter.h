#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class DBGridEh;
class QPrinter;
class QWidget;

// Prints a grid as it stands on screen: its visible columns in display
// order with their widths (screen pixels taken at 96 dpi), titles,
// alignments, formats and colours, every row of its dataset and its footer
// row. Each page carries the header lines at the top (黑体 bold 13 px), the
// grid's title row, the rows that fit, and the footer lines at the bottom
// (11 px). Columns that do not fit the page width go to further pages. It
// reads the rows by position: the dataset's current row never moves.
class GridPrinter : public QObject
{
    Q_OBJECT
public:
    explicit GridPrinter(QObject *parent = nullptr);

    // The grid to print (not owned; printing without one prints nothing).
    void setGrid(DBGridEh *grid);
    DBGridEh *grid() const;
    // Lines centred at the top of every page; callers clear and add a title.
    QStringList &pageHeaderCentre() { return m_header; }
    // Lines centred at the bottom of every page; set once at start-up.
    QStringList &pageFooterCentre() { return m_footer; }

    // Opens the print preview ("PrintPreview") modally over owner, from which
    // the user prints or saves a PDF file.
    void preview(QWidget *owner);
    // Prints grid with title as the header of every page: the header set
    // anew, the grid chosen, the preview opened over owner.
    void previewGrid(DBGridEh *grid, const QString &title, QWidget *owner);
    // Paints every page on printer (margins 2 mm each side); nothing when
    // there is no grid or the printer cannot be painted on. A list of more
    // than 2000 rows shows its progress meanwhile (BusyIndicator) with 取消,
    // which ends the printout where it is.
    void print(QPrinter *printer);
    // Prints to a PDF file at path (A4); false when it could not be written
    // or was given up (the file at path is then as it was).
    bool printToPdf(const QString &path);

private:
    bool paint(QPrinter *printer);

    QPointer<DBGridEh> m_grid;
    QStringList m_header;
    QStringList m_footer;
};
