#include "gridexport.h"

#include "cellformat.h"

#include "dbgrideh.h"
#include "numberpattern.h"

#include "data/datecodec.h"
#include "data/filesafety.h"
#include "platform/platform.h"

#include <xlsxwriter.h>

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <memory>
#include <stdexcept>
#include <string>
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

// An Excel workbook of one sheet: titles bold, numbers as numbers in the
// column's format, dates as dates, the footer row, the grid's column widths.
// Written under a temporary name and renamed when whole.
void writeWorkbook(const QString &path, DBGridEh *grid, const QList<int> &columns)
{
    const Dataset *dataset = grid->dataSource()->dataset();
    const QString temp = FileSafety::temporarySibling(path);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE; // rows go to disk as they are written
    QByteArray tempDir = QFile::encodeName(QFileInfo(path).absolutePath());
    options.tmpdir = tempDir.data();
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(temp).constData(), &options);
    if (!book)
        throw cannotWrite(path, QStringLiteral("无法创建工作簿"));
    struct Cleanup
    {
        lxw_workbook *book;
        QString temp;
        ~Cleanup()
        {
            if (book)
                workbook_close(book);
            QFile::remove(temp);
        }
    } cleanup{book, temp};

    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format *stampFormat = workbook_add_format(book);
    format_set_num_format(stampFormat, "yyyy-mm-dd hh:mm:ss");

    struct Column
    {
        int field = -1;
        FieldKind kind = FieldKind::Text;
        bool number = false;
        lxw_format *format = nullptr;       // cells
        lxw_format *footerFormat = nullptr; // footer cell
    };
    QList<Column> layout;
    QHash<QString, lxw_format *> numberFormats;
    auto numberFormat = [&](const QString &pattern, bool isBold) {
        const QString key = pattern + (isBold ? QStringLiteral("|b") : QString());
        if (lxw_format *f = numberFormats.value(key))
            return f;
        lxw_format *f = workbook_add_format(book);
        if (!pattern.isEmpty())
            format_set_num_format(f, pattern.toUtf8().constData());
        if (isBold)
            format_set_bold(f);
        numberFormats.insert(key, f);
        return f;
    };
    for (int i = 0; i < columns.size(); ++i) {
        const GridColumn &gc = grid->columns().at(columns.at(i));
        Column c;
        c.field = dataset->fieldIndex(gc.field);
        c.kind = c.field >= 0 ? dataset->field(c.field).kind : FieldKind::Text;
        c.number = c.kind == FieldKind::Integer || c.kind == FieldKind::Float;
        if (c.number)
            c.format = numberFormat(gc.displayFormat, false);
        else if (c.kind == FieldKind::Date)
            c.format = dateFormat;
        else if (c.kind == FieldKind::DateTime)
            c.format = stampFormat;
        c.footerFormat = numberFormat(gc.footer == FooterKind::Sum ? gc.footerFormat : QString(), true);
        layout.append(c);
        // Excel measures widths in digits of its default font, about 7
        // pixels; the library adds the cell's padding
        const double width = grid->view()->columnWidth(columns.at(i)) / 7.0;
        worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), width, nullptr);
        worksheet_write_string(sheet, 0, lxw_col_t(i), gc.title.toUtf8().constData(), bold);
    }

    std::vector<CellSource> sources;
    for (int c : columns)
        sources.emplace_back(dataset, grid->columns().at(c));
    const int rows = grid->view()->model() ? grid->view()->model()->rowCount() : 0;
    std::unique_ptr<QProgressDialog> progress = progressFor(rows, grid);
    std::string text;
    for (int row = 0; row < rows; ++row) {
        const lxw_row_t r = lxw_row_t(row + 1);
        for (int i = 0; i < layout.size(); ++i) {
            const Column &c = layout.at(i);
            const lxw_col_t col = lxw_col_t(i);
            if (c.field < 0)
                continue;
            if (c.number) {
                double value;
                if (dataset->numberAt(row, c.field, &value))
                    worksheet_write_number(sheet, r, col, value, c.format);
                continue;
            }
            std::int64_t packed;
            if ((c.kind == FieldKind::Date || c.kind == FieldKind::DateTime)
                && dataset->packedDateAt(row, c.field, &packed)) {
                // from the stored date and time as they are, of no time zone
                const QDate day = DateCodec::date(packed);
                const int seconds = DateCodec::secondsOfDay(packed);
                if (day.year() >= 1900) {
                    lxw_datetime when
                        = {day.year(), day.month(), day.day(), seconds / 3600, seconds / 60 % 60, double(seconds % 60)};
                    worksheet_write_datetime(sheet, r, col, &when, c.format);
                    continue;
                }
            }
            // texts, and dates before the spreadsheet's calendar, as the grid shows them
            text.clear();
            sources[std::size_t(i)].append(row, &text);
            if (!text.empty())
                worksheet_write_string(sheet, r, col, text.c_str(), nullptr);
        }
        if (cancelled(progress.get(), row + 1))
            return;
    }
    const lxw_row_t footerRow = lxw_row_t(rows + 1);
    for (int i = 0; i < layout.size(); ++i) {
        const GridColumn &gc = grid->columns().at(columns.at(i));
        const Column &c = layout.at(i);
        if (gc.footer == FooterKind::Sum && c.field >= 0) // the sum to its 15 significant digits
            worksheet_write_number(sheet, footerRow, lxw_col_t(i),
                                   QString::number(dataset->sum(c.field), 'g', 15).toDouble(), c.footerFormat);
        else if (gc.footer != FooterKind::None)
            worksheet_write_string(sheet, footerRow, lxw_col_t(i), grid->footerText(columns.at(i)).toUtf8().constData(),
                                   c.footerFormat);
    }
    const lxw_error closed = workbook_close(book);
    cleanup.book = nullptr;
    if (closed != LXW_NO_ERROR)
        throw cannotWrite(path, QString::fromUtf8(lxw_strerror(closed)));
    if (!FileSafety::syncFile(temp) || !FileSafety::replaceFile(temp, path))
        throw cannotWrite(path, QStringLiteral("无法替换原文件"));
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
