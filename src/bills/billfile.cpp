#include "billfile.h"

#include "delimitedtext.h"
#include "htmltable.h"
#include "readlimits.h"
#include "spreadsheetxml.h"
#include "textdecoding.h"
#include "xlsxreader.h"
#include "ziparchive.h"

#include <QFile>
#include <QFileInfo>

namespace Bills {
namespace {

ReadResult failed(const QString &why)
{
    ReadResult r;
    r.status = ReadStatus::Failed;
    r.error = why;
    return r;
}

ReadResult readContent(const QByteArray &data, const QString &password, const Limits &limits, bool inArchive);

// The one bill file a zip archive (not a workbook) holds, read as a file of
// its own.
ReadResult readArchive(const ZipArchive &zip, const QString &password, const Limits &limits)
{
    QList<qint64> members;
    for (qint64 i = 0; i < zip.count(); ++i) {
        const QString name = zip.name(i);
        const QString base = name.mid(name.lastIndexOf(u'/') + 1);
        if (zip.isDirectory(i) || name.startsWith(QStringLiteral("__MACOSX/")) || base.startsWith(u'.'))
            continue;
        members.append(i);
    }
    if (members.isEmpty())
        return failed(QStringLiteral("压缩包里没有文件"));
    if (members.size() > 1) {
        QStringList names;
        for (int i = 0; i < members.size() && i < 3; ++i)
            names.append(zip.name(members.at(i)));
        if (members.size() > 3)
            names.append(QStringLiteral("…"));
        return failed(QStringLiteral("压缩包里有 %1 个文件（%2），请先解压，再选择其中的账单文件")
                          .arg(members.size())
                          .arg(names.join(QStringLiteral("、"))));
    }
    QByteArray content;
    QString why;
    const qint64 bound = std::min(limits.maxEntryBytes, limits.maxTotalBytes);
    switch (zip.read(members.first(), password, bound, &content, &why)) {
    case ZipArchive::Result::Ok:
        break;
    case ZipArchive::Result::NeedsPassword: {
        ReadResult r;
        r.status = ReadStatus::NeedsPassword;
        r.error = QStringLiteral("压缩包有密码保护，请输入解压密码");
        return r;
    }
    case ZipArchive::Result::WrongPassword: {
        ReadResult r;
        r.status = ReadStatus::WrongPassword;
        r.error = QStringLiteral("解压密码不对");
        return r;
    }
    case ZipArchive::Result::TooLarge:
    case ZipArchive::Result::Failed:
        return failed(why);
    }
    // the member is checked against the limits of a file of its own
    Limits inner = limits;
    inner.maxFileBytes = std::min(limits.maxEntryBytes, limits.maxTotalBytes);
    inner.maxTotalBytes = limits.maxTotalBytes - content.size();
    ReadResult r = readContent(content, password, inner, true);
    r.document.fromArchive = true;
    return r;
}

ReadResult readContent(const QByteArray &data, const QString &password, const Limits &limits, bool inArchive)
{
    if (data.isEmpty())
        return failed(QStringLiteral("文件是空的"));
    if (data.size() > limits.maxFileBytes)
        return failed(
            QStringLiteral("文件过大（%1），超过 %2 的上限").arg(sizeText(data.size()), sizeText(limits.maxFileBytes)));
    if (data.startsWith("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"))
        return failed(QStringLiteral("这是旧版 Excel 工作簿（.xls）或加了密码的 Excel 文件，不能直接读取："
                                     "请在 Excel 或 WPS 中打开，去掉密码，另存为 .xlsx 或 CSV 后再导入"));
    if (data.startsWith("%PDF"))
        return failed(QStringLiteral("这是 PDF 文件，其中的账单不能读取：请导出 CSV 或 Excel 格式的账单"));
    if (data.startsWith("PK\x03\x04") || data.startsWith("PK\x05\x06")) {
        ZipArchive zip(data);
        if (!zip.isOpen())
            return failed(zip.error());
        if (zip.count() > limits.maxEntries)
            return failed(QStringLiteral("压缩包里的文件超过 %1 个").arg(limits.maxEntries));
        if (Xlsx::isWorkbook(zip)) {
            ReadResult r;
            qint64 budget = limits.maxTotalBytes;
            if (!Xlsx::read(zip, limits, &budget, &r.document.sheets, &r.error))
                return failed(r.error);
            r.status = ReadStatus::Ok;
            r.document.format = Format::Xlsx;
            return r;
        }
        if (inArchive)
            return failed(QStringLiteral("压缩包里又是一个压缩包，请先解压"));
        return readArchive(zip, password, limits);
    }
    const TextDecoding::Decoded text = TextDecoding::decode(data);
    if (!text.error.isEmpty())
        return failed(text.error);
    ReadResult r;
    r.document.encoding = text.encoding;
    bool ok;
    if (SpreadsheetXml::looks(text.text)) {
        r.document.format = Format::SpreadsheetXml;
        ok = SpreadsheetXml::parse(text.text, limits, &r.document.sheets, &r.error);
    } else {
        Sheet sheet;
        if (HtmlTable::looks(text.text)) {
            r.document.format = Format::Html;
            ok = HtmlTable::parse(text.text, limits, &sheet, &r.error);
        } else {
            const QChar separator = DelimitedText::separatorOf(text.text);
            r.document.format = separator == u'\t' ? Format::TabSeparated : Format::Csv;
            ok = DelimitedText::parse(text.text, separator, limits, &sheet, &r.error);
        }
        r.document.sheets.append(std::move(sheet));
    }
    if (!ok)
        return failed(r.error);
    r.status = ReadStatus::Ok;
    return r;
}

} // namespace

QString trimmedCell(QStringView text)
{
    auto blank = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == 0x3000 || u == 0x00a0 || u == 0xfeff;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Csv:
        return QStringLiteral("CSV 文本");
    case Format::TabSeparated:
        return QStringLiteral("制表符分隔的文本");
    case Format::Html:
        return QStringLiteral("网页表格");
    case Format::SpreadsheetXml:
        return QStringLiteral("Excel 2003 XML 表格");
    case Format::Xlsx:
        return QStringLiteral("Excel 工作簿");
    }
    return QString();
}

ReadResult readData(const QByteArray &data, const QString &password, const Limits &limits)
{
    return readContent(data, password, limits, false);
}

ReadResult readFile(const QString &path, const QString &password, const Limits &limits)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(QStringLiteral("找不到文件“%1”").arg(path));
    if (!info.isFile())
        return failed(QStringLiteral("“%1”不是文件").arg(path));
    if (info.size() > limits.maxFileBytes)
        return failed(
            QStringLiteral("文件过大（%1），超过 %2 的上限").arg(sizeText(info.size()), sizeText(limits.maxFileBytes)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("无法打开文件“%1”（%2）").arg(path, file.errorString()));
    // no more than the bound, whatever the size said a moment ago
    QByteArray data;
    data.reserve(qsizetype(std::min(file.size(), limits.maxFileBytes) + 1));
    char piece[1 << 16];
    while (data.size() <= limits.maxFileBytes) {
        const qint64 got = file.read(piece, std::min<qint64>(sizeof piece, limits.maxFileBytes + 1 - data.size()));
        if (got <= 0)
            break;
        data.append(piece, qsizetype(got));
    }
    if (file.error() != QFileDevice::NoError)
        return failed(QStringLiteral("无法读取文件“%1”（%2）").arg(path, file.errorString()));
    return readData(data, password, limits);
}

} // namespace Bills
