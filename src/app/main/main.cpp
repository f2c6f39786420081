#include "app/application.h"
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QApplication>
#include <QTimer>

#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    setUpApplication(app);
    std::unique_ptr<TDM> dm(createApplicationWindows());
    std::unique_ptr<TFrmMian> window(forms().FrmMian);
    window->show();
    // The first activation asks for the login, also where no window manager
    // activates the window.
    QTimer::singleShot(0, window.get(), [&] { guard([&] { window->FormActivate(); }); });
    const int rc = QApplication::exec();
    window.reset();
    return rc;
}
