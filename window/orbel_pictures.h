// The pictures the game draws for itself: orbels, arrows, the title lettering, the icon.
// Each is drawn for a screen's device pixel ratio: `ratio` times the pixels of its size
// given here, so it stays as sharp as text on a high-density screen.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace orbel {

constexpr int kOrbelPictureSide = 89;
constexpr int kArrowPictureSide = 32;
constexpr int kTitleWidth = 181;
constexpr int kTitleHeight = 35;

// The same pictures drawn to fill `size`, a label's size in the window's units, at `ratio`
// device pixels to the unit: the designed picture scaled, not fewer pixels stretched.
QPixmap OrbelPicture(int colour, QSize size, qreal ratio);
QPixmap ArrowPicture(int direction, QSize size, qreal ratio);
QPixmap TitlePicture(QSize size, qreal ratio);

// The grey every window of the game stands on.
QColor WindowGrey();

// A shaded ball of `colour` (-1 Red, +1 Blue) on the window's grey, 89 x 89.
QPixmap OrbelPicture(int colour, qreal ratio = 1.0);
// A raised square with a triangle pointing the push `direction` (2, 4, 6, 8), or the
// centre cross mark for 0; 32 x 32.
QPixmap ArrowPicture(int direction, qreal ratio = 1.0);
QPixmap TitlePicture(qreal ratio = 1.0);
// A red orbel on a clear background, side x side.
QPixmap OrbelIconPicture(int side, qreal ratio = 1.0);
// The red orbel at the usual icon sizes, up to 256 pixels for doubled screens.
QIcon OrbelIcon();

}  // namespace orbel
