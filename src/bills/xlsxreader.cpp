#include "xlsxreader.h"

#include "numbertext.h"
#include "readlimits.h"
#include "ziparchive.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

namespace Bills::Xlsx {
namespace {

struct Relationship
{
    QString type;
    QString target; // the member's path inside the archive
};

// What a cell holds, by its t attribute.
enum class CellType { Number, Shared, Inline, Text, Boolean, Date, Error };

CellType cellTypeOf(QStringView t)
{
    if (t.isEmpty() || t == u"n")
        return CellType::Number;
    if (t == u"s")
        return CellType::Shared;
    if (t == u"inlineStr")
        return CellType::Inline;
    if (t == u"b")
        return CellType::Boolean;
    if (t == u"d")
        return CellType::Date;
    if (t == u"e")
        return CellType::Error;
    return CellType::Text; // "str", a formula's text
}

// What the reading of one workbook shares between its members.
class Workbook
{
public:
    Workbook(const ZipArchive &zip, const Limits &limits, qint64 *budget)
        : m_zip(zip)
        , m_limits(limits)
        , m_budget(budget)
    {}

    bool read(QList<Sheet> *sheets, QString *error);

private:
    bool fail(const QString &why)
    {
        if (m_error.isEmpty())
            m_error = why;
        return false;
    }
    bool xmlFailed(const QXmlStreamReader &xml, const QString &name)
    {
        return fail(QStringLiteral("工作簿已损坏：%1 的 XML 有错（第 %2 行：%3）")
                        .arg(name)
                        .arg(xml.lineNumber())
                        .arg(xml.errorString()));
    }
    bool member(const QString &path, bool required, QByteArray *out);
    bool relationships(const QString &source, QHash<QString, Relationship> *out);
    bool sharedStrings(const QString &path);
    bool styles(const QString &path);
    bool worksheet(const QString &path, Sheet *sheet);
    QString richText(QXmlStreamReader &xml);
    bool cellValue(CellType type, int style, QStringView value, QString *text, int row);

    const ZipArchive &m_zip;
    const Limits &m_limits;
    qint64 *m_budget;
    bool m_date1904 = false;
    QStringList m_strings;
    QList<NumberText::DateShown> m_styleDates; // per cell format (cellXfs) index
    QString m_value;                           // the value of the cell being read
    QString m_error;
};

// The relationship id of an element, in whatever namespace prefix.
QStringView relationshipId(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == u"id" && !a.namespaceUri().isEmpty())
            return a.value();
    }
    return QStringView();
}

// The column index (from 0) of a cell reference such as "AB12"; -1 when it
// has no letters, a huge number when it has more than three.
int columnOf(QStringView reference)
{
    int column = 0;
    int letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        if (++letters > 3)
            return std::numeric_limits<int>::max();
        column = column * 26 + (u - u'A' + 1);
    }
    return letters == 0 ? -1 : column - 1;
}

// The number of a shared string, as its plain decimal digits (toInt goes
// through the locale machinery, once for every cell); -1 for anything else.
qsizetype indexOf(QStringView digits)
{
    digits = digits.trimmed();
    if (digits.isEmpty() || digits.size() > 9)
        return -1;
    qsizetype index = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        index = index * 10 + (c.unicode() - u'0');
    }
    return index;
}

// The directory of a member's path with a slash ("xl/"), or "".
QString directoryOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString resolved(const QString &base, const QString &target)
{
    if (target.startsWith(u'/'))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(directoryOf(base) + target);
}

