#pragma once

#include "components/dbgrideh.h"

#include <QColor>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Pieces the two statistics pages share.
namespace StatsWidgets {

// The page title: blue, bold, centred.
QLabel *pageTitle(const QString &text, QWidget *parent);
// A button named name with caption text.
QPushButton *button(const char *name, const QString &text, QWidget *parent);

} // namespace StatsWidgets
