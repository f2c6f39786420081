#pragma once

#include <functional>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

class DataSource;
class Dataset;
class LookupLink;

// Follows one column of the current row of a data source for a control: it
// tells the control when to show the value again, and writes the control's
// text into the row (putting a browsing row into editing on the first
// keystroke). Owned by the control.
class FieldLink : public QObject
{
    Q_OBJECT
public:
    FieldLink(QWidget *control, DataSource *source, const QString &field);

    Dataset *dataset() const;
    QString field() const { return m_field; }
    // The column's text in the current row ("" when there is none).
    QString text() const;
    bool canWrite() const;
    // Starts editing a browsing row. Throws DbError.
    void autoEdit();
    // Writes text into the row when it differs from what the row holds.
    // Throws DbError (a conversion error, or not editing).
    void write(const QString &text);
    // flush writes what the control holds; the dataset calls it before
    // every post (a direct call: what it throws reaches the caller).
    void setFlush(std::function<void()> flush);

Q_SIGNALS:
    // The row's value may have changed: show it again.
    void refresh();

private:
    DataSource *m_source;
    QString m_field;
};

// An edit box bound to a column. What the user (or a handler) puts into it
// reaches the row when the box is left and before the row is saved; a value
// the column cannot take is refused there with a conversion error.
class DBEdit : public QLineEdit
{
    Q_OBJECT
public:
    DBEdit(DataSource *source, const QString &field, QWidget *parent = nullptr);

    FieldLink *link() const { return m_link; }
    // Locked: read-only with the background of the form behind it;
    // otherwise editable with the window background.
    void setLocked(bool locked);
    bool isLocked() const { return isReadOnly(); }
    void setTextColor(const QColor &color);
    // A background of its own (invalid: the normal one).
    void setBackground(const QColor &color);
    QColor background() const { return m_background; }
    // Writes the box's text into the row now when it was changed. Throws DbError.
    void flush();
    // What is written instead of the typed text (a date in its canonical
    // form, say); the typed text when not set.
    void setNormalizer(std::function<QString(const QString &)> normalize) { m_normalize = std::move(normalize); }

Q_SIGNALS:
    // The box was clicked (after the click has placed the cursor).
    void clicked();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void show(const QString &text);
    void updateStyle();

    FieldLink *m_link;
    std::function<QString(const QString &)> m_normalize;
    bool m_updating = false;
    bool m_modified = false;
    bool m_limited = false;
    QColor m_textColor;
    QColor m_background;
};

// A multi-line text bound to a column; written like DBEdit.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    DBMemo(DataSource *source, const QString &field, QWidget *parent = nullptr);
    FieldLink *link() const { return m_link; }
    void flush();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    FieldLink *m_link;
    std::function<QString(const QString &)> m_normalize;
    bool m_updating = false;
    bool m_modified = false;
    bool m_limited = false;
};

// A read-only text bound to a column of the current row.
class DBText : public QLabel
{
    Q_OBJECT
public:
    DBText(DataSource *source, const QString &field, QWidget *parent = nullptr);

private:
    FieldLink *m_link;
};

// A fixed drop-down list bound to a text column: nothing can be typed; a
// choice is written into the row at once and announced by changed().
class DBComboBox : public QComboBox
{
    Q_OBJECT
public:
    DBComboBox(DataSource *source, const QString &field, const QStringList &items, QWidget *parent = nullptr);
    FieldLink *link() const { return m_link; }

Q_SIGNALS:
    void changed();

private:
    void showValue();
    FieldLink *m_link;
};

// A bound list selector on screen: it shows the column of the edited row and
// offers the rows of the list dataset; a choice writes the key through the
// LookupLink and is announced by clicked(). A value that is not in the list
// is shown greyed.
class DBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    DBLookupComboBox(LookupLink *link, QWidget *parent = nullptr);
    LookupLink *lookup() const { return m_lookup; }

Q_SIGNALS:
    void clicked();

private:
    void rebuild();
    void showValue();
    LookupLink *m_lookup;
};

// Lets through only what can belong to a number: digits, signs, a decimal
// point and an exponent letter. Typing and pasting are held to it alike.
class NumberCharsValidator : public QValidator
{
    Q_OBJECT
public:
    explicit NumberCharsValidator(QObject *parent = nullptr, bool exponent = true);
    State validate(QString &input, int &pos) const override;

private:
    bool m_exponent;
};
