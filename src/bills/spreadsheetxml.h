#pragma once

#include "billfile.h"

// Excel 2003 XML spreadsheets (SpreadsheetML), which some banks save under
// the name .xls.
namespace Bills::SpreadsheetXml {

// Whether text (decoded) is an XML spreadsheet: an XML document naming the
// namespace urn:schemas-microsoft-com:office:spreadsheet near its start.
bool looks(QStringView text);

// Reads every worksheet of text into *sheets, in order: cells placed by
// their ss:Index and ss:MergeAcross, rows by their ss:Index, numbers as
// plain decimals, date-times as "yyyy-MM-dd HH:mm:ss". Returns false and
// sets *error (Chinese) on XML that is not well-formed, on a document type
// declaration (never needed, and a way to make an entity bomb) and beyond
// limits.
bool parse(const QString &text, const Limits &limits, QList<Sheet> *sheets, QString *error);

} // namespace Bills::SpreadsheetXml
