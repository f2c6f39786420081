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

// A grid column of plain text (titles centred).
GridColumn textColumn(const QString &title, const QString &field, int width);
// A grid column of an amount: "0.00", right-aligned, its footer the sum in
// "0.00"; color (when valid) for both.
GridColumn amountColumn(const QString &title, const QString &field, int width, const QColor &color = QColor());

} // namespace StatsWidgets
