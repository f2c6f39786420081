#include "dbcontrols.h"

#include "data/dataset.h"
#include "data/lookuplink.h"
#include "data/schema.h"
#include "formwidgets.h"
#include "platform/platform.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

// --- FieldLink ---------------------------------------------------------------------

FieldLink::FieldLink(QWidget *control, DataSource *source, const QString &field)
    : QObject(control)
    , m_source(source)
    , m_field(field)
{
    Dataset *d = source->dataset();
    connect(d, &Dataset::currentChanged, this, &FieldLink::refresh);
    connect(d, &Dataset::reset, this, &FieldLink::refresh);
    connect(d, &Dataset::fieldChanged, this, [this](int f) {
        if (f == dataset()->fieldIndex(m_field))
            Q_EMIT refresh();
    });
}

void FieldLink::setFlush(std::function<void()> flush)
{
    dataset()->addEditor(this, std::move(flush));
}

Dataset *FieldLink::dataset() const
{
    return m_source->dataset();
}

QString FieldLink::text() const
{
    const Dataset *d = dataset();
    if (!d->isActive() || d->currentRow() < 0 || d->fieldIndex(m_field) < 0)
        return QString();
    return d->asString(m_field);
}

bool FieldLink::canWrite() const
{
    return dataset()->isActive() && !dataset()->isReadOnly();
}

void FieldLink::autoEdit()
{
    if (!dataset()->isEditing())
        dataset()->edit();
}

void FieldLink::write(const QString &text)
{
    if (text == this->text() && dataset()->isEditing())
        return;
    dataset()->setValue(m_field, text);
}

// --- DBEdit ----------------------------------------------------------------------------

DBEdit::DBEdit(DataSource *source, const QString &field, QWidget *parent)
    : QLineEdit(parent)
    , m_link(new FieldLink(this, source, field))
{
    connect(m_link, &FieldLink::refresh, this, [this] { show(m_link->text()); });
    m_link->setFlush([this] { flush(); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_updating)
            m_modified = true;
    });
    connect(this, &QLineEdit::textEdited, this, guarded([this] {
                if (!isReadOnly() && m_link->canWrite())
                    m_link->autoEdit();
            }));
    show(m_link->text());
}

void DBEdit::show(const QString &text)
{
    // the length its column allows, once the table written to is known
    if (!m_limited && !m_link->dataset()->writeTable().isEmpty()) {
        m_limited = true;
        FormWidgets::limitLength(this, Schema::maxLength(m_link->dataset()->writeTable(), m_link->field()));
    }
    // While the user is changing the box, a refresh caused by writing that
    // very value back must not undo the typing.
    if (m_modified && hasFocus() && m_link->dataset()->isEditing())
        return;
    m_updating = true;
    m_modified = false;
    if (text != this->text())
        setText(text);
    m_updating = false;
}

void DBEdit::flush()
{
    if (!m_modified)
        return;
    if (!m_link->dataset()->isEditing()) {
        m_modified = false;
        return;
    }
    m_link->write(m_normalize ? m_normalize(text()) : text());
    m_modified = false;
}

void DBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    guard([this] { flush(); });
}

void DBEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

void DBEdit::setLocked(bool locked)
{
    setReadOnly(locked);
    // a locked box is shown, not visited: Tab passes it by
    setFocusPolicy(locked ? Qt::ClickFocus : Qt::StrongFocus);
    updateStyle();
}

void DBEdit::setTextColor(const QColor &color)
{
    m_textColor = color;
    updateStyle();
}

void DBEdit::setBackground(const QColor &color)
{
    m_background = color;
    updateStyle();
}

void DBEdit::updateStyle()
{
    QString sheet;
    if (m_textColor.isValid())
        sheet += QStringLiteral("color: %1;").arg(m_textColor.name());
    if (m_background.isValid())
        sheet += QStringLiteral("background-color: %1;").arg(m_background.name());
    else if (isReadOnly())
        sheet += QStringLiteral("background-color: palette(window);");
    setStyleSheet(sheet.isEmpty() ? QString() : QStringLiteral("QLineEdit { %1 }").arg(sheet));
}

// --- DBMemo ----------------------------------------------------------------------------

