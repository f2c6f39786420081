#pragma once

#include "billfile.h"

namespace Bills {
class ZipArchive;
}

// Excel workbooks (.xlsx): a zip archive of XML members, read through libzip
// and QXmlStreamReader.
namespace Bills::Xlsx {

// Whether the open archive zip is a workbook (holds [Content_Types].xml or
// xl/workbook.xml) rather than an archive around a bill file.
bool isWorkbook(const ZipArchive &zip);

// Reads every worksheet of the workbook zip into *sheets, in the workbook's
// order: shared and inline strings, numbers as plain decimals rounded as
// Excel shows them, numbers in a date or time format as "yyyy-MM-dd",
// "HH:mm:ss" or "yyyy-MM-dd HH:mm:ss" (1900 and 1904 date systems), cells
// placed by their references. *budget is the number of uncompressed bytes
// the members may still take; each member read is taken from it. Returns false
// and sets *error (Chinese) for a member missing or damaged, XML that is not
// well-formed or declares a document type, a string reference out of range,
// and anything beyond limits or the budget.
bool read(const ZipArchive &zip, const Limits &limits, qint64 *budget, QList<Sheet> *sheets, QString *error);

} // namespace Bills::Xlsx
