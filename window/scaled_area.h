// The window's controls at their designed places, shown at one scale. The area fills its
// window; the board and panel stand on a canvas of the designed size times the scale,
// centred in it, and every control placed here keeps its designed rectangle and the
// canvas's font times the scale.
#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QWidget>
#include <functional>

namespace orbel {

class ScaledArea final : public QWidget {
  public:
    // Puts a control at its designed rectangle times the scale, for one that needs more
    // than a scaled rectangle, such as an outline drawn a fraction of a pixel wide.
    using Placer = std::function<void(const QRectF& designed, double scale)>;

    ScaledArea(QWidget* parent, QSize designed);

    // The controls' parent, or their parent's parent.
    QWidget* canvas() const { return canvas_; }
    QSize designedSize() const { return designed_; }
    double scale() const { return scale_; }

    // `control` stands at `designed` in its parent's designed coordinates, from now on.
    void Place(QWidget* control, const QRectF& designed, Placer placer = {});
    // The designed rectangle's edges times the scale, rounded, so neighbours that share an
    // edge as designed share it scaled.
    static QRect Scaled(const QRectF& designed, double scale);

    // The largest scale whose canvas fits `room`.
    double ScaleFor(QSize room) const;
    // Fits the canvas to the area's size now, as a resize does: a hidden window is resized
    // only when it is shown.
    void Fit();

    // Runs after every change of scale, once the controls stand at their new places.
    std::function<void()> onRescaled;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Rescale(double scale);

    struct Placed {
        QPointer<QWidget> control;
        QRectF designed;
        Placer placer;
    };
    static void Put(const Placed& placed, double scale);

    QSize designed_;
    QWidget* canvas_ = nullptr;
    QFont designedFont_;
    double scale_ = 0.0;
    QHash<QWidget*, Placed> placed_;
};

}  // namespace orbel
