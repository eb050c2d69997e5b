#include "records/replay.h"

#include <cassert>

#include "engine/board.h"
#include "engine/move_rules.h"

namespace orbel {

namespace {

bool IsOnBoard(int n, int cell) {
    return cell >= 1 && cell <= n * n;
}

// +1 and -1 must stay in the row, or the last cell of one row would reach the next.
bool IsOneStep(int n, int placed, int moved) {
    const int direction = DirectionFromCells(n, placed, moved);
    if (direction == 0 || moved != placed + StepOf(n, direction)) return false;
    if (direction == kLeft || direction == kRight) return (placed - 1) / n == (moved - 1) / n;
    return true;
}

}  // namespace

int RecordedMoveCode(int n, int placed, int moved) {
    return MoveCode(placed, DirectionFromCells(n, placed, moved));
}

RecordError PlayRecordedMove(BoardState& b, int placed, int moved) {
    const int n = b.BoardSize;
    if (!IsOnBoard(n, placed) || !IsOnBoard(n, moved)) return RecordError::CellOffBoard;
    if (!IsOneStep(n, placed, moved)) return RecordError::NotOneStep;
    if (!IsLegalPlacement(b, placed))
        return b.Board[placed] != Empty ? RecordError::PlacementTaken : RecordError::NoOrbelBeside;
    const int direction = DirectionFromCells(n, placed, moved);
    if (!DirectionsOffered(b, placed).Has(direction)) return RecordError::PushNotOffered;

    b.SelectedCell = static_cast<int16_t>(placed);
    b.Board[placed] = b.SideToMove;
    // A refused push empties the placement cell again and moves nothing.
    if (!RunPush(b, direction, RingRule::Check, Placed::MovesOn)) return RecordError::PushOntoRing;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ++b.MoveNumber;
    assert(BoardIsSound(b));
    return RecordError::None;
}

RecordStatus ReplayRecord(const GameRecord& record, BoardState& b) {
    RecordStatus status;
    status.size = record.BoardSize;
    if (!IsValidBoardSize(record.BoardSize)) {
        status.error = RecordError::BadBoardSize;
        status.value = record.BoardSize;
        return status;
    }
    if (record.RecordCount < 0 || record.RecordCount > kRecordCapacity) {
        status.error = RecordError::BadMoveCount;
        status.value = record.RecordCount;
        return status;
    }
    StartPosition(b, record.BoardSize);
    for (int i = 1; i <= record.RecordCount; ++i) {
        status.error = PlayRecordedMove(b, record.RecordPlaced[i], record.RecordMoved[i]);
        if (!status.Ok()) {
            status.move = i;
            status.placed = record.RecordPlaced[i];
            status.moved = record.RecordMoved[i];
            return status;
        }
    }
    return status;
}

}  // namespace orbel
