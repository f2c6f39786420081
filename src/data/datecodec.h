#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>

// Dates and times are held as one 64-bit number: the Julian day times 86400
// plus the seconds of the day. Date-only values have 0 seconds. The database
// stores them as text, "yyyy-MM-dd" for dates and "yyyy-MM-dd hh:mm:ss" for
// time stamps, so that comparison, grouping and date-to-text work in SQL.
namespace DateCodec {

constexpr std::int64_t Null = INT64_MIN;
// The years a stored date can have: the stored text has four digits.
constexpr int MinYear = 1000;
constexpr int MaxYear = 9999;

// Whether date is valid and its year within MinYear..MaxYear.
bool inRange(const QDate &date);

std::int64_t pack(const QDate &date, int secondsOfDay = 0);
std::int64_t pack(const QDateTime &dateTime);
QDate date(std::int64_t packed);
// The date and time as a wall-clock value (Qt::UTC, so that no
// local time zone moves it); pack() takes its date and time as they are.
QDateTime dateTime(std::int64_t packed);
inline int secondsOfDay(std::int64_t packed)
{
    return int(packed % 86400);
}

// Parses "y-M-d", "y/M/d" or "M/d/y" with an optional " h:m[:s]" (or "T")
// part; the year has four digits, the other fields one or two. Returns false
// when the text is not a valid date of the years MinYear..MaxYear; *out is
// then unchanged.
bool parse(const char *text, int length, std::int64_t *out);
bool parse(const QString &text, std::int64_t *out);

// The program's date-to-text: "yyyy-MM-dd", followed by " hh:mm:ss" when the
// value has a time of day.
QString toText(std::int64_t packed);
// The stored form: "yyyy-MM-dd" or, with withTime, "yyyy-MM-dd hh:mm:ss".
QByteArray toStored(std::int64_t packed, bool withTime);
// The stored form written to buf (room for 19 characters); its length.
int toChars(std::int64_t packed, bool withTime, char *buf);

} // namespace DateCodec
