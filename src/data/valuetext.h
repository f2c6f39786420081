#pragma once

#include <QString>
#include <QVariant>

namespace ValueText {

// The text of a value as the program shows and compares it: empty for Null,
// dates as "yyyy-MM-dd", time stamps as "yyyy-MM-dd hh:mm:ss" ("yyyy-MM-dd"
// at midnight), numbers with 15 significant digits unless more are needed to
// give the value back. Never fails.
QString display(const QVariant &value);

} // namespace ValueText
