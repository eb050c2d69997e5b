// The window's controls at their designed places, shown at one scale. The area fills its
// window; the board and panel stand on a canvas of the designed size times the scale,
// centred in it, and every control placed here keeps its designed rectangle and the
// canvas's font times the scale. Where the area is smaller than the design, the design's
// empty margin beyond its controls may be cut off at the right and bottom, so the controls
// are shown larger than the whole design would allow, though never above its own size.
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

    // The largest scale at which `room` shows every control: the whole design's, or, where
    // that is below 1, the controls' with the empty margin cut, up to 1.
    double ScaleFor(QSize room) const;
    // The area's size at `scale` in `room`: the design's, cut to the room no further than
    // its controls allow.
    QSize SizeAt(double scale, QSize room) const;
    // The scale at which the canvas's font is `pixels` high.
    double ScaleForText(double pixels) const;
    // Fits the canvas to the area's size now, as a resize does: a hidden window is resized
    // only when it is shown.
    void Fit();

    // Runs after every change of scale, once the controls stand at their new places.
    std::function<void()> onRescaled;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Rescale(double scale);
    // The part of the design that is always shown: its controls, with the margin they keep
    // at the top and left kept at the right and bottom too.
    QSizeF Controls() const;

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
