#include "window/scaled_area.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orbel {

namespace {

int Rounded(double x) {
    return static_cast<int>(std::lround(x));
}

}  // namespace

ScaledArea::ScaledArea(QWidget* parent, QSize designed)
    : QWidget(parent), designed_(designed), canvas_(new QWidget(this)) {
    canvas_->setGeometry(QRect(QPoint(0, 0), designed));
    designedFont_ = canvas_->font();
    scale_ = 1.0;
}

void ScaledArea::Place(QWidget* control, const QRectF& designed, Placer placer) {
    Put(*placed_.insert(control, {control, designed, std::move(placer)}), scale_);
}

void ScaledArea::Put(const Placed& placed, double scale) {
    if (!placed.control) return;
    if (placed.placer)
        placed.placer(placed.designed, scale);
    else
        placed.control->setGeometry(Scaled(placed.designed, scale));
}

QRect ScaledArea::Scaled(const QRectF& designed, double scale) {
    const int left = Rounded(designed.left() * scale);
    const int top = Rounded(designed.top() * scale);
    const int right = Rounded((designed.left() + designed.width()) * scale);
    const int bottom = Rounded((designed.top() + designed.height()) * scale);
    return {left, top, right - left, bottom - top};
}

double ScaledArea::ScaleFor(QSize room) const {
    const auto fit = [room](QSizeF shown) {
        return std::min(room.width() / shown.width(), room.height() / shown.height());
    };
    return std::max(fit(designed_), std::min(1.0, fit(Controls())));
}

QSize ScaledArea::SizeAt(double scale, QSize room) const {
    const QSize whole(Rounded(designed_.width() * scale), Rounded(designed_.height() * scale));
    const QSizeF controls = Controls() * scale;
    const QSize least(static_cast<int>(std::ceil(controls.width())),
                      static_cast<int>(std::ceil(controls.height())));
    return whole.boundedTo(room).expandedTo(least);
}

double ScaledArea::ScaleForText(double pixels) const {
    const double designed = designedFont_.pointSizeF() > 0
                                ? designedFont_.pointSizeF() * canvas_->logicalDpiY() / 72.0
                                : designedFont_.pixelSize();
    return pixels / designed;
}

QSizeF ScaledArea::Controls() const {
    QRectF controls;
    for (const Placed& placed : placed_)
        if (placed.control && placed.control->parentWidget() == canvas_)
            controls |= placed.designed;
    if (controls.isEmpty()) return designed_;
    return QSizeF(controls.right() + controls.left(), controls.bottom() + controls.top())
        .boundedTo(designed_);
}

void ScaledArea::resizeEvent(QResizeEvent* event) {
    Fit();
    QWidget::resizeEvent(event);
}

// The canvas keeps the designed proportions; the window's grey shows around it, or the
// area cuts the canvas's empty margin.
void ScaledArea::Fit() {
    const double scale = ScaleFor(size());
    if (scale <= 0.0) return;
    const QSize shown(Rounded(designed_.width() * scale), Rounded(designed_.height() * scale));
    canvas_->setGeometry(QRect(QPoint(std::max(0, (width() - shown.width()) / 2),
                                      std::max(0, (height() - shown.height()) / 2)),
                               shown));
    if (scale != scale_) Rescale(scale);
}

void ScaledArea::Rescale(double scale) {
    scale_ = scale;
    QFont font = designedFont_;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else
        font.setPixelSize(std::max(1, Rounded(font.pixelSize() * scale)));
    canvas_->setFont(font);
    for (const Placed& placed : std::as_const(placed_)) Put(placed, scale);
    if (onRescaled) onRescaled();
}

}  // namespace orbel
