#include "gridexport.h"

#include "cellformat.h"

#include "dbgrideh.h"
#include "numberpattern.h"
#include "zipwriter.h"

#include "data/datecodec.h"
#include "data/filesafety.h"
#include "platform/platform.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <charconv>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// Exports of more rows than this show their progress.
const int ProgressThreshold = 20000;
// Rows written between two writes to the file and two progress updates.
const int Chunk = 1000;

enum class Format { Tabs = 1, Quoted = 2, Html = 3, Workbook = 4 };

class ExportError : public std::runtime_error
{
public:
    explicit ExportError(const QString &message)
        : std::runtime_error(message.toStdString())
    {}
};

QString htmlAlign(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return QStringLiteral(" style=\"text-align:right\"");
    if (alignment & Qt::AlignHCenter)
        return QStringLiteral(" style=\"text-align:center\"");
    return QString();
}

QString htmlHead(const QString &title)
{
    return QStringLiteral("<!DOCTYPE html>\r\n"
                          "<html lang=\"zh-CN\">\r\n"
                          "<head>\r\n"
                          "<meta charset=\"utf-8\">\r\n"
                          "<title>%1</title>\r\n"
                          "<style>\r\n"
                          "table { border-collapse: collapse; }\r\n"
                          "th, td { border: 1px solid #808080; padding: 2px 6px; white-space: nowrap; }\r\n"
                          "th { background: #F0F0F0; }\r\n"
                          "tfoot td { background: #FFFFE1; }\r\n"
                          "</style>\r\n"
                          "</head>\r\n"
                          "<body>\r\n"
                          "<table>\r\n")
        .arg(title.toHtmlEscaped());
}

// Shown for long exports; lives for one export and is the grid's child.
std::unique_ptr<QProgressDialog> progressFor(int rows, DBGridEh *grid)
{
    if (rows <= ProgressThreshold)
        return nullptr;
    auto progress = std::make_unique<QProgressDialog>(QStringLiteral("正在导出 %1 条记录……").arg(rows),
                                                      QStringLiteral("取消"), 0, rows, grid);
    progress->setObjectName(QStringLiteral("ExportProgress"));
    progress->setWindowTitle(ApplicationTitle);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0); // shown from the first rows on
    progress->setValue(0);
    return progress;
}

// After every chunk of rows: moves the progress on; true when the user
// cancelled.
bool cancelled(QProgressDialog *progress, int done)
{
    if (!progress || done % Chunk != 0)
        return false;
    progress->setValue(done); // lets the dialog take the cancel click
    return progress->wasCanceled();
}

ExportError cannotWrite(const QString &path, const QString &reason)
{
    return ExportError(QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), reason));
}

// Where the cells of one exported column come from: straight from the
// dataset's column, written as the grid shows them (CellFormat).
class CellSource
{
public:
    CellSource(const Dataset *dataset, const GridColumn &column)
        : m_dataset(dataset)
        , m_field(dataset->fieldIndex(column.field))
        , m_format(column)
    {
        const FieldKind kind = m_field >= 0 ? dataset->field(m_field).kind : FieldKind::Text;
        m_text = kind == FieldKind::Text || kind == FieldKind::Memo;
    }
    int field() const { return m_field; }
    bool isText() const { return m_text; }
    // Appends the cell of row in UTF-8.
    void append(int row, std::string *out) const { m_format.appendUtf8(*m_dataset, row, m_field, out); }

private:
    const Dataset *m_dataset;
    int m_field;
    CellFormat m_format;
    bool m_text = false;
};

// A text cell that a spreadsheet program would take for a formula ("=",
// "+", "-", "@" first) gets an apostrophe before it (guard), which the
// program reads as "this is text"; HTML cells are written as they are.

