#include "window/slide_layer.h"

#include <QList>
#include <QPainter>
#include <QVariant>
#include <QVariantAnimation>
#include <utility>

namespace orbel {

SlideLayer::SlideLayer(QWidget* parent, std::function<void()> onDone)
    : QWidget(parent), onDone_(std::move(onDone)), animation_(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setProperty("slidingCells", QVariant::fromValue(QList<int>()));
    setProperty("slidesStarted", 0);
    animation_->setObjectName(QStringLiteral("ani_Slide"));
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setDuration(kSlideMilliseconds);
    // A push starts at full speed and comes to rest on the cell.
    animation_->setEasingCurve(QEasingCurve::OutQuad);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        progress_ = value.toDouble();
        update();
    });
    connect(animation_, &QVariantAnimation::finished, this, &SlideLayer::Ended);
    hide();
}

void SlideLayer::Start(std::vector<Slider> sliders) {
    Finish();
    if (sliders.empty()) return;
    sliders_ = std::move(sliders);
    QList<int> cells;
    for (const Slider& slider : sliders_) cells << slider.cell;
    setProperty("slidingCells", QVariant::fromValue(cells));
    setProperty("slidesStarted", property("slidesStarted").toInt() + 1);
    progress_ = 0.0;
    show();
    update();
    animation_->start();
}

void SlideLayer::Finish() {
    if (!Sliding()) return;
    animation_->stop();
    Ended();
}

void SlideLayer::Ended() {
    if (!Sliding()) return;
    sliders_.clear();
    setProperty("slidingCells", QVariant::fromValue(QList<int>()));
    hide();
    if (onDone_) onDone_();
}

void SlideLayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const Slider& slider : sliders_) {
        const QPointF from = slider.from.topLeft();
        const QPointF to = slider.to.topLeft();
        painter.drawPixmap(from + (to - from) * progress_, slider.picture);
    }
}

}  // namespace orbel
