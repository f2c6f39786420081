#pragma once

#include "dataset.h"

#include <QObject>

// A bound list selector: it shows the column `field` of the current row of
// the edited dataset and offers the rows of the list dataset, whose column
// `keyField` holds the same values. Whenever the shown value changes
// (another row becomes current, or the column is set) the list dataset moves
// onto the first row whose key equals it; when none matches, or the value is
// empty, the list stays where it was. It works whether or not any control
// showing it is visible.
class LookupLink : public QObject
{
    Q_OBJECT
public:
    LookupLink(DataSource *edited, const QString &field, DataSource *list, const QString &keyField,
               QObject *parent = nullptr);

    Dataset *edited() const { return m_edited->dataset(); }
    Dataset *list() const { return m_list->dataset(); }
    QString field() const { return m_field; }
    QString keyField() const { return m_keyField; }

    // The value the selector shows ("" when there is none).
    QString value() const;
    // Chooses the list row at position row: writes its key into the edited
    // row (putting it into editing when it is browsing), which moves the list
    // there. Throws DbError as the dataset operations do.
    void choose(int row);
    // Moves the list onto the shown value now.
    void sync();

Q_SIGNALS:
    void valueChanged(const QString &value);

private:
    DataSource *m_edited;
    QString m_field;
    DataSource *m_list;
    QString m_keyField;
};
