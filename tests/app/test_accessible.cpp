// What a screen reader announces: every field, button and list of every
// window and page has a name of its own.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/forms.h"
#include "contacts/contactspage.h"
#include "contacts/tfrmfzmc.h"
#include "contacts/tfrmlxrfz.h"
#include "contacts/tfrmtxl.h"
#include "ledger/tfrmdqjz.h"
#include "ledger/tfrmdqsz.h"
#include "ledger/tfrmdz.h"
#include "ledger/tfrmzbcx.h"
#include "ledger/tfrmzddr.h"
#include "ledger/tfrmzdgz.h"
#include "memos/memopage.h"
#include "memos/tfrmjslxmc.h"
#include "memos/tfrmjslxwh.h"
#include "memos/tfrmjssx.h"
#include "memos/tfrmjstx.h"
#include "settings/settingspage.h"
#include "settings/tfrmcywh.h"
#include "settings/tfrmfymx.h"
#include "settings/tfrmfyxm.h"
#include "settings/tfrmjtcy.h"
#include "settings/tfrmmxwh.h"
#include "settings/tfrmrq.h"
#include "settings/tfrmxmwh.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "stats/tfrmyssz.h"
#include "support/app/appfixture.h"
#include "users/tfrmlog.h"
#include "users/tfrmyhwh.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextEdit>

namespace {

// What the user can type into, choose in or press.
bool takesInput(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
           || qobject_cast<const QComboBox *>(w) || qobject_cast<const QTextEdit *>(w)
           || qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QAbstractButton *>(w)
           || qobject_cast<const QAbstractItemView *>(w);
}

// Parts of another control (a combo box's own line edit, a spin box's, a
// list's scroll bar buttons) are announced as that control.
bool partOfAnother(const QWidget *w, const QWidget *window)
{
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p)
            || qobject_cast<const QAbstractItemView *>(p))
            return true;
    }
    return false;
}

bool named(const QWidget *w, const QWidget *window)
{
    if (!w->accessibleName().trimmed().isEmpty())
        return true;
    if (auto *button = qobject_cast<const QAbstractButton *>(w)) {
        if (!QString(button->text()).remove(QLatin1Char('&')).trimmed().isEmpty())
            return true;
    }
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    return std::any_of(labels.begin(), labels.end(),
                       [w](const QLabel *l) { return l->buddy() == w && !l->text().trimmed().isEmpty(); });
}

// "Window: object name (class)" of every input of window without a name.
QStringList unnamedInputs(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->window() != window || !takesInput(w) || partOfAnother(w, window) || named(w, window))
            continue;
        unnamed << QStringLiteral("%1: %2 (%3)")
                       .arg(window->objectName(), w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
    return unnamed;
}

// "Window: name" of every name that two fields of root share, and of every
// name that still ends with a label's colon.
QStringList confusingNames(QWidget *root)
{
    QStringList found;
    QMap<QString, int> seen;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->window() != root->window() || !takesInput(w) || qobject_cast<QAbstractButton *>(w)
            || partOfAnother(w, root->window()) || w->accessibleName().isEmpty())
            continue;
        const QString name = w->accessibleName();
        if (++seen[name] == 2)
            found << QStringLiteral("%1: %2 twice").arg(root->objectName(), name);
        if (name.endsWith(QChar(0xff1a)) || name.endsWith(QLatin1Char(':')))
            found << QStringLiteral("%1: %2").arg(root->objectName(), name);
    }
    return found;
}

} // namespace

using Accessible = AppFixture;

TEST_F(Accessible, EveryInputOfEveryWindowAndPageHasAName)
{
    start();
    Forms &f = forms();
    // every page made, as if each had been shown
    const QList<QWidget *> windows
        = {mainWindow, f.FrmLog,  f.FrmDz,   f.FrmZbcx,   f.FrmFyxm,   f.FrmXmwh, f.FrmFymx, f.FrmMxwh,  f.FrmJtcy,
           f.FrmCywh,  f.Frmyhwh, f.FrmJstx, f.FrmJslxwh, f.FrmJslxmc, f.FrmJssx, f.FrmTxl,  f.FrmLxrfz, f.FrmFzmc,
           f.FrmRQ,    f.FrmZddr, f.FrmZdgz, f.FrmGzwh,   f.FrmYssz,   f.FrmYsxg, f.FrmDqsz, f.FrmDqxg,  f.FrmDqjz};
    mainWindow->TabSheet2.get();
    mainWindow->TabSheet3.get();
    mainWindow->TabSheet4.get();
    mainWindow->TabSheet6.get();
    mainWindow->TabSheet7.get();
    QStringList unnamed;
    for (QWidget *window : windows) {
        // as its first showing does
        window->ensurePolished();
        unnamed << unnamedInputs(window);
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();

    // each field by its own label, without the colon, the spacing of a
    // title, or the connecting word of a range alone
    QStringList confusing;
    for (QWidget *window : windows.mid(1))
        confusing << confusingNames(window);
    for (QWidget *page : mainWindow->PageControl1->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        confusing << confusingNames(page);
    EXPECT_TRUE(confusing.isEmpty()) << confusing.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.FrmLog->ComboBox1->accessibleName(), QStringLiteral("用户名"));
    EXPECT_EQ(f.FrmDz->DBEdit3->accessibleName(), QStringLiteral("收入金额"));
    EXPECT_EQ(f.FrmZbcx->DateTimePicker2->accessibleName(), QStringLiteral("日期 至"));
    EXPECT_EQ(f.FrmZbcx->ComboBox3->accessibleName(), QStringLiteral("类型"));
    EXPECT_EQ(mainWindow->TabSheet2->DateTimePicker1->accessibleName(), QStringLiteral("起止日期"));
    EXPECT_EQ(f.FrmJstx->DBMemo1->accessibleName(), QStringLiteral("内容"));
}
