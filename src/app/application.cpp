#include "application.h"

#include "components/forms.h"
#include "contacts/tfrmfzmc.h"
#include "contacts/tfrmlxrfz.h"
#include "contacts/tfrmtxl.h"
#include "data/tdm.h"
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
#include "platform/platform.h"
#include "settings/tfrmcywh.h"
#include "settings/tfrmfymx.h"
#include "settings/tfrmfyxm.h"
#include "settings/tfrmjtcy.h"
#include "settings/tfrmmxwh.h"
#include "settings/tfrmrq.h"
#include "settings/tfrmxmwh.h"
#include "stats/tfrmyssz.h"
#include "tfrmmian.h"
#include "users/tfrmlog.h"
#include "users/tfrmyhwh.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <functional>

namespace {

// The slot makes its window, a child of the main window, when first used,
// and hands it to then; nothing once the main window is going.
template<typename T> void made(OnFirstUse<T> &slot, TFrmMian *window, std::function<void(T *)> then = {})
{
    slot.setMaker([window, then] {
        if (forms().FrmMian != window)
            return;
        T *made = new T(window);
        if (then)
            then(made);
    });
}

} // namespace

TDM *createApplicationWindows()
{
    forms() = Forms();
    auto *dm = new TDM;
    auto *window = new TFrmMian;
    new TFrmLog(window->StatusBar1, window);
    // the others when first used
    Forms &f = forms();
    made<TFrmDz>(f.FrmDz, window);
    made<TFrmZbcx>(f.FrmZbcx, window);
    made<TFrmFyxm>(f.FrmFyxm, window);
    made<TFrmXmwh>(f.FrmXmwh, window);
    made<TFrmFymx>(f.FrmFymx, window);
    made<TFrmMxwh>(f.FrmMxwh, window);
    made<TFrmJtcy>(f.FrmJtcy, window);
    made<TFrmCywh>(f.FrmCywh, window);
    made<TFrmyhwh>(f.Frmyhwh, window);
    made<TFrmJslxwh>(f.FrmJslxwh, window);
    made<TFrmJslxmc>(f.FrmJslxmc, window);
    made<TFrmJssx>(f.FrmJssx, window);
    made<TFrmTxl>(f.FrmTxl, window);
    made<TFrmLxrfz>(f.FrmLxrfz, window);
    made<TFrmFzmc>(f.FrmFzmc, window);
    made<TFrmRQ>(f.FrmRQ, window);
    made<TFrmZddr>(f.FrmZddr, window);
    made<TFrmZdgz>(f.FrmZdgz, window);
    made<TFrmYssz>(f.FrmYssz, window);
    made<TFrmDqsz>(f.FrmDqsz, window);
    made<TFrmDqjz>(f.FrmDqjz, window);
    // the editors that their list dialog makes
    f.FrmGzwh.setMaker([] { forms().FrmZdgz.get(); });
    f.FrmYsxg.setMaker([] { forms().FrmYssz.get(); });
    f.FrmDqxg.setMaker([] { forms().FrmDqsz.get(); });
    // The memo editor's count of due memos goes to the memo page; on a
    // ledger opened read-only it changes nothing.
    made<TFrmJstx>(f.FrmJstx, window, [window](TFrmJstx *memo) {
        QObject::connect(memo, &TFrmJstx::dueCounted, window, &TFrmMian::showDueCount);
        if (window->isReadOnly())
            window->turnOffWriting();
    });
    // a ledger opened read-only: no command of any window changes it
    if (window->isReadOnly())
        window->applyReadOnly();
    // due memos are announced after a successful login
    // the ledger read meanwhile is taken at a successful login, before the
    // reminders; a reading that failed is reported and the rest goes on
    forms().FrmLog->setAfterLogin([window] {
        guard([window] { window->finishLedgerLoad(); });
        MemoPage::announceDueReminders(window, [window](int count) { window->showDueCount(count); });
        // then the recurring entries that fell due (a ledger opened
        // read-only posts nothing)
        if (!window->isReadOnly())
            guard([] { TFrmDqjz::atLogin(); });
    });
    return dm;
}

void setUpApplication(QApplication &app)
{
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("qinghe"));
    // the desktop matches the windows with the menu entry and its icon
    QGuiApplication::setDesktopFileName(QStringLiteral("cn.qinghe.doz"));
    // No display name: Qt would append it to every window caption.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto *translator = new QTranslator(&app);
    if (translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    // Chinese text in the simplified Chinese face the program names where it
    // sets a face itself: left to the font system, the default face would
    // take its Chinese from another face of the same font file (the
    // Japanese one), and both would be held in memory.
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    QApplication::setFont(font);
}
