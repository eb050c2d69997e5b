// Where the program's windows open: centred in the screen's available area, with the frame's
// top-left corner, and so the title and the menus, always on it.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace orbel {

// The top-left corner for a window of `frame` size: centred in `available`, and on an axis
// where the window is larger than the area, at the area's own edge.
QPoint CentredInside(const QSize& frame, const QRect& available);

// Moves `window` there on the screen it will open on.
void CentreOnScreen(QWidget& window);

}  // namespace orbel