bool Workbook::member(const QString &path, bool required, QByteArray *out)
{
    out->clear();
    const qint64 index = m_zip.indexOf(path.toUtf8().constData());
    if (index < 0)
        return required ? fail(QStringLiteral("工作簿已损坏：缺少 %1").arg(path)) : true;
    const qint64 bound = std::min(m_limits.maxEntryBytes, *m_budget);
    QString why;
    switch (m_zip.read(index, QString(), bound, out, &why)) {
    case ZipArchive::Result::Ok:
        break;
    case ZipArchive::Result::NeedsPassword:
    case ZipArchive::Result::WrongPassword:
        return fail(QStringLiteral("工作簿里的 %1 被加密了，不能读取").arg(path));
    case ZipArchive::Result::TooLarge:
        if (bound < m_limits.maxEntryBytes)
            why = QStringLiteral("工作簿解压后超过 %1 的上限").arg(sizeText(m_limits.maxTotalBytes));
        return fail(why);
    case ZipArchive::Result::Failed:
        return fail(why);
    }
    *m_budget -= out->size();
    return true;
}

bool Workbook::relationships(const QString &source, QHash<QString, Relationship> *out)
{
    const QString path = directoryOf(source) + QStringLiteral("_rels/") + source.mid(directoryOf(source).size())
                         + QStringLiteral(".rels");
    QByteArray data;
    if (!member(path, false, &data))
        return false;
    if (data.isEmpty()) // none: the members have their usual names
        return true;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(QStringLiteral("工作簿含有不允许的文档类型声明（DTD）"));
        if (token == QXmlStreamReader::StartElement && xml.name() == u"Relationship") {
            const QXmlStreamAttributes a = xml.attributes();
            if (a.value(QLatin1String("TargetMode")) == u"External")
                continue;
            out->insert(a.value(QLatin1String("Id")).toString(),
                        {a.value(QLatin1String("Type")).toString(),
                         resolved(source, a.value(QLatin1String("Target")).toString())});
        }
    }
    return xml.hasError() ? xmlFailed(xml, path) : true;
}

QString Workbook::richText(QXmlStreamReader &xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"t") {
            text += xml.readElementText();
        } else if (xml.name() == u"r") { // a run of formatted text
            while (xml.readNextStartElement()) {
                if (xml.name() == u"t")
                    text += xml.readElementText();
                else
                    xml.skipCurrentElement();
            }
        } else { // phonetic guides and their properties
            xml.skipCurrentElement();
        }
    }
    return text;
}

bool Workbook::sharedStrings(const QString &path)
{
    QByteArray data;
    if (!member(path, false, &data))
        return false;
    if (data.isEmpty()) // a workbook without text
        return true;
    const qint64 most = std::min<qint64>(m_limits.maxCells, 2000000);
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(QStringLiteral("工作簿含有不允许的文档类型声明（DTD）"));
        if (token == QXmlStreamReader::StartElement && xml.name() == u"si") {
            if (m_strings.size() >= most)
                return fail(QStringLiteral("工作簿的字符串超过 %1 个").arg(most));
            m_strings.append(trimmedCell(richText(xml))); // trimmed once, not per cell
        }
    }
    return xml.hasError() ? xmlFailed(xml, path) : true;
}

bool Workbook::styles(const QString &path)
{
    QByteArray data;
    if (!member(path, false, &data))
        return false;
    if (data.isEmpty()) // no formats: no dates either
        return true;
    QHash<int, QString> formats; // the workbook's own number formats
    QList<int> cellFormats;      // per cell format, its number format id
    bool inCellXfs = false;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(QStringLiteral("工作簿含有不允许的文档类型声明（DTD）"));
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"numFmt") {
                formats.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                               xml.attributes().value(QLatin1String("formatCode")).toString());
            } else if (xml.name() == u"cellXfs") {
                inCellXfs = true;
            } else if (xml.name() == u"xf" && inCellXfs) {
                if (cellFormats.size() >= 65536)
                    return fail(QStringLiteral("工作簿的单元格格式过多"));
                cellFormats.append(xml.attributes().value(QLatin1String("numFmtId")).toInt());
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
            inCellXfs = false;
        }
    }
    if (xml.hasError())
        return xmlFailed(xml, path);
    for (const int id : std::as_const(cellFormats))
        m_styleDates.append(NumberText::dateShownBy(id, formats.value(id)));
    return true;
}

