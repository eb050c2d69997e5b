#include "window/qt_scheduler.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orbel {

void QtScheduler::After(float seconds, std::function<void()> then) {
    const int ms = std::max(0, static_cast<int>(std::lround(seconds * 1000.0f)));
    QTimer::singleShot(ms, &context_, std::move(then));
}

void QtScheduler::Post(std::function<void()> then) {
    QMetaObject::invokeMethod(&context_, std::move(then), Qt::QueuedConnection);
}

}  // namespace orbel