// Appends a cell of a tab-separated line: a tab or line break inside it
// would split it, so each becomes a space (CR LF one space).
void appendTabCell(const std::string &cell, bool guard, std::string *line)
{
    if (guard && !cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@'))
        line->push_back('\'');
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const char c = cell[i];
        if (c == '\r' && i + 1 < cell.size() && cell[i + 1] == '\n') {
            line->push_back(' ');
            ++i;
        } else {
            line->push_back(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
        }
    }
}

void appendQuotedCell(const std::string &cell, bool guard, std::string *line)
{
    line->push_back('"');
    if (guard && !cell.empty() && (cell[0] == '=' || cell[0] == '+' || cell[0] == '-' || cell[0] == '@'))
        line->push_back('\'');
    for (char c : cell) {
        if (c == '"')
            line->push_back('"');
        line->push_back(c);
    }
    line->push_back('"');
}

// & < > " escaped, line breaks as <br>.
void appendHtmlCell(const std::string &cell, std::string *line)
{
    for (std::size_t i = 0; i < cell.size(); ++i) {
        switch (cell[i]) {
        case '&':
            line->append("&amp;");
            break;
        case '<':
            line->append("&lt;");
            break;
        case '>':
            line->append("&gt;");
            break;
        case '"':
            line->append("&quot;");
            break;
        case '\r':
            if (i + 1 < cell.size() && cell[i + 1] == '\n')
                ++i;
            line->append("<br>");
            break;
        case '\n':
            line->append("<br>");
            break;
        default:
            line->push_back(cell[i]);
        }
    }
}

// Appends one line of cells: tab-separated or quoted (a cell guarded where
// guards says so), or an HTML table row, each cell between its opening tag
// ("<td style=...>") and close.
void appendLine(Format format, const std::vector<std::string> &cells, const std::vector<bool> &guards,
                const std::vector<std::string> &opens, const char *close, std::string *out)
{
    if (format == Format::Html)
        out->append("<tr>");
    for (std::size_t i = 0; i < cells.size(); ++i) {
        switch (format) {
        case Format::Tabs:
            if (i)
                out->push_back('\t');
            appendTabCell(cells[i], guards[i], out);
            break;
        case Format::Quoted:
            if (i)
                out->push_back(';');
            appendQuotedCell(cells[i], guards[i], out);
            break;
        case Format::Html:
        case Format::Workbook: // written by writeWorkbook()
            out->append(opens[i]);
            appendHtmlCell(cells[i], out);
            out->append(close);
            break;
        }
    }
    if (format == Format::Html)
        out->append("</tr>");
    out->append("\r\n");
}

// An Excel workbook (.xlsx) of one sheet, written by the program itself:
// the sheet's XML straight from the dataset's columns, as the text exports
// write their lines, into a zip archive deflated by ISA-L's igzip
// (ZipWriter) on a thread of its own (SheetPipe) while the next rows are
// built. libxlsxwriter, which wrote it before (in its constant-memory
// mode), took 13.2 s for the million-entry ledger list, 17 times its load:
// 5.7 s to make its cells and their XML, which no faster deflate could
// shorten, then 7.4 s in workbook_close() to deflate the 566 MB of XML with
// zlib's default level, the window frozen meanwhile. For the deflate alone
// zlib's level 1 takes 3.2 s (1.6 s on both cores, which the rows need
// too), libzip 4.0 s at level 1, libdeflate 1.5 s but only over the whole
// sheet held in memory: little or nothing of three times the load is left
// for the rows. igzip takes 0.46 s on one core, for a file a quarter
// larger (80 MB, not 64). Here the whole workbook takes 1.1 s beside a
// load of 0.75-0.85 s, its progress shown and 取消 taken to the end.
// Excel's limits: rows and columns of a sheet, characters of a cell.
const int SheetRows = 1048576;
const int SheetColumns = 16384;
const std::size_t CellCharacters = 32767;

// The length of UTF-8 text as Excel counts it: UTF-16 code units.
std::size_t excelLength(std::string_view text)
{
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++units; // the start of a character
        if (c >= 0xF0)
            ++units; // beyond the BMP: two units
    }
    return units;
}

