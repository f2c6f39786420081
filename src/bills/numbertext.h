#pragma once

#include <QString>
#include <QStringView>

// The text of numbers and dates stored in workbooks: numbers as the
// shortest decimal Excel shows for them, dates from their serial numbers.
namespace Bills::NumberText {

// value, a number as a workbook stores it ("548.58000000000004",
// "7.0000000000000007E-2", "-12"), as plain decimal text rounded to 15
// significant digits as Excel shows it, without an exponent or trailing
// zeros ("548.58", "0.07", "-12"). Works on the decimal digits only, never
// through a binary floating-point value. Returns value unchanged when it is
// not a number or when its plain form would be longer than 40 characters.
QString plainNumber(QStringView value);

// What a number format shows of a date: its day, its time of day, or both.
struct DateShown
{
    bool date = false;
    bool time = false;
    bool any() const { return date || time; }
};

// What of a date a cell format shows: by the built-in format id (14–22,
// 27–36, 45–47, 50–58) or, for the ids a workbook defines itself, by the
// letters of formatCode outside quoted text, escapes and [colour] sections
// (y, d, m for dates; h, s for times; m alone is a month).
DateShown dateShownBy(int formatId, QStringView formatCode);

// The text of serial, a workbook's serial day number (days since the
// 1900-01-00 of the 1900 date system with its leap day 1900-02-29, or since
// 1904-01-01), as "yyyy-MM-dd", "HH:mm:ss" or "yyyy-MM-dd HH:mm:ss" by
// shown (a date with a time of day keeps it even when only the date is
// shown). Returns serial unchanged when it is not a number or lies outside
// the years 1900 to 9999.
QString serialDateText(QStringView serial, bool date1904, DateShown shown);

} // namespace Bills::NumberText
