#pragma once

#include <QString>

class DBGridEh;

// Where a grid's column layout (order, widths, hidden columns) is kept
// between runs: QSettings, under the class of the grid's window and the
// grid's name.
namespace GridLayouts {

// "TFrmMian/DBGridEh1": grids of one name in different windows keep their
// own layouts; the name alone for a grid that is a window; "" without a name.
QString layoutKey(const DBGridEh &grid);
// A column is known by its field; a second column of the same field, or one
// without a field, by its position ("#3").
QString columnKey(const DBGridEh &grid, int column);
// Stores the layout of grid; nothing for a grid without a name.
void save(const DBGridEh &grid);
// Applies what save() stored; columns it does not know keep their place
// after the known ones; nothing stored, nothing done.
void restore(DBGridEh &grid);

} // namespace GridLayouts
