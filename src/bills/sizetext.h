#pragma once

#include <QString>

namespace Bills {

// A size for messages: whole megabytes, or kilobytes below one megabyte.
inline QString sizeText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 20))
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    return QStringLiteral("%1 KB").arg((bytes + 1023) >> 10);
}

} // namespace Bills
