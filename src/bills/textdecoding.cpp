#include "textdecoding.h"

#include <QStringDecoder>

namespace Bills::TextDecoding {
namespace {

// A control character no text bill holds; TAB, LF, CR, FF and the DOS end
// of file mark pass.
bool isForbiddenControl(char16_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f' && c != 0x1a) || c == 0x7f;
}

QString checkedText(const QString &text)
{
    for (const QChar c : text) {
        if (isForbiddenControl(c.unicode()))
            return QStringLiteral("文件含有二进制内容，不是文本、Excel 工作簿或压缩包形式的账单");
    }
    return QString();
}

Decoded finish(QString text, const QString &encoding)
{
    Decoded d;
    d.error = checkedText(text);
    if (d.error.isEmpty()) {
        d.text = std::move(text);
        d.encoding = encoding;
    }
    return d;
}

} // namespace

bool isUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned min;
        unsigned cp;
        if ((c & 0xe0) == 0xc0) {
            more = 1;
            min = 0x80;
            cp = c & 0x1f;
        } else if ((c & 0xf0) == 0xe0) {
            more = 2;
            min = 0x800;
            cp = c & 0x0f;
        } else if ((c & 0xf8) == 0xf0) {
            more = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3f);
        }
        if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        p += more + 1;
    }
    return true;
}

bool isGb18030(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        if (c == 0x80 || c == 0xff || end - p < 2)
            return false;
        const unsigned c2 = p[1];
        if ((c2 >= 0x40 && c2 <= 0x7e) || (c2 >= 0x80 && c2 <= 0xfe)) {
            p += 2;
            continue;
        }
        if (c2 < 0x30 || c2 > 0x39 || end - p < 4)
            return false;
        if (p[2] < 0x81 || p[2] > 0xfe || p[3] < 0x30 || p[3] > 0x39)
            return false;
        p += 4;
    }
    return true;
}

Decoded decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xef\xbb\xbf")) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(QByteArrayView(bytes).sliced(3));
        if (utf8.hasError())
            return {QString(), QString(), QStringLiteral("文件标明是 UTF-8 编码，但内容不是有效的 UTF-8")};
        return finish(std::move(text), QStringLiteral("UTF-8"));
    }
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        const bool little = bytes.startsWith("\xff\xfe");
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        QString text = utf16.decode(QByteArrayView(bytes).sliced(2));
        if (utf16.hasError() || bytes.size() % 2 != 0)
            return {QString(), QString(), QStringLiteral("文件标明是 UTF-16 编码，但内容不是有效的 UTF-16")};
        return finish(std::move(text), QStringLiteral("UTF-16"));
    }
    if (isUtf8(bytes))
        return finish(QString::fromUtf8(bytes), QStringLiteral("UTF-8"));
    if (isGb18030(bytes)) {
        QStringDecoder gb("GB18030", QStringDecoder::Flag::Stateless);
        if (!gb.isValid())
            return {QString(), QString(), QStringLiteral("本机的 Qt 不能解码 GB18030/GBK 编码的文件")};
        QString text = gb.decode(bytes);
        if (!gb.hasError())
            return finish(std::move(text), QStringLiteral("GB18030"));
    }
    Decoded d;
    d.error = bytes.contains('\0') ? QStringLiteral("文件含有二进制内容，不是文本、Excel 工作簿或压缩包形式的账单")
                                   : QStringLiteral("无法识别文件的字符编码：既不是 UTF-8，也不是 GBK/GB18030");
    return d;
}

} // namespace Bills::TextDecoding
