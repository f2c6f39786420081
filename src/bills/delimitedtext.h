#pragma once

#include "billfile.h"

// Comma- and tab-separated text: cells in double quotes may hold separators,
// line breaks and doubled quotes; lines end in CRLF, LF or CR.
namespace Bills::DelimitedText {

// The separator of text: a TAB when splitting its first records at TABs
// gives more cells per record (counting the width most records share) than
// splitting them at commas (or as many cells in more records), else a
// comma. Text with TABs inside comma-separated cells (as some banks pad
// their cells) stays a CSV.
QChar separatorOf(QStringView text);

// Reads text into sheet (rows of trimmed cells; rows without text left out;
// each row's line is where its record begins). A quote opens a quoted cell
// only as the cell's first character; after the closing quote any further
// characters up to the separator belong to the cell. Returns false and sets
// *error (Chinese, naming the line) when a quoted cell is never closed or
// when the text goes beyond limits (rows, cells of a row, characters of a
// cell); sheet is then incomplete.
bool parse(QStringView text, QChar separator, const Limits &limits, Sheet *sheet, QString *error);

} // namespace Bills::DelimitedText
