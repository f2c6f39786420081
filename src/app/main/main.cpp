#include "app/application.h"
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/ledgerlock.h"
#include "data/tdm.h"
#include "platform/fontfaces.h"
#include "platform/platform.h"
#include "users/tfrmlog.h"

#include <QApplication>
#include <QTimer>

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
    // before Qt reads the font list
    useRegularCjkFaceForBold();
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
    const int rc = QApplication::exec();
    window.reset();
    return rc;
}
