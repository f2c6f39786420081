#include "numbertext.h"

#include <QDate>

#include <cmath>

namespace Bills::NumberText {

QString plainNumber(QStringView value)
{
    qsizetype p = 0;
    const qsizetype n = value.size();
    bool negative = false;
    if (p < n && (value[p] == u'-' || value[p] == u'+'))
        negative = value[p++] == u'-';
    QString digits;
    int exponent = 0; // the value is digits × 10^exponent
    bool seenPoint = false;
    bool seenDigit = false;
    for (; p < n; ++p) {
        const QChar c = value[p];
        if (c.isDigit() && c.unicode() < 0x80) {
            seenDigit = true;
            if (!(digits.isEmpty() && c == u'0'))
                digits.append(c);
            if (seenPoint)
                --exponent;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return value.toString();
    if (p < n && (value[p] == u'e' || value[p] == u'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < n && (value[p] == u'-' || value[p] == u'+'))
            negativeExponent = value[p++] == u'-';
        const qsizetype start = p;
        while (p < n && value[p].isDigit() && p - start < 4)
            ++p;
        if (p == start)
            return value.toString();
        const int e = value.mid(start, p - start).toInt();
        exponent += negativeExponent ? -e : e;
    }
    if (p != n)
        return value.toString();
    if (digits.isEmpty())
        return QStringLiteral("0");
    // 15 significant digits, the last rounded half away from zero
    if (digits.size() > 15) {
        const bool up = digits[15] >= u'5';
        exponent += int(digits.size() - 15);
        digits.truncate(15);
        for (qsizetype i = digits.size() - 1; up && i >= 0; --i) {
            if (digits[i] == u'9') {
                digits[i] = u'0';
                if (i == 0)
                    digits.prepend(u'1');
            } else {
                digits[i] = QChar(digits[i].unicode() + 1);
                break;
            }
        }
    }
    while (digits.endsWith(u'0')) {
        digits.chop(1);
        ++exponent;
    }
    const qsizetype point = digits.size() + exponent; // digits before the decimal point
    if (point > 40 || point < -40)
        return value.toString();
    QString text;
    if (negative)
        text.append(u'-');
    if (exponent >= 0) {
        text.append(digits);
        text.append(QString(exponent, u'0'));
    } else if (point > 0) {
        text.append(digits.left(point));
        text.append(u'.');
        text.append(digits.mid(point));
    } else {
        text.append(QStringLiteral("0."));
        text.append(QString(-point, u'0'));
        text.append(digits);
    }
    return text;
}

DateShown dateShownBy(int formatId, QStringView formatCode)
{
    DateShown shown;
    switch (formatId) {
    case 14:
    case 15:
    case 16:
    case 17:
    case 27:
    case 28:
    case 29:
    case 30:
    case 31:
    case 36:
    case 50:
    case 51:
    case 52:
    case 53:
    case 54:
    case 55:
    case 56:
    case 57:
    case 58:
        shown.date = true;
        return shown;
    case 18:
    case 19:
    case 20:
    case 21:
    case 32:
    case 33:
    case 34:
    case 35:
    case 45:
    case 46:
    case 47:
        shown.time = true;
        return shown;
    case 22:
        shown.date = shown.time = true;
        return shown;
    default:
        break;
    }
    if (formatId < 164)
        return shown;
    bool month = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode[i];
        if (c == u'"') { // quoted text
            const qsizetype close = formatCode.indexOf(u'"', i + 1);
            i = close < 0 ? formatCode.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') { // an escaped, spacing or fill character
            ++i;
        } else if (c == u'[') { // a colour, condition or locale; [h], [mm], [ss] are elapsed times
            const qsizetype close = formatCode.indexOf(u']', i + 1);
            const QStringView inside = formatCode.mid(i + 1, close < 0 ? -1 : close - i - 1);
            if (!inside.isEmpty()
                && (inside[0] == u'h' || inside[0] == u'H' || inside[0] == u's' || inside[0] == u'S'
                    || inside[0] == u'm' || inside[0] == u'M')
                && inside.size() <= 2)
                shown.time = true;
            i = close < 0 ? formatCode.size() : close;
        } else if (c == u';') { // the sections after the first describe other values
            break;
        } else {
            const char16_t l = c.toLower().unicode();
            if (l == u'y' || l == u'd' || l == u'e')
                shown.date = true;
            else if (l == u'h' || l == u's')
                shown.time = true;
            else if (l == u'm')
                month = true;
        }
    }
    if (month && !shown.time)
        shown.date = true;
    return shown;
}

QString serialDateText(QStringView serial, bool date1904, DateShown shown)
{
    // the whole days and the fraction of a day, read from the digits (plain
    // decimals as workbooks write them; anything else through toDouble)
    qint64 days = 0;
    double fraction = 0;
    qsizetype p = 0;
    while (p < serial.size() && serial[p] >= u'0' && serial[p] <= u'9' && p < 8)
        days = days * 10 + (serial[p++].unicode() - u'0');
    bool plain = p > 0;
    if (plain && p < serial.size() && serial[p] == u'.') {
        double scale = 0.1;
        for (++p; p < serial.size() && serial[p] >= u'0' && serial[p] <= u'9'; ++p, scale /= 10)
            fraction += (serial[p].unicode() - u'0') * scale;
    }
    if (!plain || p != serial.size()) {
        bool ok = false;
        const double value = serial.toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 || value >= 2958466)
            return serial.toString();
        days = qint64(std::floor(value));
        fraction = value - double(days);
    }
    if (days >= 2958466)
        return serial.toString();
    qint64 seconds = qint64(std::llround(fraction * 86400.0));
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(days);
    else if (days >= 61)
        date = QDate(1899, 12, 30).addDays(days);
    else if (days >= 1)
        date = QDate(1899, 12, 31).addDays(days == 60 ? 59 : days); // 60 is the 1900-02-29 that never was
    const bool showDate = shown.date || !shown.time;
    const bool showTime = shown.time || seconds != 0;
    if (showDate && !date.isValid())
        return serial.toString();
    // written by hand: QDate::toString reads its pattern on every call
    char16_t text[19];
    int n = 0;
    auto put = [&](int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            text[n + i] = char16_t(u'0' + value % 10);
        n += width;
    };
    if (showDate) {
        int year = 0;
        int month = 0;
        int day = 0;
        date.getDate(&year, &month, &day);
        put(year, 4);
        text[n++] = u'-';
        put(month, 2);
        text[n++] = u'-';
        put(day, 2);
        if (showTime)
            text[n++] = u' ';
    }
    if (showTime) {
        put(int(seconds / 3600), 2);
        text[n++] = u':';
        put(int(seconds / 60 % 60), 2);
        text[n++] = u':';
        put(int(seconds % 60), 2);
    }
    return QString(reinterpret_cast<const QChar *>(text), n);
}

} // namespace Bills::NumberText