// Appends text to XML character data or an attribute value: & < > "
// escaped; the control characters XML cannot hold (all but tab and line
// feed, carriage return too, which a reader would turn into a line feed)
// written as Excel's escape _xHHHH_, and an underscore that would start
// such an escape as _x005F_ (Excel reads both back as the characters);
// bytes that are not UTF-8, and the non-characters U+FFFE and U+FFFF, as
// U+FFFD (XML allows neither, and one of them would make the whole
// workbook unreadable).
void appendXmlText(std::string_view text, std::string *out)
{
    static const char Hex[] = "0123456789ABCDEF";
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *const end = p + text.size();
    const auto isHex = [](unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    while (p < end) {
        // a run of plain ASCII in one go
        const auto *run = p;
        while (p < end && *p >= 0x20 && *p < 0x80 && *p != '&' && *p != '<' && *p != '>' && *p != '"' && *p != '_')
            ++p;
        out->append(reinterpret_cast<const char *>(run), std::size_t(p - run));
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            switch (c) {
            case '&':
                out->append("&amp;");
                break;
            case '<':
                out->append("&lt;");
                break;
            case '>':
                out->append("&gt;");
                break;
            case '"':
                out->append("&quot;");
                break;
            case '_':
                if (end - p >= 7 && p[1] == 'x' && isHex(p[2]) && isHex(p[3]) && isHex(p[4]) && isHex(p[5])
                    && p[6] == '_')
                    out->append("_x005F");
                out->push_back('_');
                break;
            case '\t':
            case '\n':
                out->push_back(char(c));
                break;
            default: // the other control characters
                out->append("_x00");
                out->push_back(Hex[c >> 4]);
                out->push_back(Hex[c & 0xF]);
                out->push_back('_');
            }
            ++p;
            continue;
        }
        // a UTF-8 sequence: its length and the range of its second byte
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        }
        bool valid = length > 0 && end - p >= length && p[1] >= low && p[1] <= high;
        for (int i = 2; valid && i < length; ++i)
            valid = (p[i] & 0xC0) == 0x80;
        if (valid && length == 3 && c == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) {
            out->append("\xEF\xBF\xBD"); // U+FFFE, U+FFFF
            p += length;
        } else if (valid) {
            out->append(reinterpret_cast<const char *>(p), std::size_t(length));
            p += length;
        } else {
            out->append("\xEF\xBF\xBD");
            ++p;
        }
    }
}

// A number in the shortest form that reads back as the same value (a whole
// number without a point).
template<typename Number> void appendNumber(Number value, std::string *out)
{
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out->append(digits, std::size_t(end - digits));
}

// A column's letters: A..Z, AA..ZZ, AAA..XFD.
std::string columnName(int index)
{
    std::string name;
    for (int n = index + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), char('A' + (n - 1) % 26));
    return name;
}

// The spreadsheet's day number of a date and time packed by DateCodec
// (Excel's calendar counts a 29 February 1900 that never was); false
// before 1900, which the calendar does not reach.
bool excelSerial(std::int64_t packed, double *serial)
{
    static const std::int64_t First = QDate(1900, 1, 1).toJulianDay();
    static const std::int64_t March1900 = QDate(1900, 3, 1).toJulianDay();
    const std::int64_t day = packed / 86400;
    const int seconds = DateCodec::secondsOfDay(packed);
    if (day < First)
        return false;
    const std::int64_t number = day - First + (day >= March1900 ? 2 : 1);
    *serial = double(number) + seconds / 86400.0;
    return true;
}

