#include "components/accessiblenames.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace {

bool isField(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
           || qobject_cast<const QComboBox *>(w) || qobject_cast<const QTextEdit *>(w)
           || qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractItemView *>(w);
}

QString labelText(const QLabel *label)
{
    QString text = Qt::mightBeRichText(label->text()) ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                                                      : label->text();
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    // "用  户  名" is spaced for the eye; a screen reader says "用户名"
    static const QRegularExpression spacing(QStringLiteral("(?<=\\p{Han})\\s+(?=\\p{Han})"));
    text.remove(spacing);
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xff1a)))
        text.chop(1);
    return text.trimmed();
}

void name(QWidget *field, const QString &text)
{
    field->setAccessibleName(text);
    // an editable list's own line edit is announced apart, as a text
    if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(text);
}

void give(QWidget *field, QLabel *label)
{
    if (!field || !field->accessibleName().isEmpty())
        return;
    const QString text = labelText(label);
    if (text.isEmpty())
        return;
    name(field, text);
    // The label also becomes the field's "labelled by": on Linux a combo
    // box is announced by its entry and its label, not by its name.
    if (!label->buddy())
        label->setBuddy(field);
}

// The first field an item of a layout holds (the item itself or, for a
// nested layout, the first field in it).
QWidget *firstField(QLayoutItem *item)
{
    if (!item)
        return nullptr;
    if (QWidget *w = item->widget())
        return isNamedField(w) ? w : nullptr;
    if (QLayout *inner = item->layout()) {
        for (int i = 0; i < inner->count(); ++i) {
            if (QWidget *w = firstField(inner->itemAt(i)))
                return w;
        }
    }
    return nullptr;
}

QLabel *labelOf(QLayoutItem *item)
{
    QLabel *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
    return label && !label->text().trimmed().isEmpty() ? label : nullptr;
}

void nameInLayout(QLayout *layout)
{
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            for (int c = 0; c + 1 < grid->columnCount(); ++c) {
                if (QLabel *label = labelOf(grid->itemAtPosition(r, c)))
                    give(firstField(grid->itemAtPosition(r, c + 1)), label);
            }
        }
    } else if (auto *form = qobject_cast<QFormLayout *>(layout)) {
        for (int r = 0; r < form->rowCount(); ++r) {
            if (QLabel *label = labelOf(form->itemAt(r, QFormLayout::LabelRole)))
                give(firstField(form->itemAt(r, QFormLayout::FieldRole)), label);
        }
    } else if (layout) {
        for (int i = 0; i + 1 < layout->count(); ++i) {
            if (QLabel *label = labelOf(layout->itemAt(i)))
                give(firstField(layout->itemAt(i + 1)), label);
        }
    }
}

// A titled group with one field and no label names it.
void nameByGroup(QWidget *field)
{
    const QWidget *p = field->parentWidget();
    while (p && !p->isWindow() && !qobject_cast<const QGroupBox *>(p))
        p = p->parentWidget();
    auto *box = qobject_cast<const QGroupBox *>(p);
    if (!box || box->title().trimmed().isEmpty())
        return;
    const QList<QWidget *> inside = box->findChildren<QWidget *>();
    const auto fields = std::count_if(inside.begin(), inside.end(), [](QWidget *w) { return isNamedField(w); });
    const bool labelled = std::any_of(inside.begin(), inside.end(), [](QWidget *w) {
        auto *label = qobject_cast<QLabel *>(w);
        return label && !label->text().trimmed().isEmpty();
    });
    if (fields == 1 && !labelled)
        name(field, box->title().remove(QLatin1Char('&')).trimmed());
}

// Qt's calendar is made of parts of its own, unnamed.
void nameCalendar(QCalendarWidget *calendar)
{
    const QList<QPair<const char *, QString>> parts = {
        {"qt_calendar_prevmonth", QStringLiteral("上个月")},
        {"qt_calendar_nextmonth", QStringLiteral("下个月")},
        {"qt_calendar_yearedit", QStringLiteral("年份")},
        {"qt_calendar_calendarview", QStringLiteral("日期")},
    };
    for (const auto &[name, text] : parts) {
        if (auto *part = calendar->findChild<QWidget *>(QLatin1String(name)); part && part->accessibleName().isEmpty())
            part->setAccessibleName(text);
    }
}

} // namespace

bool isNamedField(const QWidget *w)
{
    if (!isField(w))
        return false;
    for (const QWidget *p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p)
            || qobject_cast<const QAbstractItemView *>(p))
            return false;
    }
    return true;
}

void nameFieldsByTheirLabels(QWidget *root)
{
    if (!root)
        return;
    QList<QLayout *> layouts = root->findChildren<QLayout *>();
    if (root->layout() && !layouts.contains(root->layout()))
        layouts.prepend(root->layout());
    for (QLayout *layout : layouts)
        nameInLayout(layout);
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (auto *calendar = qobject_cast<QCalendarWidget *>(w))
            nameCalendar(calendar);
        if (isNamedField(w) && w->accessibleName().isEmpty())
            nameByGroup(w);
    }
    // lists named by their makers
    for (QComboBox *combo : root->findChildren<QComboBox *>()) {
        if (combo->lineEdit() && combo->lineEdit()->accessibleName().isEmpty())
            combo->lineEdit()->setAccessibleName(combo->accessibleName());
    }
}
