#pragma once

#include <QFileInfo>
#include <QString>

// Debian's Python, into which python3-openpyxl and python3-vobject install
// (another python3 may come first on the path): the independent readers of
// what the program writes.
inline QString systemPython()
{
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                 : QStringLiteral("python3");
}