DBMemo::DBMemo(DataSource *source, const QString &field, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_link(new FieldLink(this, source, field))
{
    // Tab leaves the box like every other field; Ctrl+Tab types a tab.
    setTabChangesFocus(true);
    auto show = [this] {
        if (m_modified && hasFocus() && m_link->dataset()->isEditing())
            return;
        m_updating = true;
        m_modified = false;
        const QString text = m_link->text();
        if (text != toPlainText())
            setPlainText(text);
        m_updating = false;
    };
    connect(m_link, &FieldLink::refresh, this, show);
    m_link->setFlush([this] { flush(); });
    connect(this, &QPlainTextEdit::textChanged, this, guarded([this] {
                if (m_updating)
                    return;
                m_modified = true;
                if (!isReadOnly() && m_link->canWrite() && hasFocus())
                    m_link->autoEdit();
            }));
    show();
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
        insertPlainText(QStringLiteral("\t"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::flush()
{
    if (!m_modified)
        return;
    m_modified = false;
    if (m_link->dataset()->isEditing())
        m_link->write(toPlainText());
}

void DBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    guard([this] { flush(); });
}

// --- DBComboBox ------------------------------------------------------------------------

DBComboBox::DBComboBox(DataSource *source, const QString &field, const QStringList &items, QWidget *parent)
    : QComboBox(parent)
    , m_link(new FieldLink(this, source, field))
{
    addItems(items);
    connect(m_link, &FieldLink::refresh, this, &DBComboBox::showValue);
    connect(this, &QComboBox::activated, this, guarded([this] {
                m_link->autoEdit();
                m_link->write(currentText());
                Q_EMIT changed();
            }));
    showValue();
}

void DBComboBox::showValue()
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(findText(m_link->text()));
}

// --- DBLookupComboBox ------------------------------------------------------------------

DBLookupComboBox::DBLookupComboBox(LookupLink *link, QWidget *parent)
    : QComboBox(parent)
    , m_lookup(link)
{
    Dataset *list = link->list();
    connect(list, &Dataset::reset, this, &DBLookupComboBox::rebuild);
    connect(list, &Dataset::rowInserted, this, &DBLookupComboBox::rebuild);
    connect(list, &Dataset::rowRemoved, this, &DBLookupComboBox::rebuild);
    connect(list, &Dataset::rowChanged, this, &DBLookupComboBox::rebuild);
    connect(list, &Dataset::reordered, this, &DBLookupComboBox::rebuild);
    connect(link, &LookupLink::valueChanged, this, &DBLookupComboBox::showValue);
    connect(this, &QComboBox::activated, this, [this](int index) {
        guard([this, index] {
            m_lookup->choose(index);
            Q_EMIT clicked();
        });
    });
    rebuild();
}

void DBLookupComboBox::rebuild()
{
    const QSignalBlocker blocker(this);
    clear();
    Dataset *list = m_lookup->list();
    if (list->isActive()) {
        const int key = list->fieldIndex(m_lookup->keyField());
        const int count = list->storedCount();
        for (int row = 0; row < count && key >= 0; ++row)
            addItem(list->textAt(row, key));
    }
    showValue();
}

void DBLookupComboBox::showValue()
{
    const QSignalBlocker blocker(this);
    const QString value = m_lookup->value();
    const int index = value.isEmpty() ? -1 : findText(value, Qt::MatchExactly);
    setCurrentIndex(index);
    setPlaceholderText(index < 0 ? value : QString());
}

// --- NumberCharsValidator ----------------------------------------------------------------

NumberCharsValidator::NumberCharsValidator(QObject *parent, bool exponent)
    : QValidator(parent)
    , m_exponent(exponent)
{}

QValidator::State NumberCharsValidator::validate(QString &input, int &) const
{
    for (const QChar c : std::as_const(input)) {
        const bool ok = c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.')
                        || (m_exponent && (c == QLatin1Char('+') || c == QLatin1Char('e') || c == QLatin1Char('E')));
        if (!ok || c.unicode() > 127)
            return Invalid;
    }
    return Acceptable;
}

// --- DBText -------------------------------------------------------------------------

DBText::DBText(DataSource *source, const QString &field, QWidget *parent)
    : QLabel(parent)
    , m_link(new FieldLink(this, source, field))
{
    connect(m_link, &FieldLink::refresh, this, [this] { setText(m_link->text()); });
    setText(m_link->text());
}
