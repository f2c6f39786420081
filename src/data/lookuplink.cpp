#include "lookuplink.h"

LookupLink::LookupLink(DataSource *edited, const QString &field, DataSource *list, const QString &keyField,
                       QObject *parent)
    : QObject(parent)
    , m_edited(edited)
    , m_field(field)
    , m_list(list)
    , m_keyField(keyField)
{
    Dataset *e = edited->dataset();
    auto follow = [this] {
        sync();
        Q_EMIT valueChanged(value());
    };
    connect(e, &Dataset::currentChanged, this, follow);
    connect(e, &Dataset::reset, this, follow);
    connect(e, &Dataset::fieldChanged, this, [this, follow](int f) {
        if (f == this->edited()->fieldIndex(m_field))
            follow();
    });
    // A list that is opened or re-queried is put onto the value again.
    connect(list->dataset(), &Dataset::reset, this, follow);
    sync();
}

QString LookupLink::value() const
{
    const Dataset *e = edited();
    if (!e->isActive() || e->currentRow() < 0 || e->fieldIndex(m_field) < 0)
        return QString();
    return e->asString(m_field);
}

void LookupLink::sync()
{
    Dataset *l = list();
    const QString v = value();
    if (v.isEmpty() || !l->isActive() || l->isEditing() || l->fieldIndex(m_keyField) < 0)
        return;
    // Already there: nothing to do (and no needless signals).
    if (l->currentRow() >= 0 && l->asString(m_keyField) == v)
        return;
    l->locate(m_keyField, v);
}

void LookupLink::choose(int row)
{
    Dataset *l = list();
    l->moveTo(row);
    const QVariant key = l->value(m_keyField);
    Dataset *e = edited();
    if (!e->isEditing())
        e->edit();
    e->setValue(m_field, key);
}
