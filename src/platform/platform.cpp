#include "platform.h"

#include "desktopplatform.h"

namespace {
Platform *installed = nullptr;
}

Platform &platform()
{
    static DesktopPlatform desktop;
    return installed ? *installed : desktop;
}

void setPlatform(Platform *p)
{
    installed = p;
}

void guard(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const std::exception &e) {
        platform().showGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        platform().showGeneralError(QStringLiteral("Unknown error."));
    }
}
