// Small helpers for building positions in tests.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "engine/board.h"
#include "engine/move_rules.h"
#include "records/record_file.h"

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

// A 5 x 5 game of six moves after which Blue, to move, loses by running out of pushes
// whatever it plays: every root value is about -100000.6, and at level 3 the best are move
// codes 11 and 21 (pushes down from cells 2 and 4).
inline GameRecord EveryPushLosesRecord() {
    GameRecord record;
    record.BoardSize = 5;
    record.ComputerSideChoice = Red;
    const int16_t placed[] = {0, 14, 11, 17, 8, 6, 19};
    const int16_t moved[] = {0, 13, 12, 12, 13, 7, 14};
    record.RecordCount = 6;
    std::copy(std::begin(placed), std::end(placed), record.RecordPlaced);
    std::copy(std::begin(moved), std::end(moved), record.RecordMoved);
    return record;
}

}  // namespace orbel::testing
