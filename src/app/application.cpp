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

TDM *createApplicationWindows()
{
    forms() = Forms();
    auto *dm = new TDM;
    auto *window = new TFrmMian;
    new TFrmLog(window->StatusBar1, window);
    new TFrmDz(window);
    new TFrmZbcx(window);
    new TFrmFyxm(window);
    new TFrmXmwh(window);
    new TFrmFymx(window);
    new TFrmMxwh(window);
    new TFrmJtcy(window);
    new TFrmCywh(window);
    new TFrmyhwh(window);
    auto *memo = new TFrmJstx(window);
    new TFrmJslxwh(window);
    new TFrmJslxmc(window);
    new TFrmJssx(window);
    new TFrmTxl(window);
    new TFrmLxrfz(window);
    new TFrmFzmc(window);
    new TFrmRQ(window);
    new TFrmZddr(window);
    new TFrmZdgz(window);
    new TFrmYssz(window);
    new TFrmDqsz(window);
    // a ledger opened read-only: no command of any window changes it
    if (window->isReadOnly())
        window->applyReadOnly();
    // the editor's count of due memos goes to the memo page; due memos are
    // announced after a successful login
    MemoPage *memos = window->TabSheet6;
    QObject::connect(memo, &TFrmJstx::dueCounted, memos, &MemoPage::setDueCount);
    // the ledger read meanwhile is taken at a successful login, before the
    // reminders; a reading that failed is reported and the rest goes on
    forms().FrmLog->setAfterLogin([window, memos] {
        guard([window] { window->finishLedgerLoad(); });
        memos->announceDueReminders();
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
