#include "skindata.h"

#include "skinstore.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>

// Every look is drawn on top of Fusion: it renders the same on every platform
// and honours style sheets and palettes completely.
static const char baseStyleName[] = "Fusion";

SkinData::SkinData(QObject *parent)
    : QObject(parent)
{}

void SkinData::loadFromCollection(SkinStore *store, int index)
{
    if (!store || store->count() == 0)
        return;
    if (index < 0 || index >= store->count())
        index = 0;
    m_index = index;
    m_name = store->name(index);
    m_styleSheet = store->styleSheet(index);
    m_palette = store->palette(index);
    if (m_active)
        apply();
}

void SkinData::setActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (m_active)
        apply();
    else
        restore();
}

void SkinData::apply()
{
    if (m_index < 0)
        return;
    if (!m_applied) {
        // Remembered so that switching the engine off gives the program back
        // the appearance it started with.
        m_originalStyle = QApplication::style()->name();
        if (QStyle *style = QStyleFactory::create(QLatin1String(baseStyleName)))
            QApplication::setStyle(style);
        qApp->installEventFilter(this);
        m_applied = true;
    }
    // The palette goes first: the style sheet is then resolved against it, and
    // widgets that take their colours from the palette (labels, edits) follow
    // the look without the sheet having to name a text colour for them.
    QApplication::setPalette(m_palette);
    qApp->setStyleSheet(m_styleSheet);
    emit applied();
}

void SkinData::restore()
{
    if (!m_applied)
        return;
    if (!m_originalStyle.isEmpty() && m_originalStyle.compare(QLatin1String(baseStyleName), Qt::CaseInsensitive) != 0) {
        if (QStyle *style = QStyleFactory::create(m_originalStyle))
            QApplication::setStyle(style);
    }
    // A palette that sets no role resolves entirely against the style's
    // standard palette, which is what the application had before. It goes
    // before the style sheet is dropped: unpolishing a widget hands it back
    // an inheriting palette, so it picks up the default one at once instead
    // of waiting for the posted palette-change events.
    QApplication::setPalette(QPalette());
    qApp->setStyleSheet(QString());
    qApp->removeEventFilter(this);
    m_applied = false;
    emit applied();
}

bool SkinData::eventFilter(QObject *watched, QEvent *event)
{
    // The base style draws the entries of a list that drops down like a menu
    // with a delegate that ignores the sheet's colours for entries; an item
    // delegate takes them. Given as the list drops down (its frame is shown):
    // asking a box for its delegate makes its list, and most lists never drop
    // down.
    if (event->type() == QEvent::Show && watched->inherits("QComboBoxPrivateContainer")) {
        if (auto *combo = qobject_cast<QComboBox *>(watched->parent());
            combo && !qobject_cast<QStyledItemDelegate *>(combo->itemDelegate()))
            combo->setItemDelegate(new QStyledItemDelegate(combo));
    }
    return QObject::eventFilter(watched, event);
}
