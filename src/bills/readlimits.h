#pragma once

#include "billfile.h"

// What the readers share to keep within their Limits.
namespace Bills {

// A size for messages: whole megabytes, or kilobytes below one megabyte.
inline QString sizeText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 20))
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    return QStringLiteral("%1 KB").arg((bytes + 1023) >> 10);
}

// Appends row, found on line, to sheet; *cells counts the cells of the
// sheet so far. Returns the Chinese reason, and appends nothing, when the
// row would take the sheet beyond the rows or cells limits allow; an empty
// string otherwise.
inline QString appendRow(Sheet *sheet, const QStringList &row, int line, const Limits &limits, qint64 *cells)
{
    if (sheet->rows.size() >= limits.maxRows)
        return QStringLiteral("行数超过 %1 行的上限").arg(limits.maxRows);
    if (*cells + row.size() > limits.maxCells)
        return QStringLiteral("单元格总数超过 %1 个的上限").arg(limits.maxCells);
    *cells += row.size();
    sheet->rows.append(row);
    sheet->lines.append(line);
    return QString();
}

} // namespace Bills
