#include "ui/window_place.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace orbel {

namespace {

// So much of a title bar, across, is enough to take hold of the window and drag it.
constexpr int kTitleGrip = 100;

QMargins OwnFrame(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

}  // namespace

QPoint CentredInside(const QSize& frame, const QRect& available) {
    const int left = available.left() + (available.width() - frame.width()) / 2;
    const int top = available.top() + (available.height() - frame.height()) / 2;
    return {std::max(left, available.left()), std::max(top, available.top())};
}

void CentreOnScreen(QWidget& window) {
    // Before the first showing the frame is unknown and this is the window's own size; a
    // frame added later grows it to the right and down, leaving the corner in place.
    window.move(CentredInside(window.frameGeometry().size(), AvailableArea(window)));
}

QRect AvailableArea(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QList<QRect> AvailableAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

QMargins FrameAllowance(const QWidget& window) {
    if (const QMargins own = OwnFrame(window); !own.isNull()) return own;
    // Until the window system has framed this window, another of the program's frames
    // tells what it will add: the same desktop draws them all.
    for (const QWidget* shown : QApplication::topLevelWidgets()) {
        if (!shown->isVisible()) continue;
        if (const QMargins frame = OwnFrame(*shown); !frame.isNull()) return frame;
    }
    const QStyle* style = window.style();
    const int side = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
    // Common desktops draw title bars about twice as high as a line of text.
    const int title = std::max(style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window),
                               2 * window.fontMetrics().height());
    return {side, side + title, side, side};
}

QSize RoomOnScreen(const QWidget& window) {
    return AvailableArea(window).size().shrunkBy(FrameAllowance(window));
}

QSize ScrolledSize(const QSize& page, const QSize& room, int scrollBarExtent) {
    // `down`: a bar to scroll down the page, `across`: one to scroll across it. Each takes
    // room from the other way, which may then need a bar too.
    bool across = false;
    bool down = false;
    for (int pass = 0; pass < 2; ++pass) {
        down = page.height() + (across ? scrollBarExtent : 0) > room.height();
        across = page.width() + (down ? scrollBarExtent : 0) > room.width();
    }
    const QSize withBars(page.width() + (down ? scrollBarExtent : 0),
                         page.height() + (across ? scrollBarExtent : 0));
    return withBars.boundedTo(room);
}

std::optional<QRect> RestoredGeometry(const QRect& geometry, const QMargins& frame,
                                      const QList<QRect>& available) {
    if (!geometry.isValid()) return std::nullopt;
    const int titleHeight = std::max(frame.top(), 1);
    const QRect title(geometry.left() - frame.left(), geometry.top() - titleHeight,
                      geometry.width() + frame.left() + frame.right(), titleHeight);
    const int grip = std::min(title.width(), kTitleGrip);
    for (const QRect& area : available) {
        const QRect held = title & area;
        if (held.width() >= grip && 2 * held.height() >= titleHeight) return geometry;
    }
    return std::nullopt;
}

}  // namespace orbel
