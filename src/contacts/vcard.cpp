#include "vcard.h"

#include "data/dataset.h"
#include "data/filesafety.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace VCard {

QString escaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\\n");
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray line(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    int used = 0; // octets on the current line, the leading blank of a continuation included
    for (qsizetype i = 0; i < utf8.size();) {
        // one whole character: its lead byte and its continuation bytes
        qsizetype end = i + 1;
        while (end < utf8.size() && (uchar(utf8.at(end)) & 0xC0) == 0x80)
            ++end;
        const int size = int(end - i);
        if (used + size > 75) {
            out += "\r\n ";
            used = 1;
        }
        out += utf8.mid(i, size);
        used += size;
        i = end;
    }
    out += "\r\n";
    return out;
}

QPair<QString, QString> splitName(const QString &name)
{
    // the two-character family names that are not rare
    static const QStringList compound
        = {QStringLiteral("欧阳"), QStringLiteral("司马"), QStringLiteral("诸葛"), QStringLiteral("上官"),
           QStringLiteral("皇甫"), QStringLiteral("东方"), QStringLiteral("慕容"), QStringLiteral("令狐"),
           QStringLiteral("端木"), QStringLiteral("公孙"), QStringLiteral("司徒"), QStringLiteral("夏侯"),
           QStringLiteral("尉迟"), QStringLiteral("长孙"), QStringLiteral("宇文"), QStringLiteral("轩辕"),
           QStringLiteral("澹台"), QStringLiteral("南宫"), QStringLiteral("西门"), QStringLiteral("独孤"),
           QStringLiteral("呼延"), QStringLiteral("万俟"), QStringLiteral("闻人"), QStringLiteral("申屠"),
           QStringLiteral("太史"), QStringLiteral("公羊"), QStringLiteral("赫连"), QStringLiteral("钟离"),
           QStringLiteral("宗政"), QStringLiteral("濮阳"), QStringLiteral("淳于"), QStringLiteral("单于"),
           QStringLiteral("拓跋"), QStringLiteral("百里"), QStringLiteral("东郭"), QStringLiteral("左丘")};
    const QString n = name.trimmed();
    const bool chinese = n.size() >= 2 && n.size() <= 5 && std::all_of(n.cbegin(), n.cend(), [](QChar c) {
                             return c.unicode() >= 0x3400 && c.unicode() <= 0x9fff;
                         });
    if (!chinese)
        return {name, QString()};
    const int family = n.size() >= 3 && compound.contains(n.left(2)) ? 2 : 1;
    return {n.left(family), n.mid(family)};
}

QByteArray card(const Dataset &contacts, int row)
{
    auto field = [&](const char *name) {
        const int f = contacts.fieldIndex(QLatin1String(name));
        return f < 0 ? QString() : contacts.textAt(row, f);
    };
    QByteArray out = line(QStringLiteral("BEGIN:VCARD")) + line(QStringLiteral("VERSION:3.0"));
    const QString name = field("lxrxm");
    out += line(QStringLiteral("FN:") + escaped(name));
    const QPair<QString, QString> parts = splitName(name);
    out += line(QStringLiteral("N:") + escaped(parts.first) + QLatin1Char(';') + escaped(parts.second)
                + QStringLiteral(";;;"));
    auto add = [&](const QString &property, const char *column) {
        const QString value = field(column);
        if (!value.isEmpty())
            out += line(property + QLatin1Char(':') + escaped(value));
    };
    add(QStringLiteral("NICKNAME"), "bm");
    add(QStringLiteral("X-GENDER"), "xb");
    add(QStringLiteral("TEL;TYPE=CELL"), "sjhm");
    add(QStringLiteral("TEL;TYPE=WORK,VOICE"), "bgdh");
    add(QStringLiteral("TEL;TYPE=HOME,VOICE"), "jtdh");
    add(QStringLiteral("EMAIL;TYPE=INTERNET"), "yx");
    add(QStringLiteral("URL"), "wz");
    add(QStringLiteral("ORG"), "gsmc");
    const QString address = field("jtdz");
    if (!address.isEmpty())
        out += line(QStringLiteral("ADR;TYPE=HOME:;;") + escaped(address) + QStringLiteral(";;;;"));
    add(QStringLiteral("BDAY"), "sr");
    add(QStringLiteral("X-QQ"), "qq");
    add(QStringLiteral("NOTE"), "txlbz");
    add(QStringLiteral("CATEGORIES"), "fz");
    out += line(QStringLiteral("END:VCARD"));
    return out;
}

bool write(const Dataset &contacts, const QString &path)
{
    const QString temp = FileSafety::temporarySibling(path);
    QFile file(temp);
    bool ok = file.open(QIODevice::WriteOnly);
    for (int row = 0; ok && row < contacts.storedCount(); ++row)
        ok = file.write(card(contacts, row)) >= 0;
    file.close();
    ok = ok && file.error() == QFileDevice::NoError && FileSafety::syncFile(temp)
         && FileSafety::replaceFile(temp, path);
    if (!ok)
        QFile::remove(temp);
    return ok;
}

} // namespace VCard
