#include "ui/window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace orbel {

QPoint CentredInside(const QSize& frame, const QRect& available) {
    const int left = available.left() + (available.width() - frame.width()) / 2;
    const int top = available.top() + (available.height() - frame.height()) / 2;
    return {std::max(left, available.left()), std::max(top, available.top())};
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    // Before the first showing the frame is unknown and this is the window's own size; a
    // frame added later grows it to the right and down, leaving the corner in place.
    window.move(CentredInside(window.frameGeometry().size(), screen->availableGeometry()));
}

}  // namespace orbel
