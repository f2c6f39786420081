#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Dataset;
class QComboBox;
class QDate;
class QDateEdit;
class QLineEdit;
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
// Names the fields of a titled row that have no name of their own, for a
// screen reader: by the title where the row holds one field; else the first
// field by the title and each field after a label by the title and that
// label ("起止日期 至").
void nameByGroup(const QString &title, const QList<QWidget *> &widgets);
// text without the blanks and control characters at either end.
QString trimmed(const QString &text);
// Whether text is empty once trimmed(): such a required name is no name.
bool isBlank(const QString &text);
// The value of field in every row of rows, walked from its first row (so it
// ends on its last). Throws DbError (rows closed, no such field).
QStringList values(Dataset *rows, const QString &field);
// Fills box anew: first (selected; none when empty), then names.
void fillList(QComboBox *box, const QString &first, const QStringList &names);
// Fills box anew: first, then values(rows, field); first only for no rows.
void fillList(QComboBox *box, const QString &first, Dataset *rows, const QString &field);
// The same for the rows of sql, read into a dataset of the list's own on the
// program's connection (the shared datasets stay where they stand).
void fillList(QComboBox *box, const QString &first, const QString &sql, const QString &field);

// Fills box with "选择全部" (selected) and the details of the item named
// item, read into a dataset of the list's own; only "选择全部" for "选择全部"
// or an item that has none.
void fillDetailList(QComboBox *box, const QString &item);

// A date as a household types it: 1985-3-8, 1985/3/8, 1985.3.8,
// 1985年3月8日, 19850308 (full-width digits too); an invalid date for
// anything else.
QDate typedDate(const QString &text);
// text as "yyyy-MM-dd" when it is a date typedDate() reads, else text.
QString canonicalDate(const QString &text);

// Lets box hold at most max characters (the length its column allows):
// what is typed stops there, and a pasted text that is longer is cut with a
// notice saying so.
void limitLength(QLineEdit *box, int max);

} // namespace FormWidgets
