#include "gridexport.h"

#include "dbgrideh.h"

#include "platform/platform.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTableView>

#include <memory>
#include <stdexcept>

namespace {

// Exports of more rows than this show their progress.
const int ProgressThreshold = 20000;
// Rows written between two writes to the file and two progress updates.
const int Chunk = 1000;

enum class Format { Tabs = 1, Quoted = 2, Html = 3 };

class ExportError : public std::runtime_error
{
public:
    explicit ExportError(const QString &message)
        : std::runtime_error(message.toStdString())
    {}
};

const QString LineEnd = QStringLiteral("\r\n");

QString tabLine(const QStringList &cells)
{
    // a tab or line break inside a cell would split it: it becomes a space
    QStringList plain;
    plain.reserve(cells.size());
    for (QString cell : cells) {
        cell.replace(QLatin1String("\r\n"), QLatin1String(" "));
        for (QChar &c : cell)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
                c = QLatin1Char(' ');
        plain.append(cell);
    }
    return plain.join(QLatin1Char('\t')) + LineEnd;
}

QString quotedLine(const QStringList &cells)
{
    QStringList quoted;
    quoted.reserve(cells.size());
    for (QString cell : cells)
        quoted.append(QLatin1Char('"') + cell.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'));
    return quoted.join(QLatin1Char(';')) + LineEnd;
}

QString htmlText(const QString &text)
{
    QString escaped = text.toHtmlEscaped(); // & < > "
    escaped.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return escaped;
}

QString htmlAlign(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return QStringLiteral(" style=\"text-align:right\"");
    if (alignment & Qt::AlignHCenter)
        return QStringLiteral(" style=\"text-align:center\"");
    return QString();
}

QString htmlRow(const QString &tag, const QStringList &cells, const QList<Qt::Alignment> &alignments)
{
    QString row = QStringLiteral("<tr>");
    for (int i = 0; i < cells.size(); ++i)
        row += QLatin1Char('<') + tag + htmlAlign(alignments.value(i)) + QLatin1Char('>') + htmlText(cells.at(i))
               + QLatin1String("</") + tag + QLatin1Char('>');
    return row + QLatin1String("</tr>") + LineEnd;
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
        .arg(htmlText(title));
}

// A text cell that a spreadsheet program would take for a formula
// ("=", "+", "-", "@" first) gets an apostrophe before it, which the program
// reads as "this is text"; HTML cells are shown as they are.
QString textCell(const QString &text)
{
    if (!text.isEmpty() && QStringView(u"=+-@").contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

// Writes text to the file; a failed write ends the export.
void put(QSaveFile *file, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (file->write(bytes) != bytes.size())
        throw ExportError(QStringLiteral("无法写入文件“%1”：%2")
                              .arg(QDir::toNativeSeparators(file->fileName()), file->errorString()));
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

    const Format format = dialog->filterIndex == 2   ? Format::Quoted
                          : dialog->filterIndex == 3 ? Format::Html
                                                     : Format::Tabs;
    static const char *const extensions[] = {"xls", "txt", "htm"};
    // The extension is appended whatever the name ends with; the dialog keeps
    // the full name for the next export.
    dialog->fileName += QLatin1Char('.') + QLatin1String(extensions[int(format) - 1]);
    const QString path = dialog->fileName;

    const QList<int> columns = grid->visibleColumns();
    const Dataset *dataset = grid->dataSource()->dataset();
    QList<bool> textColumns; // per visible column: cells that could read as formulas
    for (int c : columns) {
        const int f = dataset->fieldIndex(grid->columns().at(c).field);
        const FieldKind kind = f >= 0 ? dataset->field(f).kind : FieldKind::Text;
        textColumns.append(format != Format::Html && (kind == FieldKind::Text || kind == FieldKind::Memo));
    }
    QStringList titles;
    QStringList footers;
    QList<Qt::Alignment> alignments;
    QList<Qt::Alignment> footerAlignments;
    for (int c : columns) {
        const GridColumn &column = grid->columns().at(c);
        titles.append(column.title);
        footers.append(grid->footerText(c));
        alignments.append(column.alignment);
        footerAlignments.append(column.footerAlignment);
    }
    const auto line = [&](const QStringList &cells, const QString &htmlTag, const QList<Qt::Alignment> &align) {
        switch (format) {
        case Format::Tabs:
            return tabLine(cells);
        case Format::Quoted:
            return quotedLine(cells);
        case Format::Html:
            break;
        }
        return htmlRow(htmlTag, cells, align);
    };

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ExportError(
            QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString()));

    const QAbstractItemModel *model = grid->view()->model();
    const int rows = model ? model->rowCount() : 0;
    // Shown only for long exports; it lives for this call and is the grid's child.
    std::unique_ptr<QProgressDialog> progress;
    if (rows > ProgressThreshold) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("正在导出 %1 条记录……").arg(rows),
                                                     QStringLiteral("取消"), 0, rows, grid);
        progress->setObjectName(QStringLiteral("ExportProgress"));
        progress->setWindowTitle(ApplicationTitle);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0); // shown from the first rows on
        progress->setValue(0);
    }

    QString text;
    if (format == Format::Html)
        text = htmlHead(QFileInfo(path).baseName()) + QLatin1String("<thead>") + LineEnd
               + line(titles, QStringLiteral("th"), {}) + QLatin1String("</thead>") + LineEnd + QLatin1String("<tbody>")
               + LineEnd;
    else
        text = QChar(0xFEFF) + line(titles, QString(), {});
    QStringList cells;
    for (int row = 0; row < rows; ++row) {
        cells.clear();
        for (int i = 0; i < columns.size(); ++i) {
            const QString cell = grid->cellText(row, columns.at(i));
            cells.append(textColumns.at(i) ? textCell(cell) : cell);
        }
        text += line(cells, QStringLiteral("td"), alignments);
        if ((row + 1) % Chunk == 0) {
            put(&file, text);
            text.clear();
            if (progress) {
                progress->setValue(row + 1); // lets the dialog take the cancel click
                if (progress->wasCanceled()) {
                    file.cancelWriting();
                    return;
                }
            }
        }
    }
    if (format == Format::Html)
        text += QLatin1String("</tbody>") + LineEnd + QLatin1String("<tfoot>") + LineEnd
                + line(footers, QStringLiteral("td"), footerAlignments) + QLatin1String("</tfoot>") + LineEnd
                + QLatin1String("</table>") + LineEnd + QLatin1String("</body>") + LineEnd + QLatin1String("</html>")
                + LineEnd;
    else
        text += line(footers, QString(), {});
    put(&file, text);
    if (progress)
        progress->setValue(rows);
    if (!file.commit())
        throw ExportError(
            QStringLiteral("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
}
