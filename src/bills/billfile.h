#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Reading the bill files of payment services and banks into tables of text
// cells. What a file is comes from its content, never from its name: a CSV or
// tab-separated text (UTF-8 with or without BOM, UTF-16 with BOM, GBK or
// GB18030), an HTML table or an Excel 2003 XML spreadsheet saved as .xls, an
// Excel workbook (.xlsx), or a zip archive holding one such file, perhaps
// protected by a password.
namespace Bills {

// Bounds that keep a hostile or broken file from exhausting memory. A file
// beyond any of them is refused with a reason; nothing is ever cut silently.
struct Limits
{
    qint64 maxFileBytes = qint64(64) << 20;   // the file as given
    qint64 maxEntryBytes = qint64(128) << 20; // one member of a zip or workbook, uncompressed
    qint64 maxTotalBytes = qint64(256) << 20; // all members read from one zip or workbook, uncompressed
    int maxEntries = 1000;                    // members of a zip or workbook
    int maxRows = 200000;                     // rows holding any text, per sheet
    int maxColumns = 256;                     // cells of a row
    qint64 maxCells = 5000000;                // cells of all rows of a sheet together
    int maxCellChars = 32768;                 // characters of a cell
};

// One table of the file: a worksheet, or the whole of a text file.
struct Sheet
{
    QString name;            // the worksheet's name; empty for text files
    QList<QStringList> rows; // the rows holding any text, in file order
    QList<int> lines;        // per row, its line in a text file or its row number in a workbook, from 1
};

enum class Format { Csv, TabSeparated, Html, SpreadsheetXml, Xlsx };

struct Document
{
    Format format = Format::Csv;
    bool fromArchive = false; // read out of a zip archive holding the bill file
    QString encoding;         // "UTF-8", "UTF-16", "GB18030" for text formats; empty for workbooks
    QList<Sheet> sheets;      // one for text formats; every worksheet of a workbook, in its order
};

enum class ReadStatus {
    Ok,
    NeedsPassword, // an encrypted archive and no password was given
    WrongPassword, // an encrypted archive and the password given does not open it
    Failed         // anything else: error says what
};

struct ReadResult
{
    ReadStatus status = ReadStatus::Failed;
    QString error; // the reason in Chinese, for the user; empty when status is Ok
    Document document;
    bool ok() const { return status == ReadStatus::Ok; }
};

// Reads the file at path into a Document. Every cell is trimmed of blanks
// (ASCII, no-break and the full-width U+3000), TABs and line breaks at both
// ends; rows without any text are left out (their lines are skipped in
// Sheet::lines). password opens an encrypted zip archive and is ignored
// otherwise. Never throws: a missing, unreadable, unsupported, malformed or
// oversized file gives status Failed and a Chinese reason in error; an
// encrypted archive gives NeedsPassword when password is empty and
// WrongPassword when it does not open it, so the caller can ask and call
// again.
ReadResult readFile(const QString &path, const QString &password = QString(), const Limits &limits = Limits());

// As readFile, for the content of a file already in memory.
ReadResult readData(const QByteArray &data, const QString &password = QString(), const Limits &limits = Limits());

// The Chinese name of a format, for messages ("CSV 文本", "Excel 工作簿", …).
QString formatName(Format format);

// text without blanks (ASCII, U+00A0, U+3000, U+FEFF), TABs and line breaks
// at either end: how every cell of a Sheet is stored.
QString trimmedCell(QStringView text);

} // namespace Bills