bool Workbook::cellValue(CellType type, int style, QStringView value, QString *text, int row)
{
    if (type == CellType::Shared) {
        const qsizetype index = indexOf(value);
        if (index < 0 || index >= m_strings.size())
            return fail(QStringLiteral("工作簿已损坏：第 %1 行引用了不存在的字符串").arg(row));
        *text = m_strings.at(index);
    } else if (type == CellType::Boolean) {
        *text = value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type == CellType::Date) { // an ISO 8601 date
        QString t = trimmedCell(value);
        t.replace(u'T', u' ');
        for (qsizetype i = 10; i < t.size(); ++i) { // no fractions of seconds, no zone
            if (t[i] == u'.' || t[i] == u'Z' || t[i] == u'+') {
                t.truncate(i);
                break;
            }
        }
        *text = t;
    } else if (type == CellType::Number) {
        const QStringView number = value.trimmed();
        const NumberText::DateShown shown
            = style >= 0 && style < m_styleDates.size() ? m_styleDates.at(style) : NumberText::DateShown();
        if (number.isEmpty())
            text->clear();
        else if (shown.any())
            *text = NumberText::serialDateText(number, m_date1904, shown);
        else
            *text = NumberText::plainNumber(number);
    } else { // an inline string, a formula's text, an error
        *text = trimmedCell(value);
    }
    if (text->size() > m_limits.maxCellChars)
        return fail(QStringLiteral("第 %1 行有一格超过 %2 个字符").arg(row).arg(m_limits.maxCellChars));
    return true;
}

bool Workbook::worksheet(const QString &path, Sheet *sheet)
{
    QByteArray data;
    if (!member(path, true, &data))
        return false;
    // one flat pass over the tokens: a sheet has hundreds of thousands
    QXmlStreamReader xml(data);
    QStringList row;
    int rowNumber = 0;
    qint64 cells = 0; // of the sheet so far
    bool inRow = false;
    int nextColumn = 0;
    // the cell being read
    bool inCell = false;
    bool inText = false;     // in its <v>, or in a <t> of its inline string
    bool inPhonetic = false; // in a phonetic guide of its inline string, left out
    int column = 0;
    int style = -1;
    CellType type = CellType::Number;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return fail(QStringLiteral("工作簿含有不允许的文档类型声明（DTD）"));
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            if (inCell) {
                if (name == u"v" || (name == u"t" && !inPhonetic))
                    inText = true;
                else if (name == u"rPh")
                    inPhonetic = true;
                else if (name == u"is")
                    type = CellType::Inline;
            } else if (name == u"c" && inRow) {
                const QXmlStreamAttributes a = xml.attributes();
                const int referenced = columnOf(a.value(QLatin1String("r")));
                column = referenced >= 0 ? referenced : nextColumn;
                if (column >= m_limits.maxColumns)
                    return fail(QStringLiteral("第 %1 行超过 %2 列").arg(rowNumber).arg(m_limits.maxColumns));
                type = cellTypeOf(a.value(QLatin1String("t")));
                const QStringView styleIndex = a.value(QLatin1String("s"));
                style = styleIndex.isEmpty() ? -1 : styleIndex.toInt();
                m_value.clear(); // keeps its room from cell to cell
                inCell = true;
            } else if (name == u"row") {
                const int number = xml.attributes().value(QLatin1String("r")).toInt();
                rowNumber = number > 0 ? number : rowNumber + 1;
                row.clear();
                inRow = true;
                nextColumn = 0;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (inText) {
                if (m_value.size() + xml.text().size() > m_limits.maxCellChars)
                    return fail(
                        QStringLiteral("第 %1 行有一格超过 %2 个字符").arg(rowNumber).arg(m_limits.maxCellChars));
                m_value += xml.text();
            }
            break;
        case QXmlStreamReader::EndElement: {
            const QStringView name = xml.name();
            if (name == u"v" || name == u"t") {
                inText = false;
            } else if (name == u"rPh") {
                inPhonetic = false;
            } else if (name == u"c" && inCell) {
                inCell = inText = inPhonetic = false;
                QString text;
                if (!cellValue(type, style, m_value, &text, rowNumber))
                    return false;
                while (row.size() <= column)
                    row.append(QString());
                row[column] = text;
                nextColumn = column + 1;
            } else if (name == u"row" && inRow) {
                inRow = false;
                bool blank = true;
                for (const QString &cell : std::as_const(row))
                    blank = blank && cell.isEmpty();
                if (blank)
                    break;
                const QString refused = appendRow(sheet, row, rowNumber, m_limits, &cells);
                if (!refused.isEmpty())
                    return fail(refused);
                const qsizetype width = row.size();
                row = QStringList(); // the sheet keeps the old one; no copy of it on the next change
                row.reserve(width);
            }
            break;
        }
        default:
            break;
        }
    }
    return xml.hasError() ? xmlFailed(xml, path) : true;
}