// The cell formats of the workbook (its cellXfs), each a number format
// and whether it is bold; 0 is the plain one.
class CellStyles
{
public:
    int style(const QString &numberFormat, bool bold)
    {
        const QString pattern = numberFormat == QLatin1String("General") ? QString() : numberFormat;
        const QString key = pattern + (bold ? QStringLiteral("|b") : QStringLiteral("|"));
        const auto found = m_styles.constFind(key);
        if (found != m_styles.constEnd())
            return *found;
        int format = 0; // General
        if (!pattern.isEmpty()) {
            format = m_formatIds.value(pattern);
            if (!format) {
                format = 164 + int(m_formats.size()); // the first of a workbook's own formats
                m_formatIds.insert(pattern, format);
                m_formats.push_back(pattern.toStdString());
            }
        }
        m_xfs.push_back({format, bold});
        const int index = int(m_xfs.size()); // after the plain one
        m_styles.insert(key, index);
        return index;
    }

    std::string xml() const
    {
        std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        if (!m_formats.empty()) {
            x += "<numFmts count=\"" + std::to_string(m_formats.size()) + "\">";
            for (std::size_t i = 0; i < m_formats.size(); ++i) {
                x += "<numFmt numFmtId=\"" + std::to_string(164 + i) + "\" formatCode=\"";
                appendXmlText(m_formats[i], &x);
                x += "\"/>";
            }
            x += "</numFmts>";
        }
        x += "<fonts count=\"2\">"
             "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
             "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
             "</fonts>"
             "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
             "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
             "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
             "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
        x += "<cellXfs count=\"" + std::to_string(m_xfs.size() + 1)
             + "\">"
               "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
        for (const Xf &xf : m_xfs) {
            x += "<xf numFmtId=\"" + std::to_string(xf.format) + "\" fontId=\"" + (xf.bold ? "1" : "0")
                 + "\" fillId=\"0\" borderId=\"0\" xfId=\"0\"";
            if (xf.format)
                x += " applyNumberFormat=\"1\"";
            if (xf.bold)
                x += " applyFont=\"1\"";
            x += "/>";
        }
        x += "</cellXfs>"
             "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
             "</styleSheet>";
        return x;
    }

private:
    struct Xf
    {
        int format;
        bool bold;
    };
    QHash<QString, int> m_styles;
    QHash<QString, int> m_formatIds;
    std::vector<std::string> m_formats;
    std::vector<Xf> m_xfs;
};

// The cell of one column in a row under way: opened as "<c r="F12"" with
// its style, then closed.
void openCell(const std::string &column, std::string_view row, int style, std::string *out)
{
    out->append("<c r=\"");
    out->append(column);
    out->append(row);
    out->push_back('"');
    if (style) {
        out->append(" s=\"");
        appendNumber(style, out);
        out->push_back('"');
    }
}

void appendNumberCell(const std::string &column, std::string_view row, int style, double value, std::string *out)
{
    openCell(column, row, style, out);
    out->append("><v>");
    appendNumber(value, out);
    out->append("</v></c>");
}

// A text cell, inline (as libxlsxwriter's constant-memory mode wrote them):
// Excel keeps it as text whatever it starts with. A text longer than a
// cell can hold is left out, as libxlsxwriter left it (it refused to
// write the cell; it counted characters, not Excel's UTF-16 units, so it
// let a text of more than 16 383 emoji through for Excel to refuse); an
// empty one with a style is a blank cell of it.
void appendTextCell(const std::string &column, std::string_view row, int style, std::string_view text, std::string *out)
{
    if (text.size() > CellCharacters && excelLength(text) > CellCharacters)
        return;
    openCell(column, row, style, out);
    if (text.empty()) {
        out->append("/>");
        return;
    }
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    out->append(" t=\"inlineStr\"><is>");
    // Excel would drop the spaces at either end
    out->append(isSpace(text.front()) || isSpace(text.back()) ? "<t xml:space=\"preserve\">" : "<t>");
    appendXmlText(text, out);
    out->append("</t></is></c>");
}

