// Small helpers for building positions in tests.
#pragma once

#include <initializer_list>
#include <utility>

#include "engine/board.h"
#include "engine/move_rules.h"

namespace orbel::testing {

// A fresh game of the given size with the given orbels added (cell, colour).
inline BoardState Position(int size, std::initializer_list<std::pair<int, int>> orbels = {},
                           bool keepCentre = true) {
    BoardState b;
    StartPosition(b, size);
    if (!keepCentre) b.Board[CentreCell(size)] = Empty;
    for (auto [cell, colour] : orbels) b.Board[cell] = static_cast<int16_t>(colour);
    return b;
}

inline int CellAt(int size, int row, int column) {
    return (row - 1) * size + column;
}

// Places for SideToMove on `cell` and pushes with the ring rule; the side is not switched.
inline bool Push(BoardState& b, int cell, int direction, Placed placed = Placed::MovesOn) {
    b.SelectedCell = static_cast<int16_t>(cell);
    b.Board[cell] = b.SideToMove;
    return RunPush(b, direction, RingRule::Check, placed);
}

}  // namespace orbel::testing
