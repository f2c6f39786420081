#include "formwidgets.h"

#include "data/sqltext.h"
#include "data/tdm.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(6, 2, 6, 2);
    for (QWidget *w : widgets) {
        w->setParent(box);
        row->addWidget(w, qobject_cast<QLabel *>(w) ? 0 : 1);
    }
    return box;
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

void fillDetailList(QComboBox *box, const QString &item)
{
    const QString all = QStringLiteral("选择全部");
    box->clear();
    box->addItem(all);
    box->setCurrentIndex(0);
    if (item == all)
        return;
    Dataset *scratch = DM->ADOQls;
    scratch->requery(QStringLiteral("select * from fyxm a,fymx b where a.xmid=b.dyxmid and a.xmmc='") + sqlText(item)
                     + QStringLiteral("'"));
    for (scratch->first(); !scratch->eof(); scratch->next())
        box->addItem(scratch->asString(QStringLiteral("mxmc")));
}

} // namespace FormWidgets