const char XmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// The parts of the package around the sheet.
void addPackageParts(ZipWriter *zip, const CellStyles &styles)
{
    zip->add("[Content_Types].xml",
             std::string(XmlHead)
                 + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                   "<Default Extension=\"rels\" "
                   "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                   "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                   "<Override PartName=\"/xl/workbook.xml\" "
                   "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                   "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                   "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                   "<Override PartName=\"/xl/styles.xml\" "
                   "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                   "</Types>");
    zip->add("_rels/.rels", std::string(XmlHead)
                                + "<Relationships "
                                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                  "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                                  "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                  "</Relationships>");
    zip->add("xl/workbook.xml", std::string(XmlHead)
                                    + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                      "<bookViews><workbookView/></bookViews>"
                                      "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                                      "</workbook>");
    zip->add("xl/_rels/workbook.xml.rels",
             std::string(XmlHead)
                 + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                   "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                   "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                   "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                   "relationships/styles\" Target=\"styles.xml\"/>"
                   "</Relationships>");
    zip->add("xl/styles.xml", styles.xml());
}

// Excel measures widths in digits of its default font, about 7 pixels,
// plus the cell's padding of 5 pixels, in 1/256 of a digit (the rounding
// libxlsxwriter did).
double excelWidth(int pixels)
{
    const double MaxDigit = 7;
    const double Padding = 5;
    if (pixels <= 0)
        return 0;
    if (pixels < MaxDigit) {
        const double width = pixels / MaxDigit;
        return std::floor(int(width * (MaxDigit + Padding) + 0.5) / MaxDigit * 256.0) / 256.0;
    }
    return std::floor((pixels + Padding) / MaxDigit * 256.0) / 256.0;
}

// Deflates and writes the sheet's chunks of rows on a thread of its own
// while the next ones are built (the deflate takes a third of the time).
// Only the chunks' bytes go between the threads: the dataset and the
// widgets stay with the caller's.
class SheetPipe
{
public:
    explicit SheetPipe(ZipWriter *zip)
        : m_zip(zip)
        , m_thread([this] { run(); })
    {}
    ~SheetPipe()
    {
        {
            std::lock_guard<std::mutex> locked(m_lock);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    SheetPipe(const SheetPipe &) = delete;
    SheetPipe &operator=(const SheetPipe &) = delete;

    // Hands the bytes of chunk over and leaves it empty; waits while two
    // chunks are still waiting. Throws what the writing threw.
    void push(std::string *chunk)
    {
        std::unique_lock<std::mutex> locked(m_lock);
        m_changed.wait(locked, [this] { return m_failure || m_waiting.size() < 2; });
        if (m_failure)
            std::rethrow_exception(m_failure);
        std::string next;
        if (!m_spare.empty()) {
            next = std::move(m_spare.back());
            m_spare.pop_back();
        }
        m_waiting.push_back(std::move(*chunk));
        *chunk = std::move(next);
        chunk->clear();
        locked.unlock();
        m_changed.notify_all();
    }

    // Waits until every chunk handed over is written. Throws what the
    // writing threw.
    void drain()
    {
        std::unique_lock<std::mutex> locked(m_lock);
        m_changed.wait(locked, [this] { return m_failure || (m_waiting.empty() && !m_writing); });
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> locked(m_lock);
        for (;;) {
            m_changed.wait(locked, [this] { return m_stopping || !m_waiting.empty(); });
            if (m_stopping)
                return;
            std::string chunk = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_writing = true;
            locked.unlock();
            std::exception_ptr failure;
            try {
                m_zip->write(chunk);
            } catch (...) {
                failure = std::current_exception();
            }
            chunk.clear();
            locked.lock();
            m_writing = false;
            if (failure) {
                m_failure = failure;
                m_waiting.clear();
            }
            m_spare.push_back(std::move(chunk));
            m_changed.notify_all();
            if (m_failure)
                return;
        }
    }

    ZipWriter *m_zip;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::string> m_waiting;
    std::vector<std::string> m_spare; // written chunks, their memory kept for the next ones
    bool m_writing = false;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::thread m_thread; // last: starts when the rest is ready
};

void writeWorkbook(const QString &path, DBGridEh *grid, const QList<int> &columns)
{
    const Dataset *dataset = grid->dataSource()->dataset();
    const int rows = grid->view()->model() ? grid->view()->model()->rowCount() : 0;
    CellStyles styles;
    const int bold = styles.style(QString(), true);
    const int dateStyle = styles.style(QStringLiteral("yyyy-mm-dd"), false);
    const int stampStyle = styles.style(QStringLiteral("yyyy-mm-dd hh:mm:ss"), false);
    struct Column
    {
        std::string name; // A, B, ...
        int field = -1;
        FieldKind kind = FieldKind::Text;
        bool number = false;
        int style = 0;       // of its cells
        int footerStyle = 0; // of its footer
    };
    std::vector<Column> layout;
    std::vector<CellSource> sources;
    bool anyFooter = false;
    for (int i = 0; i < columns.size(); ++i) {
        const GridColumn &gc = grid->columns().at(columns.at(i));
        Column c;
        c.name = columnName(i);
        c.field = dataset->fieldIndex(gc.field);
        c.kind = c.field >= 0 ? dataset->field(c.field).kind : FieldKind::Text;
        c.number = c.kind == FieldKind::Integer || c.kind == FieldKind::Float;
        if (c.number)
            c.style = styles.style(gc.displayFormat, false);
        else if (c.kind == FieldKind::Date)
            c.style = dateStyle;
        else if (c.kind == FieldKind::DateTime)
            c.style = stampStyle;
        c.footerStyle = styles.style(gc.footer == FooterKind::Sum ? gc.footerFormat : QString(), true);
        anyFooter = anyFooter || gc.footer != FooterKind::None;
        layout.push_back(c);
        sources.emplace_back(dataset, gc);
    }
    // the titles, the rows and the footer: a workbook with rows left out
    // would pass for the whole list
    const int lastRow = rows + (anyFooter ? 2 : 1);
    if (lastRow > SheetRows || columns.size() > SheetColumns)
        throw cannotWrite(path, QStringLiteral("工作簿的一张表最多 %1 行、%2 列，这里有 %3 行、%4 列；"
                                               "请分几次导出，或导出为其他格式")
                                    .arg(SheetRows)
                                    .arg(SheetColumns)
                                    .arg(lastRow)
                                    .arg(columns.size()));

    // the sheet up to its first row
    std::string xml = XmlHead;
    xml += "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
    xml += "<dimension ref=\"A1";
    if (!layout.empty()) {
        xml += ':' + layout.back().name;
        appendNumber(lastRow, &xml);
    }
    xml += "\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
           "<sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!layout.empty()) {
        xml += "<cols>";
        for (int i = 0; i < columns.size(); ++i) {
            xml += "<col min=\"" + std::to_string(i + 1) + "\" max=\"" + std::to_string(i + 1) + "\" width=\"";
            appendNumber(excelWidth(grid->view()->columnWidth(columns.at(i))), &xml);
            xml += "\" customWidth=\"1\"/>";
        }
        xml += "</cols>";
    }
    xml += "<sheetData><row r=\"1\">";
    for (std::size_t i = 0; i < layout.size(); ++i)
        appendTextCell(layout[i].name, "1", bold, grid->columns().at(columns.at(int(i))).title.toStdString(), &xml);
    xml += "</row>";

    std::unique_ptr<QProgressDialog> progress = progressFor(rows, grid);
    bool givenUp = false;
    std::exception_ptr failure;
    QString why;
    const bool written = FileSafety::writeAtomically(
        path,
        [&](int fd) {
            try {
                ZipWriter zip(fd);
                addPackageParts(&zip, styles);
                zip.begin("xl/worksheets/sheet1.xml");
                auto pipe = std::make_unique<SheetPipe>(&zip);
                std::string text;
                char rowName[16];
                for (int row = 0; row < rows; ++row) {
                    const std::size_t rowStart = xml.size();
                    const auto nameEnd = std::to_chars(rowName, rowName + sizeof rowName, row + 2).ptr;
                    const std::string_view r(rowName, std::size_t(nameEnd - rowName));
                    xml += "<row r=\"";
                    xml += r;
                    xml += "\">";
                    const std::size_t cellsStart = xml.size();
                    for (std::size_t i = 0; i < layout.size(); ++i) {
                        const Column &c = layout[i];
                        if (c.field < 0)
                            continue;
                        double value;
                        if (c.number) {
                            if (dataset->numberAt(row, c.field, &value) && std::isfinite(value)) {
                                appendNumberCell(c.name, r, c.style, value, &xml);
                                continue;
                            }
                        }
                        std::int64_t packed;
                        if ((c.kind == FieldKind::Date || c.kind == FieldKind::DateTime)
                            && dataset->packedDateAt(row, c.field, &packed) && excelSerial(packed, &value)) {
                            // the stored date and time as they are, of no time zone
                            appendNumberCell(c.name, r, c.style, value, &xml);
                            continue;
                        }
                        // texts, and dates before the spreadsheet's calendar, as the grid shows them
                        text.clear();
                        sources[i].append(row, &text);
                        if (!text.empty())
                            appendTextCell(c.name, r, 0, text, &xml);
                    }
                    if (xml.size() == cellsStart)
                        xml.resize(rowStart); // no row without cells
                    else
                        xml += "</row>";
                    if ((row + 1) % Chunk == 0) {
                        pipe->push(&xml);
                        if (cancelled(progress.get(), row + 1)) {
                            givenUp = true;
                            return false;
                        }
                    }
                }
                if (anyFooter) {
                    const std::string r = std::to_string(rows + 2);
                    xml += "<row r=\"" + r + "\">";
                    for (std::size_t i = 0; i < layout.size(); ++i) {
                        const GridColumn &gc = grid->columns().at(columns.at(int(i)));
                        const Column &c = layout[i];
                        if (gc.footer == FooterKind::Sum && c.field >= 0) // the sum to its 15 significant digits
                            appendNumberCell(c.name, r, c.footerStyle,
                                             QString::number(dataset->sum(c.field), 'g', 15).toDouble(), &xml);
                        else if (gc.footer != FooterKind::None)
                            appendTextCell(c.name, r, c.footerStyle, grid->footerText(columns.at(int(i))).toStdString(),
                                           &xml);
                    }
                    xml += "</row>";
                }
                xml += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" "
                       "header=\"0.3\" footer=\"0.3\"/></worksheet>";
                pipe->push(&xml);
                pipe->drain();
                pipe.reset();
                zip.end();
                zip.finish();
                return true;
            } catch (...) {
                failure = std::current_exception();
                return false;
            }
        },
        &why);
    if (givenUp)
        return;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const ZipWriter::TooLarge &) {
            throw cannotWrite(path, QStringLiteral("工作簿超过 4 GB；请分几次导出，或导出为其他格式"));
        } catch (const ZipWriter::Error &e) {
            throw cannotWrite(path, QString::fromLocal8Bit(e.what()));
        }
    }
    if (!written)
        throw cannotWrite(path, why);
    if (progress)
        progress->setValue(rows);
}

} // namespace

