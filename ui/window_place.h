// Where the program's windows open: centred in the screen's available area with their frame,
// title bar included, wholly on it; and how large a window may be there. A window manager
// frames a window only once it is shown, so until then the frame of a window already shown
// stands in for it.
#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QWidget;

namespace orbel {

// The top-left corner for a window of `frame` size: centred in `available`, and on an axis
// where the window is larger than the area, at the area's own edge.
QPoint CentredInside(const QSize& frame, const QRect& available);

// Whether the window system lets a program place its windows; Wayland's do not, and there
// a window grows only where it surely stays whole: never.
bool WindowsPlaceable();

// Moves `window`, with the frame it will have, there on the screen it will open on.
void CentreOnScreen(QWidget& window);

// Moves `window` as little as brings its frame wholly onto the available area, or its
// top-left corner where the frame is larger than the area.
void KeepOnScreen(QWidget& window);

// Runs `refit` once the window system has framed the shown `window` (some never tell of a
// frame: there it never runs), if the framed window does not lie wholly on its screen's
// available area: the frame allowed for was smaller than the one drawn.
void RefitOnceFramed(QWidget& window, std::function<void()> refit);

// The available area of the screen `window` opens on.
QRect AvailableArea(const QWidget& window);

// The available areas of every screen there is now.
QList<QRect> AvailableAreas();

// What the frame adds around `window`'s client area: its own once the window system has
// said, else the last frame it told of for another window, else an allowance from the
// style; on a scaled desktop a pixel more on every side, as the frame's logical size is
// rounded.
QMargins FrameAllowance(const QWidget& window);

// `window`'s outer rectangle: its size grown by the frame allowance, from its frame's
// corner where the window system has told of it, else from where it was moved.
QRect FramedGeometry(const QWidget& window);

// Whether `framed` lies wholly on the `available` areas.
bool WhollyOn(const QRect& framed, const QList<QRect>& available);

// The largest client area `window` may have with its frame inside the available area.
QSize RoomOnScreen(const QWidget& window);

// The client size that shows a `page` in `room`, scrolling where it must: the page when it
// fits; otherwise as much as fits, widened (or heightened) where there is room by the scroll
// bar that the cut brings.
QSize ScrolledSize(const QSize& page, const QSize& room, int scrollBarExtent);

// Where a window last seen at `geometry` (its client area, with `frame` around it) may open
// again: there when the whole framed window lies on the `available` areas; nothing when
// some of it would be off them, and the window is fitted and centred anew.
std::optional<QRect> RestoredGeometry(const QRect& geometry, const QMargins& frame,
                                      const QList<QRect>& available);

}  // namespace orbel
