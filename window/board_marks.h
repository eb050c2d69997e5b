// Marks drawn over the board: the last move, the lines that ended the game and the focus
// cell. Drawn, not pictures, so they stay sharp at any scale. The overlay takes the
// keyboard focus for the board, while clicks pass through to the cells below.
#pragma once

#include <QList>
#include <QRectF>
#include <QWidget>
#include <array>
#include <functional>

#include "engine/board.h"
#include "engine/lines.h"
#include "game/controller.h"

namespace orbel {

class BoardMarks final : public QWidget {
  public:
    BoardMarks(QWidget* parent, std::function<void(BoardKey, bool)> onKey);

    // The board of n x n cells at `pitch` designed pixels.
    void LayOut(int n, int pitch);
    // Over the board's designed rectangle, at `scale`.
    void Place(const QRectF& designed, double scale);

    void SetLastMove(int placed, int stands);
    void SetWinning(const CellList& cells);
    void SetFocusCell(int cell);
    // Moves the analysis points out, as move codes; empty for none. With `lineSide` Red or
    // Blue they are a line of moves in turn, that side's first, each numbered in its
    // side's colour; with 0 plain moves. None is drawn on the cell of the orbel in hand.
    void SetAnalysisMarks(const QList<int>& codes, int lineSide = 0);
    void SetHandCell(int cell);
    // While orbels slide, the last move's dot and ring and the winning frames wait for them
    // to arrive: drawn at once they would circle the orbels about to leave those cells.
    void HoldMoveMarks(bool held);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    QRectF Box(int cell) const;
    void DrawWinning(QPainter& painter, const QRectF& box) const;
    void DrawStands(QPainter& painter, const QRectF& box) const;
    void DrawPlaced(QPainter& painter, const QRectF& box) const;
    void DrawAnalysed(QPainter& painter, const QRectF& box, int code) const;
    void DrawLineMove(QPainter& painter, const QRectF& box, int code, int number, int side,
                      int before) const;
    void DrawFocus(QPainter& painter, const QRectF& box) const;
    void ShowAnalysisMarks();

    std::function<void(BoardKey, bool)> onKey_;
    int n_ = 0;
    int pitch_ = 0;
    // Where the designed board's corner falls in the widget's whole pixels, and the scale.
    QPointF origin_;
    double scale_ = 1.0;
    int placed_ = 0;
    int stands_ = 0;
    int focus_ = 0;
    std::array<bool, kBoardEntries> winning_ = {};
    QList<int> analysis_;
    int lineSide_ = 0;
    int hand_ = 0;
    bool held_ = false;
};

}  // namespace orbel
