#include "formwidgets.h"

#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolButton>

namespace FormWidgets {

QToolButton *dotsButton(const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setText(QStringLiteral("···"));
    b->setToolTip(hint);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    b->setFixedWidth(32);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAccessibleName(hint);
    return b;
}

QDateEdit *datePicker(QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return picker;
}

QGroupBox *group(const QString &title, const QList<QWidget *> &widgets, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    // by its own title: a group within a group is otherwise announced by
    // the title of the one around it
    box->setAccessibleName(title);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(6, 2, 6, 2);
    for (QWidget *w : widgets) {
        w->setParent(box);
        row->addWidget(w, qobject_cast<QLabel *>(w) ? 0 : 1);
    }
    nameByGroup(title, widgets);
    return box;
}

void nameByGroup(const QString &title, const QList<QWidget *> &widgets)
{
    const bool alone
        = std::count_if(widgets.cbegin(), widgets.cend(), [](QWidget *w) { return !qobject_cast<QLabel *>(w); }) == 1;
    QString label;
    bool first = true;
    for (QWidget *w : widgets) {
        if (auto *l = qobject_cast<QLabel *>(w)) {
            label = l->text().trimmed();
            continue;
        }
        if (w->accessibleName().isEmpty()) {
            if (alone || (first && label.isEmpty()))
                w->setAccessibleName(title);
            else if (!label.isEmpty())
                w->setAccessibleName(title + QLatin1Char(' ') + label);
        }
        first = false;
        label.clear();
    }
}

QString trimmed(const QString &text)
{
    auto blank = [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control;
    };
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && blank(text.at(from)))
        ++from;
    while (to > from && blank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

bool isBlank(const QString &text)
{
    return trimmed(text).isEmpty();
}

QDate typedDate(const QString &text)
{
    QString t = trimmed(text);
    for (QChar &c : t) // full-width digits and signs, as an input method types them
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(char16_t(c.unicode() - 0xFEE0));
    static const QRegularExpression separated(
        QStringLiteral(R"(^(\d{4})\s*[-/.年]\s*(\d{1,2})\s*[-/.月]\s*(\d{1,2})\s*日?$)"));
    static const QRegularExpression compact(QStringLiteral(R"(^(\d{4})(\d{2})(\d{2})$)"));
    QRegularExpressionMatch m = separated.match(t);
    if (!m.hasMatch())
        m = compact.match(t);
    if (!m.hasMatch())
        return QDate();
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QString canonicalDate(const QString &text)
{
    const QDate d = typedDate(text);
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : text;
}

namespace {

// Holds back what would make a line edit longer than its limit, with a
// notice for a paste (the widget itself would cut it without a word).
class LengthLimit : public QObject
{
public:
    LengthLimit(QLineEdit *box, int max)
        : QObject(box)
        , m_box(box)
        , m_max(max)
    {
        box->setMaxLength(max);
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
            warnIfTooLong(QClipboard::Clipboard);
        } else if (event->type() == QEvent::MouseButtonRelease
                   && static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton) {
            warnIfTooLong(QClipboard::Selection);
        } else if (event->type() == QEvent::ContextMenu) {
            QMenu *menu = m_box->createStandardContextMenu();
            if (QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste")))
                connect(paste, &QAction::triggered, this, [this] { warnIfTooLong(QClipboard::Clipboard, true); });
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
        return false;
    }

private:
    void warnIfTooLong(QClipboard::Mode mode, bool pasted = false)
    {
        const QString text = QGuiApplication::clipboard()->text(mode);
        const qsizetype kept = m_box->text().size() - m_box->selectedText().size();
        if (text.size() + kept <= m_max)
            return;
        // after the paste, which the box cuts at its limit
        QMetaObject::invokeMethod(
            m_box,
            [box = m_box, max = m_max] {
                platform().showMessage(box->window(), QStringLiteral("粘贴的内容太长，此处最多只能输入 %1 个字，"
                                                                     "超出的部分已被截去。")
                                                          .arg(max));
            },
            Qt::QueuedConnection);
        Q_UNUSED(pasted);
    }

    QLineEdit *m_box;
    int m_max;
};

} // namespace

void limitLength(QLineEdit *box, int max)
{
    if (max > 0)
        new LengthLimit(box, max);
}

void fillDetailList(QComboBox *box, const QString &item)
{
    const QString all = QStringLiteral("选择全部");
    if (item == all) {
        fillList(box, all, nullptr, QString());
        return;
    }
    fillList(box, all,
             QStringLiteral("select * from fyxm a,fymx b where a.xmid=b.dyxmid and a.xmmc='") + sqlText(item)
                 + QStringLiteral("'"),
             QStringLiteral("mxmc"));
}

QStringList values(Dataset *rows, const QString &field)
{
    QStringList names;
    for (rows->first(); !rows->eof(); rows->next())
        names.append(rows->asString(field));
    return names;
}

void fillList(QComboBox *box, const QString &first, const QStringList &names)
{
    box->clear();
    if (!first.isEmpty()) {
        box->addItem(first);
        box->setCurrentIndex(0);
    }
    box->addItems(names);
}

void fillList(QComboBox *box, const QString &first, Dataset *rows, const QString &field)
{
    fillList(box, first, rows ? values(rows, field) : QStringList());
}

void fillList(QComboBox *box, const QString &first, const QString &sql, const QString &field)
{
    Dataset rows(DM->ADOConnection1);
    rows.addSql(sql);
    rows.open();
    fillList(box, first, &rows, field);
}

} // namespace FormWidgets