bool Workbook::read(QList<Sheet> *sheets, QString *error)
{
    const bool ok = [&] {
        // the workbook's main member, as the package's relationships name it
        QHash<QString, Relationship> root;
        if (!relationships(QString(), &root))
            return false;
        QString main = QStringLiteral("xl/workbook.xml");
        for (const Relationship &r : std::as_const(root)) {
            if (r.type.endsWith(u"/officeDocument"))
                main = r.target;
        }
        QHash<QString, Relationship> related;
        if (!relationships(main, &related))
            return false;
        QByteArray data;
        if (!member(main, true, &data))
            return false;
        struct Entry
        {
            QString name;
            QString id;
        };
        QList<Entry> entries;
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::DTD)
                return fail(QStringLiteral("工作簿含有不允许的文档类型声明（DTD）"));
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"workbookPr") {
                const QStringView v = xml.attributes().value(QLatin1String("date1904"));
                m_date1904 = v == u"1" || v == u"true";
            } else if (xml.name() == u"sheet") {
                if (entries.size() >= m_limits.maxEntries)
                    return fail(QStringLiteral("工作簿的工作表过多"));
                entries.append(Entry{xml.attributes().value(QLatin1String("name")).toString(),
                                     relationshipId(xml.attributes()).toString()});
            }
        }
        if (xml.hasError())
            return xmlFailed(xml, main);
        QString stringsMember = related.isEmpty() ? directoryOf(main) + QStringLiteral("sharedStrings.xml") : QString();
        QString stylesMember = related.isEmpty() ? directoryOf(main) + QStringLiteral("styles.xml") : QString();
        for (const Relationship &r : std::as_const(related)) {
            if (r.type.endsWith(u"/sharedStrings"))
                stringsMember = r.target;
            else if (r.type.endsWith(u"/styles"))
                stylesMember = r.target;
        }
        if (!stringsMember.isEmpty() && !sharedStrings(stringsMember))
            return false;
        if (!stylesMember.isEmpty() && !styles(stylesMember))
            return false;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QString path;
            if (related.isEmpty()) {
                path = directoryOf(main) + QStringLiteral("worksheets/sheet%1.xml").arg(i + 1);
            } else {
                const auto it = related.constFind(entries.at(i).id);
                if (it == related.cend() || !it->type.endsWith(u"/worksheet"))
                    continue; // a chart sheet or a dialog sheet
                path = it->target;
            }
            Sheet sheet;
            sheet.name = entries.at(i).name;
            if (!worksheet(path, &sheet))
                return false;
            sheets->append(std::move(sheet));
        }
        if (sheets->isEmpty())
            return fail(QStringLiteral("工作簿里没有工作表"));
        return true;
    }();
    if (!ok)
        *error = m_error;
    return ok;
}

} // namespace

bool isWorkbook(const ZipArchive &zip)
{
    return zip.indexOf("[Content_Types].xml") >= 0 || zip.indexOf("xl/workbook.xml") >= 0;
}

bool read(const ZipArchive &zip, const Limits &limits, qint64 *budget, QList<Sheet> *sheets, QString *error)
{
    Workbook workbook(zip, limits, budget);
    return workbook.read(sheets, error);
}

} // namespace Bills::Xlsx
