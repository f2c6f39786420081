#include "vcard.h"

#include "data/dataset.h"
#include "data/filesafety.h"

#include <QFile>

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

QByteArray card(const Dataset &contacts, int row)
{
    auto field = [&](const char *name) {
        const int f = contacts.fieldIndex(QLatin1String(name));
        return f < 0 ? QString() : contacts.textAt(row, f);
    };
    QByteArray out = line(QStringLiteral("BEGIN:VCARD")) + line(QStringLiteral("VERSION:3.0"));
    const QString name = field("lxrxm");
    out += line(QStringLiteral("FN:") + escaped(name));
    out += line(QStringLiteral("N:") + escaped(name) + QStringLiteral(";;;;"));
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
