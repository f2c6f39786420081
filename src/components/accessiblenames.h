#pragma once

class QWidget;

// Gives every field of root that has no accessible name the text of the
// label it stands beside, so that a screen reader announces "费用项目"
// rather than "combo box". A label names the field after it in the same
// row of a grid layout, the next item of a box layout (to its right, or
// under it), or, for widgets placed by hand, the nearest field to its right
// on the same line. The label's text is taken without its "&" and its
// closing colon. Fields named already keep their names; buttons are named
// by their texts. Called once a window's or a page's widgets are all made.
// Never fails.
void nameFieldsByTheirLabels(QWidget *root);

// Whether w is a field a screen reader should have a name for: a line edit,
// spin box, date field, combo box, text box or list that is not the inner
// part of another such field.
bool isNamedField(const QWidget *w);
