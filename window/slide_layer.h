// The orbels of the last push sliding one cell onward, drawn over the board. The game has
// already moved them: the layer only shows the way they went, and can be cut short.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

class QVariantAnimation;

namespace orbel {

class SlideLayer final : public QWidget {
  public:
    static constexpr int kSlideMilliseconds = 150;

    // One orbel: the cell it now stands on, where it came from and where it goes, in the
    // layer's pixels, and its picture at the size of the cell it goes to.
    struct Slider {
        int cell = 0;
        QRect from;
        QRect to;
        QPixmap picture;
    };

    // `onDone` runs once at the end of every slide, whether it ran out or was cut short.
    SlideLayer(QWidget* parent, std::function<void()> onDone);

    void Start(std::vector<Slider> sliders);
    // Ends a running slide at once; nothing when none runs.
    void Finish();
    bool Sliding() const { return !sliders_.empty(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Ended();

    std::function<void()> onDone_;
    QVariantAnimation* animation_ = nullptr;
    std::vector<Slider> sliders_;
    double progress_ = 0.0;
};

}  // namespace orbel
