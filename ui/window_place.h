// Where the program's windows open: centred in the screen's available area, with the frame's
// top-left corner, and so the title and the menus, always on it; and how large a window may
// be there.
#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace orbel {

// The top-left corner for a window of `frame` size: centred in `available`, and on an axis
// where the window is larger than the area, at the area's own edge.
QPoint CentredInside(const QSize& frame, const QRect& available);

// Moves `window` there on the screen it will open on.
void CentreOnScreen(QWidget& window);

// The available area of the screen `window` opens on.
QRect AvailableArea(const QWidget& window);

// The available areas of every screen there is now.
QList<QRect> AvailableAreas();

// What the frame adds around `window`'s client area: its own once the window system has
// said, else that of a shown window of the program, else an allowance from the style.
QMargins FrameAllowance(const QWidget& window);

// The largest client area `window` may have with its frame inside the available area.
QSize RoomOnScreen(const QWidget& window);

// The client size that shows a `page` in `room`, scrolling where it must: the page when it
// fits; otherwise as much as fits, widened (or heightened) where there is room by the scroll
// bar that the cut brings.
QSize ScrolledSize(const QSize& page, const QSize& room, int scrollBarExtent);

// Where a window last seen at `geometry` (its client area, with `frame` around it) may open
// again: there when enough of its title bar lies on one of the `available` areas to take
// hold of it; nothing when it would open out of reach, and the window opens centred.
std::optional<QRect> RestoredGeometry(const QRect& geometry, const QMargins& frame,
                                      const QList<QRect>& available);

}  // namespace orbel
