#pragma once

#include "billfile.h"

// HTML tables, as many banks save their statements under the name .xls.
namespace Bills::HtmlTable {

// Whether text (decoded) is an HTML page holding a table: it begins, after
// blanks, with a tag or a comment, and has a <table> or <tr> tag.
bool looks(QStringView text);

// Reads the rows (<tr>) of every table of text, in order, into sheet: one
// cell per <td> or <th>, a cell spanning several columns followed by empty
// cells for the others, tags inside a cell dropped, <br> and runs of blanks
// as one blank, character references decoded. Scripts, styles and comments
// are skipped. The tolerant reading never fails on bad markup; returns false
// and sets *error only when the text goes beyond limits.
bool parse(QStringView text, const Limits &limits, Sheet *sheet, QString *error);

} // namespace Bills::HtmlTable
