#pragma once

class DBGridEh;

// "显示/隐藏列": a dialog ("DBGridEhColumnsDialog") that lists the columns of
// a grid in display order with a tick for each; at least one stays ticked.
namespace ColumnChooser {

// Shows the dialog over grid; "确定" shows and hides the columns as ticked.
void choose(DBGridEh *grid);

} // namespace ColumnChooser
