#pragma once

#include <QObject>
#include <QString>

class DBGridEh;
class QWidget;

// The file-save dialog of the export: its settings stay between showings,
// so the next export proposes the name and format of the last one.
class SaveDialog : public QObject
{
    Q_OBJECT
public:
    explicit SaveDialog(QObject *parent = nullptr);

    // Asks for a file through platform().saveFile with the settings below;
    // on acceptance stores the chosen fileName and filterIndex and returns
    // true; false (nothing changed) when the user cancelled.
    bool execute(QWidget *owner);

    QString filter; // "description|pattern|description|pattern"
    QString title;
    QString defaultExtension;
    QString fileName;
    int filterIndex = 1; // 1-based
};

// Exports every row of the grid's dataset (not only what is on screen): the
// grid's visible columns in display order, cells as the grid shows them,
// with the title line first and the footer line last. Does nothing when the
// dataset is not open or the dialog is cancelled. The chosen filter decides
// the format and the extension appended to the chosen name (which the
// dialog keeps): 1 "xls" tab-separated text, 2 "txt" quoted cells separated
// by ';', 3 "htm" an HTML page with one table, 4 "xlsx" an Excel workbook
// (titles bold, numbers and dates as such, the grid's widths; see
// writeWorkbook); the text files are UTF-8 with
// a byte order mark (so spreadsheet programs read the Chinese right), lines
// end in CR LF. An existing file is replaced without asking. Throws an
// exception derived from std::exception when the file cannot be written.
// Large exports show a progress dialog; cancelling it leaves no partial
// file (the file is written under a temporary name and renamed when whole;
// the workbook as an unnamed file, its owner's alone, named when whole).
// The grid's current row and scroll position do not change.
void ExportGrid(SaveDialog *dialog, DBGridEh *grid);

// The part of ExportGrid after the dialog: writes the grid in the format of
// the dialog's chosen filter to its chosen name (the extension appended).
// For a dialog already answered by the user; the dataset must be open.
void WriteGridExport(SaveDialog *dialog, DBGridEh *grid);
