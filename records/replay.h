// Playing a record's moves from a new game, with every rule of a move checked.
#pragma once

#include "engine/board.h"
#include "records/record_file.h"

namespace orbel {

// The MoveCode of a recorded pair, whose direction follows from the two cells.
int RecordedMoveCode(int n, int placed, int moved);

// Plays one recorded move for SideToMove and hands the turn over, or refuses it with the
// board as it was: a cell off the board, cells not one step apart, a placement that is taken
// or has no orbel beside it, a push not offered, a push onto the outer ring.
RecordError PlayRecordedMove(BoardState& b, int placed, int moved);

// A new game of the record's size with all its moves played; stops at the first refusal.
RecordStatus ReplayRecord(const GameRecord& record, BoardState& b);

}  // namespace orbel
