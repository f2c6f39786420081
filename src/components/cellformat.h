#pragma once

#include <QString>

#include <memory>
#include <string>

class Dataset;
class NumberPattern;
struct GridColumn;

// How the cells of one grid column are written, for the screen and for
// every export alike: the column's number pattern read once; a number cell
// through it, any other cell (and a Null number) as the dataset's own text.
// Cheap to copy.
class CellFormat
{
public:
    explicit CellFormat(const GridColumn &column);

    // The text of the cell at row of field in dataset ("" for Null or a
    // field of -1). Never fails.
    QString text(const Dataset &dataset, int row, int field) const;
    // The same text appended to out in UTF-8.
    void appendUtf8(const Dataset &dataset, int row, int field, std::string *out) const;

private:
    std::shared_ptr<const NumberPattern> m_pattern; // none: the dataset's text
};
