#pragma once

#include <QList>
#include <QString>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QToolButton;
class QWidget;

// Small pieces the program's forms share.
namespace FormWidgets {

// A "···" button beside a field, with hint as its tooltip and accessible
// name; Tab reaches it and Space presses it.
QToolButton *dotsButton(const QString &hint, QWidget *parent);
// A date picker showing "yyyy-MM-dd" with a calendar to drop down.
QDateEdit *datePicker(QWidget *parent);
// A titled group holding widgets side by side (labels at their size, the
// others sharing the room); the widgets become the group's children.
QGroupBox *group(const QString &title, const QList<QWidget *> &widgets, QWidget *parent);
// text without the blanks and control characters at either end.
QString trimmed(const QString &text);
// Whether text is empty once trimmed(): such a required name is no name.
bool isBlank(const QString &text);
// Fills box with "选择全部" (selected) and the details of the item named
// item, read through the scratch query; only "选择全部" for "选择全部" or an
// item that has none.
void fillDetailList(QComboBox *box, const QString &item);

} // namespace FormWidgets
