#include "ui/window_place.h"

#include <QApplication>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <utility>

namespace orbel {

namespace {

bool FixedSize(const QWidget& window) {
    return window.minimumSize() == window.maximumSize();
}

// The frames the window system told of last, of windows the player may resize and of
// fixed-size ones: a desktop frames all windows of a kind alike (only the first have
// handles to resize them by), and a window replaced by the next one leaves its frame here.
QMargins lastFrame[2];

QMargins OwnFrame(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    if (!handle || !window.isVisible()) return {};
    const QMargins frame = handle->frameMargins();
    if (!frame.isNull()) lastFrame[FixedSize(window)] = frame;
    return frame;
}

}  // namespace

QPoint CentredInside(const QSize& frame, const QRect& available) {
    const int left = available.left() + (available.width() - frame.width()) / 2;
    const int top = available.top() + (available.height() - frame.height()) / 2;
    return {std::max(left, available.left()), std::max(top, available.top())};
}

bool WindowsPlaceable() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void CentreOnScreen(QWidget& window) {
    // A top-level window's place is its frame's top-left corner.
    window.move(
        CentredInside(window.size().grownBy(FrameAllowance(window)), AvailableArea(window)));
}

void KeepOnScreen(QWidget& window) {
    const QRect framed = FramedGeometry(window);
    const QRect area = AvailableArea(window);
    const auto within = [](int at, int length, int low, int high) {
        return std::max(low, std::min(at, high + 1 - length));
    };
    window.move(within(framed.left(), framed.width(), area.left(), area.right()),
                within(framed.top(), framed.height(), area.top(), area.bottom()));
}

namespace {

// Watches a window's moves and resizes until the window system has framed it.
class FrameWatch final : public QObject {
  public:
    FrameWatch(QWidget& window, std::function<void()> refit)
        : QObject(&window), window_(window), refit_(std::move(refit)) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched != &window_ ||
            (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Show))
            return false;
        if (OwnFrame(window_).isNull()) return false;
        window_.removeEventFilter(this);
        deleteLater();
        if (!WhollyOn(FramedGeometry(window_), {AvailableArea(window_)}))
            QTimer::singleShot(0, &window_, refit_);
        return false;
    }

  private:
    QWidget& window_;
    std::function<void()> refit_;
};

}  // namespace

void RefitOnceFramed(QWidget& window, std::function<void()> refit) {
    new FrameWatch(window, std::move(refit));
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
    QMargins frame = OwnFrame(window);
    // Until the window system has framed this window, the program's other frames tell
    // what it will add, those of its own kind first.
    if (frame.isNull()) {
        for (const QWidget* shown : QApplication::topLevelWidgets()) OwnFrame(*shown);
        const bool fixed = FixedSize(window);
        frame = lastFrame[fixed].isNull() ? lastFrame[!fixed] : lastFrame[fixed];
    }
    if (frame.isNull()) {
        const QStyle* style = window.style();
        const int side = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
        // Common desktops draw title bars about twice as high as a line of text.
        const int title = std::max(style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window),
                                   2 * window.fontMetrics().height());
        frame = {side, side + title, side, side};
    }
    // On a scaled desktop the frame's logical size is rounded, maybe down.
    if (window.devicePixelRatioF() != 1.0) frame += QMargins(1, 1, 1, 1);
    return frame;
}

QRect FramedGeometry(const QWidget& window) {
    const QPoint corner =
        OwnFrame(window).isNull() ? window.pos() : window.frameGeometry().topLeft();
    return {corner, window.size().grownBy(FrameAllowance(window))};
}

bool WhollyOn(const QRect& framed, const QList<QRect>& available) {
    QRegion outside(framed);
    for (const QRect& area : available) outside -= area;
    return outside.isEmpty();
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
    if (!geometry.isValid() || !WhollyOn(geometry.marginsAdded(frame), available))
        return std::nullopt;
    return geometry;
}

}  // namespace orbel
