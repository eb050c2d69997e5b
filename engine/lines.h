// Lines of five through the orbels the last push moved.
#pragma once

#include "engine/board.h"

namespace orbel {

struct LinesFound {
    bool RedFound = false;
    bool BlueFound = false;
    bool Any() const { return RedFound || BlueFound; }
};

// Scans the run along the last push and, through every moved orbel, the cross line and
// both diagonals. Red counts only in rows and columns. Reads PushLine, PushCount and
// RunCount as the last push left them.
LinesFound ScanLines(const BoardState& b);

// 0 no line, -1 Red's, +1 Blue's, -SideToMove when both colours completed one.
int FindLines(const BoardState& b);

// Cells in ascending order, with room for every cell of the largest board.
struct CellList {
    int16_t cell[kBoardEntries - 1] = {};
    int count = 0;
    bool operator==(const CellList&) const = default;
};

// The cells of every line ScanLines finds, each line as the whole run of its colour along
// it, so six in a row gives six cells. Empty when ScanLines finds nothing.
void ListLineCells(const BoardState& b, CellList& out);

}  // namespace orbel
