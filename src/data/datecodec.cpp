#include "datecodec.h"

namespace DateCodec {
namespace {

// Julian day number of a proleptic Gregorian date (Fliegel and Van Flandern).
std::int64_t julianDay(int y, int m, int d)
{
    const std::int64_t a = (14 - m) / 12;
    const std::int64_t yy = y + 4800 - a;
    const std::int64_t mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

bool validDate(int y, int m, int d)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < MinYear || y > MaxYear || m < 1 || m > 12 || d < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

// Reads up to maxDigits digits at *p; returns the count read.
int readNumber(const char *&p, const char *end, int maxDigits, int *value)
{
    int n = 0;
    int v = 0;
    while (p < end && n < maxDigits && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        ++p;
        ++n;
    }
    *value = v;
    return n;
}

void put2(char *p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
}

} // namespace

bool inRange(const QDate &date)
{
    return date.isValid() && date.year() >= MinYear && date.year() <= MaxYear;
}

std::int64_t pack(const QDate &date, int secondsOfDay)
{
    if (!date.isValid())
        return Null;
    return date.toJulianDay() * 86400 + secondsOfDay;
}

std::int64_t pack(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return Null;
    return pack(dateTime.date(), dateTime.time().msecsSinceStartOfDay() / 1000);
}

QDate date(std::int64_t packed)
{
    return packed == Null ? QDate() : QDate::fromJulianDay(packed / 86400);
}

QDateTime dateTime(std::int64_t packed)
{
    if (packed == Null)
        return QDateTime();
    // a wall-clock value of no time zone: a stored time that the local zone
    // skips (when its clocks go forward) stays as it was stored
    return QDateTime(date(packed), QTime::fromMSecsSinceStartOfDay(secondsOfDay(packed) * 1000), Qt::UTC);
}

bool parse(const char *text, int length, std::int64_t *out)
{
    const char *p = text;
    const char *end = text + length;
    while (p < end && *p == ' ')
        ++p;
    while (end > p && end[-1] == ' ')
        --end;
    int a = 0, b = 0, c = 0;
    const int na = readNumber(p, end, 4, &a);
    if (na == 0 || p >= end || (*p != '-' && *p != '/'))
        return false;
    const char sep = *p++;
    if (readNumber(p, end, 2, &b) == 0 || p >= end || *p != sep)
        return false;
    ++p;
    const int nc = readNumber(p, end, 4, &c);
    if (nc == 0)
        return false;
    int y, m, d;
    if (na == 4) { // y-M-d
        y = a, m = b, d = c;
        if (nc > 2)
            return false;
    } else { // M/d/y, the form of date literals written without a year first
        if (na > 2 || nc != 4 || sep != '/')
            return false;
        m = a, d = b, y = c;
    }
    if (!validDate(y, m, d))
        return false;
    int h = 0, mi = 0, s = 0;
    if (p < end) {
        if (*p != ' ' && *p != 'T')
            return false;
        while (p < end && (*p == ' ' || *p == 'T'))
            ++p;
        if (readNumber(p, end, 2, &h) == 0 || p >= end || *p != ':')
            return false;
        ++p;
        if (readNumber(p, end, 2, &mi) == 0)
            return false;
        if (p < end && *p == ':') {
            ++p;
            if (readNumber(p, end, 2, &s) == 0)
                return false;
            if (p < end && *p == '.') { // fractions of a second are dropped
                ++p;
                while (p < end && *p >= '0' && *p <= '9')
                    ++p;
            }
        }
        if (p != end || h > 23 || mi > 59 || s > 59)
            return false;
    }
    *out = julianDay(y, m, d) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

bool parse(const QString &text, std::int64_t *out)
{
    const QByteArray latin = text.toLatin1();
    return parse(latin.constData(), int(latin.size()), out);
}

QByteArray toStored(std::int64_t packed, bool withTime)
{
    char buf[20];
    return QByteArray(buf, toChars(packed, withTime, buf));
}

int toChars(std::int64_t packed, bool withTime, char *buf)
{
    const QDate d = date(packed);
    const int y = d.year();
    buf[0] = char('0' + y / 1000 % 10);
    buf[1] = char('0' + y / 100 % 10);
    buf[2] = char('0' + y / 10 % 10);
    buf[3] = char('0' + y % 10);
    buf[4] = '-';
    put2(buf + 5, d.month());
    buf[7] = '-';
    put2(buf + 8, d.day());
    if (!withTime)
        return 10;
    const int secs = secondsOfDay(packed);
    buf[10] = ' ';
    put2(buf + 11, secs / 3600);
    buf[13] = ':';
    put2(buf + 14, secs / 60 % 60);
    buf[16] = ':';
    put2(buf + 17, secs % 60);
    return 19;
}

QString toText(std::int64_t packed)
{
    if (packed == Null)
        return QString();
    return QString::fromLatin1(toStored(packed, secondsOfDay(packed) != 0));
}

} // namespace DateCodec
