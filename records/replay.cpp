#include "records/replay.h"

#include "engine/board.h"
#include "engine/game_moves.h"

namespace orbel {

namespace {

RecordError ErrorOf(MoveFault fault) {
    switch (fault) {
        case MoveFault::None:
            return RecordError::None;
        case MoveFault::CellOffBoard:
            return RecordError::CellOffBoard;
        case MoveFault::NotOneStep:
            return RecordError::NotOneStep;
        case MoveFault::PlacementTaken:
            return RecordError::PlacementTaken;
        case MoveFault::NoOrbelBeside:
            return RecordError::NoOrbelBeside;
        case MoveFault::PushNotOffered:
            return RecordError::PushNotOffered;
        case MoveFault::PushOntoRing:
            return RecordError::PushOntoRing;
    }
    return RecordError::None;
}

}  // namespace

int RecordedMoveCode(int n, int placed, int moved) {
    return MoveCodeOf(n, {static_cast<int16_t>(placed), static_cast<int16_t>(moved)});
}

RecordError PlayRecordedMove(BoardState& b, int placed, int moved) {
    return ErrorOf(PlayMove(b, {static_cast<int16_t>(placed), static_cast<int16_t>(moved)}));
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
