#pragma once

class QWidget;

// Gives every field of root that has no accessible name the text of the
// label it stands beside, so that a screen reader announces "费用项目"
// rather than "combo box". A label names the field after it in the same
// row of a grid or form layout, or the next item of a box layout (to its
// right, or under it), and becomes the field's buddy (its "labelled by").
// The label's text is taken without its "&", its closing colon and the
// blanks between Chinese characters. A titled group without labels names
// its only field; an editable list's line edit takes the list's name; the
// parts of Qt's calendars are named. Fields named already keep their
// names; buttons are named by their texts. Called once a window's or a
// page's widgets are all made (every program's widget is in a layout).
// Never fails.
void nameFieldsByTheirLabels(QWidget *root);

// Whether w is a field a screen reader should have a name for: a line edit,
// spin box, date field, combo box, text box or list that is not the inner
// part of another such field.
bool isNamedField(const QWidget *w);
