#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

class QPainter;

// The program's pictures, all painted in code so that they scale cleanly to
// any device pixel ratio and need no image files.
namespace Artwork {

// The pages of the main window's navigation bar, in the order of the bar.
enum class NavIcon { Ledger, Summary, Comparison, Memos, Contacts, Settings, Exit };

// Size of a navigation icon in device-independent pixels.
constexpr QSize navigationIconSize{48, 46};

// A navigation bar icon, 48x46 device-independent pixels, painted for the
// given device pixel ratio (the pixmap carries that ratio). A ratio below 1
// is treated as 1.
QPixmap navigationIcon(NavIcon which, qreal dpr = 1);
// The same icon at ratios 1 and 2 in one QIcon, for tool buttons.
QIcon navigationIconSet(NavIcon which);

// The illustration of the main window's start page, painted to fill `size`
// (device-independent pixels); an empty size gives a null pixmap.
QPixmap startPicture(const QSize &size, qreal dpr = 1);
// The small emblem of the login dialog (a ledger with a key), painted to fill
// `size`; an empty size gives a null pixmap.
QPixmap loginPicture(const QSize &size, qreal dpr = 1);

// The version banner of the settings page: the program's emblem, its name
// and "V 2.0" on a green-to-blue ground, painted to fill `size`; an empty
// size gives a null pixmap.
QPixmap versionBanner(const QSize &size, qreal dpr = 1);

// The program's window icon, with pixmaps from 16 to 256 pixels.
QIcon applicationIcon();
// Paints the program's icon on a 64x64 grid from (0, 0) with painter p
// (scaled for other sizes): the window icon, and the icons of the desktop
// entry an installation brings (pictures and SVG alike; no clipping, so
// that a vector painter keeps every shape).
void paintApplicationIcon(QPainter &p);

} // namespace Artwork
