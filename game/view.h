// What the game controller tells a window; tests supply a window of their own. The window
// is told and never asked: the controller keeps what it has shown.
#pragma once

#include <string_view>

#include "engine/lines.h"

namespace orbel {

class GameView {
  public:
    virtual ~GameView() = default;

    // A cell shows its button when empty; otherwise its image with the orbel picture of
    // `value` (-1 Red, +1 Blue). DrawCell(c, 0) only shows the button; the image keeps
    // its last picture underneath.
    virtual void DrawCell(int cell, int value) = 0;
    virtual void SetCellButtonVisible(int cell, bool visible) = 0;
    virtual void SetCellImageVisible(int cell, bool visible) = 0;
    // Take-back hands the cell buttons back their default pointer.
    virtual void SetCellButtonsDefaultPointer() = 0;

    // Arrows 2, 4, 6, 8; the centre image 0 is never hidden.
    virtual void SetArrowVisible(int direction, bool visible) = 0;

    // The message line and the turn ring around the picture of `sideToMove`.
    virtual void ShowMessage(std::string_view text, int sideToMove) = 0;
    virtual void Beep() = 0;

    virtual void SetBackwardVisible(bool visible) = 0;
    virtual void SetForwardVisible(bool visible) = 0;
    virtual void SetUndoEnabled(bool enabled) = 0;
    virtual void SetHintEnabled(bool enabled) = 0;

    // The busy pointer while the game is setting up or the computer thinks.
    virtual void SetBusyPointer(bool busy) = 0;
    // The check mark of the level menu (0 two players, 1..11).
    virtual void SetLevelChecked(int level) = 0;

    // Marks drawn over the cells. The last completed move: the cell its orbel was placed on
    // and the cell it now stands on; 0 and 0 mark nothing.
    virtual void ShowLastMove(int placedCell, int standsCell) = 0;
    // Every cell of the lines that ended the game; an empty list marks nothing.
    virtual void ShowWinningCells(const CellList& cells) = 0;
    // The cell the keyboard acts on.
    virtual void ShowFocusCell(int cell) = 0;
};

}  // namespace orbel
