// The game's evaluation over its completed moves, each move's value held still, from Red's
// side: above the middle line Red stands better, below it Blue. Painted here, as the board's marks
// are: one line, a dot a move and a ring round each mistake need no plotting library.
#pragma once

#include <QList>
#include <QWidget>
#include <functional>

#include "engine/move_generation.h"

namespace orbel {

class EvaluationGraph final : public QWidget {
  public:
    struct Point {
        Tenths red = 0;        // the move's value held still for Red, held to the value cap
        int side = 0;          // who made the move
        bool mistake = false;  // or worse: it lost the game
    };

    explicit EvaluationGraph(QWidget* parent = nullptr);

    // Point k - 1 is the game's move k.
    void SetPoints(const QList<Point>& points);
    int count() const { return static_cast<int>(points_.size()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // A click on the graph chooses the move whose point is nearest across; a double click
    // activates it. Each is given the point's index.
    std::function<void(int)> onPointChosen;
    std::function<void(int)> onPointActivated;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QRectF Plot() const;
    QPointF Place(int index, const QRectF& plot) const;
    int PointAt(const QPointF& at) const;

    QList<Point> points_;
};

}  // namespace orbel
