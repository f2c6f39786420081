#include "platform.h"

#include "desktopplatform.h"
#include "errortext.h"

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
        platform().showGeneralError(errorText(QString::fromUtf8(e.what())));
    } catch (...) {
        platform().showGeneralError(QStringLiteral("发生了未知的错误，操作未能完成。"));
    }
}
