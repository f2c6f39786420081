#include "app/application.h"
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/ledgerlock.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "users/tfrmlog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QMap>
#include <QRegularExpression>
#include <QStyle>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// With "--exit-at-login" the program ends as soon as the login window has
// been painted, after printing "login" on its own line: start-up is measured
// so, from the start of the process to that line.
class ExitAtLogin : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            QTimer::singleShot(0, [] {
                std::fputs("login\n", stdout);
                std::fflush(stdout);
                // the next start must not meet this one's lock
                LedgerLock::releaseHeld();
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char **argv)
{
    bool exitAtLogin = false;
    for (int i = 1; i < argc; ++i)
        exitAtLogin = exitAtLogin || std::strcmp(argv[i], "--exit-at-login") == 0;
    QApplication app(argc, argv);
    setUpApplication(app);
    std::unique_ptr<TDM> dm(createApplicationWindows());
    std::unique_ptr<TFrmMian> window(forms().FrmMian);
    if (exitAtLogin && forms().FrmLog)
        forms().FrmLog->installEventFilter(new ExitAtLogin(&app));
    window->show();
    // The first activation asks for the login, also where no window manager
    // activates the window.
    QTimer::singleShot(0, window.get(), [&] { guard([&] { window->FormActivate(); }); });
    if (qEnvironmentVariableIsSet("DOZ_COUNT"))
        QTimer::singleShot(qEnvironmentVariableIntValue("DOZ_COUNT"), [] {
            int all = 0, pol = 0;
            for (QWidget *top : QApplication::topLevelWidgets()) {
                int n = 0, p = 0;
                const auto kids = top->findChildren<QWidget *>();
                for (QWidget *w : kids) { ++n; p += w->testAttribute(Qt::WA_WState_Polished); }
                all += n; pol += p;
                if (n > 20) std::fprintf(stderr, "%-20s %s vis=%d widgets=%d polished=%d\n", top->metaObject()->className(), qPrintable(top->objectName()), top->isVisible(), n, p);
            }
            std::fprintf(stderr, "ALL %d polished %d\n", all, pol);
            { QMap<QString,int> kinds; int own = 0; QMap<QString,int> sheets;
              for (QWidget *w : QApplication::allWidgets()) { kinds[w->metaObject()->className()]++; if (!w->styleSheet().isEmpty()) { ++own; sheets[QString(w->metaObject()->className())]++; } }
              std::fprintf(stderr, "own sheets %d\n", own);
              for (auto it = sheets.begin(); it != sheets.end(); ++it) std::fprintf(stderr, "  sheet %s %d\n", qPrintable(it.key()), it.value());
              for (auto it = kinds.begin(); it != kinds.end(); ++it) if (it.value() > 10) std::fprintf(stderr, "  kind %s %d\n", qPrintable(it.key()), it.value()); }
            for (QWidget *top : QApplication::topLevelWidgets()) if (top->objectName() == "FrmMian") {
                for (QWidget *page : top->findChildren<QWidget *>(QRegularExpression("^TabSheet\\d$")))
                    std::fprintf(stderr, "%s %lld\n", qPrintable(page->objectName()), (long long) page->findChildren<QWidget *>().size());
            }
        });
    const int rc = QApplication::exec();
    window.reset();
    return rc;
}
