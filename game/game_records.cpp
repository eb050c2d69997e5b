#include "game/game_records.h"

#include <algorithm>

namespace orbel {

static_assert(kRecordCapacity == kHistoryCapacity, "a record holds exactly one history");

GameRecord RecordOfGame(const GameState& state) {
    GameRecord record;
    record.BoardSize = state.board.BoardSize;
    record.ComputerSideChoice = state.ComputerSideChoice;
    record.RecordCount = static_cast<int16_t>(state.board.MoveNumber - 1);
    const int count = record.RecordCount + 1;
    std::copy_n(state.history.HistoryPlaced, count, record.RecordPlaced);
    std::copy_n(state.history.HistoryMoved, count, record.RecordMoved);
    return record;
}

void TakeRecord(GameState& state, const GameRecord& record) {
    state.board.BoardSize = record.BoardSize;
    state.ComputerSideChoice = record.ComputerSideChoice;
    MoveHistory& h = state.history;
    h.RecordCount = record.RecordCount;
    const int count = record.RecordCount + 1;
    std::copy_n(record.RecordPlaced, count, h.RecordPlaced);
    std::copy_n(record.RecordMoved, count, h.RecordMoved);
    h.BranchMove = 0;
}

}  // namespace orbel
