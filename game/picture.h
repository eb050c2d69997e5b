// What a person should see of the game, as one value: the window draws this and nothing
// else, and a test reads it where a person would look.
#pragma once

#include <cstdint>
#include <string>

#include "engine/board.h"
#include "engine/lines.h"

namespace orbel {

// The pushes a move's orbels made, for a window that shows them slide. `serial` grows with
// every push worth showing; a board set up at once (New Game, Backward, a read record)
// leaves it as it was.
struct PushSlide {
    unsigned serial = 0;
    int step = 0;  // cell step of the push: +n down, -1 left, +1 right, -n up
    int count = 0;
    int16_t to[kLargestSize] = {};  // the moved orbels' new cells, the placed one first
    bool operator==(const PushSlide&) const = default;
};

struct GamePicture {
    int boardSize = 0;
    // Cells 1..n*n: Red, Blue or Empty; an empty cell offers itself to a click. The four
    // corners are no part of the board and show nothing.
    int16_t cells[kBoardEntries] = {};
    // The orbel in hand (chosen, or placed and not yet confirmed) and its colour; it
    // blinks, and shows nothing while `handLit` is off. 0 for none.
    int handCell = 0;
    int16_t handSide = Empty;
    bool handLit = true;

    // Arrows 2, 4, 6, 8 of the pushes offered; the centre mark 0 always shows.
    bool arrows[10] = {};

    std::string message;
    int ringSide = Blue;  // the side whose picture the turn ring circles

    bool undoEnabled = false;
    bool hintEnabled = false;
    bool backwardShown = false;
    bool forwardShown = false;
    // The computer thinks: the busy pointer.
    bool busy = false;
    // After a take-back the cells no longer offer the cross pointer.
    bool plainPointer = false;

    int level = 1;  // 0 two players, 1..11

    // Marks: the last completed move (placed on, stands on; 0 none), the lines that ended
    // the game, the cell the keyboard acts on.
    int lastPlaced = 0;
    int lastStands = 0;
    CellList winning;
    int focusCell = 0;

    PushSlide slide;

    // What a person sees on a cell: Red, Blue, or Empty for an empty or blank cell.
    int16_t Shown(int cell) const {
        if (cell == handCell) return handLit ? handSide : Empty;
        return cells[cell];
    }
    bool operator==(const GamePicture&) const = default;

    // The cell shows its button and takes clicks.
    bool Offers(int cell) const {
        const int n = boardSize;
        return cell >= 1 && cell <= n * n && !IsCorner(n, cell) && cells[cell] == Empty &&
               cell != handCell;
    }
};

}  // namespace orbel
