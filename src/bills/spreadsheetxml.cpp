#include "spreadsheetxml.h"

#include "numbertext.h"
#include "readlimits.h"

#include <QXmlStreamReader>

namespace Bills::SpreadsheetXml {
namespace {

const QString SpreadsheetNs = QStringLiteral("urn:schemas-microsoft-com:office:spreadsheet");

// An attribute in the spreadsheet namespace ("ss:Index"), whatever its prefix.
QStringView attribute(const QXmlStreamAttributes &attributes, QStringView name)
{
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == name && (a.namespaceUri() == SpreadsheetNs || a.namespaceUri().isEmpty()))
            return a.value();
    }
    return QStringView();
}

QString cellText(QStringView type, const QString &data)
{
    if (type == u"Number")
        return NumberText::plainNumber(trimmedCell(data));
    if (type == u"DateTime") {
        QString t = trimmedCell(data);
        t.replace(u'T', u' ');
        const qsizetype dot = t.indexOf(u'.');
        if (dot > 0)
            t.truncate(dot);
        if (t.endsWith(u" 00:00:00"))
            t.chop(9);
        return t;
    }
    return trimmedCell(data);
}

} // namespace

bool looks(QStringView text)
{
    const QStringView head = text.left(4096);
    return head.trimmed().startsWith(u"<?xml") && head.contains(u"urn:schemas-microsoft-com:office:spreadsheet");
}

bool parse(const QString &text, const Limits &limits, QList<Sheet> *sheets, QString *error)
{
    QXmlStreamReader xml(text);
    Sheet *sheet = nullptr;
    QStringList row;
    int rowNumber = 0;
    qint64 cells = 0; // of the sheet so far
    int column = 0;
    bool inRow = false;
    auto fail = [&](const QString &why) {
        *error = why;
        return false;
    };
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return fail(QStringLiteral("表格文件含有不允许的文档类型声明（DTD）"));
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name == u"Worksheet") {
                if (sheets->size() >= limits.maxEntries)
                    return fail(QStringLiteral("表格文件的工作表超过 %1 个").arg(limits.maxEntries));
                sheets->append(Sheet());
                sheet = &sheets->last();
                sheet->name = attribute(xml.attributes(), u"Name").toString();
                rowNumber = 0;
                cells = 0;
            } else if (name == u"Row" && sheet) {
                const int index = attribute(xml.attributes(), u"Index").toInt();
                rowNumber = index > rowNumber ? index : rowNumber + 1;
                row.clear();
                column = 0;
                inRow = true;
            } else if (name == u"Cell" && inRow) {
                const int index = attribute(xml.attributes(), u"Index").toInt();
                if (index > 0)
                    column = index - 1;
                const int across = attribute(xml.attributes(), u"MergeAcross").toInt();
                if (column + std::max(across, 0) >= limits.maxColumns)
                    return fail(QStringLiteral("第 %1 行超过 %2 列").arg(rowNumber).arg(limits.maxColumns));
                QString value;
                QString type;
                // the cell's <Data>, its text with any formatting markup inside
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"Data") {
                        type = attribute(xml.attributes(), u"Type").toString();
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                        if (value.size() > limits.maxCellChars)
                            return fail(
                                QStringLiteral("第 %1 行有一格超过 %2 个字符").arg(rowNumber).arg(limits.maxCellChars));
                    } else {
                        xml.skipCurrentElement();
                    }
                }
                while (row.size() < column)
                    row.append(QString());
                row.append(cellText(type, value));
                column += 1 + std::max(across, 0);
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"Row" && inRow) {
            inRow = false;
            bool blank = true;
            for (const QString &cell : std::as_const(row))
                blank = blank && cell.isEmpty();
            const QString refused = blank ? QString() : appendRow(sheet, row, rowNumber, limits, &cells);
            if (!refused.isEmpty())
                return fail(refused);
        }
    }
    if (xml.hasError())
        return fail(
            QStringLiteral("表格文件的 XML 已损坏（第 %1 行：%2）").arg(xml.lineNumber()).arg(xml.errorString()));
    if (sheets->isEmpty())
        return fail(QStringLiteral("表格文件里没有工作表"));
    return true;
}

} // namespace Bills::SpreadsheetXml
