#include "cellformat.h"

#include "data/dataset.h"
#include "dbgrideh.h"
#include "numberpattern.h"

CellFormat::CellFormat(const GridColumn &column)
{
    if (!column.displayFormat.isEmpty())
        m_pattern = std::make_shared<const NumberPattern>(column.displayFormat);
}

QString CellFormat::text(const Dataset &dataset, int row, int field) const
{
    if (field < 0)
        return QString();
    double number;
    if (m_pattern && dataset.numberAt(row, field, &number))
        return m_pattern->format(number);
    return dataset.textAt(row, field);
}

void CellFormat::appendUtf8(const Dataset &dataset, int row, int field, std::string *out) const
{
    if (field < 0)
        return;
    double number;
    if (m_pattern && dataset.numberAt(row, field, &number)) {
        m_pattern->appendUtf8(number, out);
        return;
    }
    dataset.appendTextUtf8(row, field, out);
}