SaveDialog::SaveDialog(QObject *parent)
    : QObject(parent)
{}

bool SaveDialog::execute(QWidget *owner)
{
    FileDialogRequest request;
    request.title = title;
    request.filter = filter;
    request.defaultExtension = defaultExtension;
    request.fileName = fileName;
    request.filterIndex = filterIndex;
    const FileDialogResult result = platform().saveFile(owner, request);
    if (!result.accepted)
        return false;
    fileName = result.fileName;
    filterIndex = result.filterIndex;
    return true;
}

void ExportGrid(SaveDialog *dialog, DBGridEh *grid)
{
    if (!dialog || !grid || !grid->dataSource() || !grid->dataSource()->dataset()
        || !grid->dataSource()->dataset()->isActive())
        return;
    if (!dialog->execute(grid))
        return;
    WriteGridExport(dialog, grid);
}

void WriteGridExport(SaveDialog *dialog, DBGridEh *grid)
{
    const Format format
        = dialog->filterIndex >= 2 && dialog->filterIndex <= 4 ? Format(dialog->filterIndex) : Format::Tabs;
    static const char *const extensions[] = {"xls", "txt", "htm", "xlsx"};
    // The extension is appended whatever the name ends with; the dialog keeps
    // the full name for the next export.
    dialog->fileName += QLatin1Char('.') + QLatin1String(extensions[int(format) - 1]);
    const QString path = dialog->fileName;

    const QList<int> columns = grid->visibleColumns();
    if (format == Format::Workbook) {
        writeWorkbook(path, grid, columns);
        return;
    }
    const Dataset *dataset = grid->dataSource()->dataset();
    // per visible column: its cells, whether they could read as formulas,
    // the title, the footer and the opening HTML tags of cells and footer
    std::vector<CellSource> sources;
    std::vector<bool> guards;
    std::vector<std::string> titles;
    std::vector<std::string> footers;
    std::vector<std::string> cellOpens;
    std::vector<std::string> footerOpens;
    for (int c : columns) {
        const GridColumn &column = grid->columns().at(c);
        sources.emplace_back(dataset, column);
        guards.push_back(format != Format::Html && sources.back().isText());
        titles.push_back(column.title.toStdString());
        footers.push_back(grid->footerText(c).toStdString());
        cellOpens.push_back("<td" + htmlAlign(column.alignment).toStdString() + ">");
        footerOpens.push_back("<td" + htmlAlign(column.footerAlignment).toStdString() + ">");
    }
    const std::vector<bool> unguarded(titles.size(), false);
    const std::vector<std::string> titleOpens(titles.size(), "<th>");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotWrite(path, file.errorString());
    const auto write = [&file](std::string *text) {
        if (file.write(text->data(), qint64(text->size())) != qint64(text->size()))
            throw cannotWrite(file.fileName(), file.errorString());
        text->clear();
    };

    const QAbstractItemModel *model = grid->view()->model();
    const int rows = model ? model->rowCount() : 0;
    std::unique_ptr<QProgressDialog> progress = progressFor(rows, grid);

    std::string lines;
    if (format == Format::Html) {
        lines = htmlHead(QFileInfo(path).baseName()).toStdString() + "<thead>\r\n";
        appendLine(format, titles, unguarded, titleOpens, "</th>", &lines);
        lines.append("</thead>\r\n<tbody>\r\n");
    } else {
        lines = "\xEF\xBB\xBF"; // the byte order mark
        appendLine(format, titles, unguarded, titleOpens, "</th>", &lines);
    }
    std::vector<std::string> cells(sources.size());
    for (int row = 0; row < rows; ++row) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            cells[i].clear();
            sources[i].append(row, &cells[i]);
        }
        appendLine(format, cells, guards, cellOpens, "</td>", &lines);
        if ((row + 1) % Chunk == 0) {
            write(&lines);
            if (cancelled(progress.get(), row + 1)) {
                file.cancelWriting();
                return;
            }
        }
    }
    if (format == Format::Html) {
        lines.append("</tbody>\r\n<tfoot>\r\n");
        appendLine(format, footers, unguarded, footerOpens, "</td>", &lines);
        lines.append("</tfoot>\r\n</table>\r\n</body>\r\n</html>\r\n");
    } else {
        appendLine(format, footers, unguarded, footerOpens, "</td>", &lines);
    }
    write(&lines);
    if (progress)
        progress->setValue(rows);
    if (!file.commit())
        throw cannotWrite(path, file.errorString());
}
