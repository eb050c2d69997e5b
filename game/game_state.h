// Everything the game keeps between events, in one fixed-size block owned by the program.
#pragma once

#include <cstdint>

#include "computer/random.h"
#include "engine/board.h"

namespace orbel {

// Inner field of 15 x 15 less Red's opening orbel: no game can have more moves.
constexpr int kHistoryCapacity = 289;
constexpr int16_t kNoPreview = -100;
constexpr float kStepDelay = 0.1f;

struct MoveHistory {
    int16_t HistoryPlaced[kHistoryCapacity + 1] = {};
    int16_t HistoryMoved[kHistoryCapacity + 1] = {};
    int16_t RecordPlaced[kHistoryCapacity + 1] = {};
    int16_t RecordMoved[kHistoryCapacity + 1] = {};
    int16_t RecordCount = 0;
    int16_t BranchMove = 0;
    bool SavedBackwardVisible = false;
    bool SavedForwardVisible = false;
    int16_t UndoBoard[kBoardEntries] = {};
};

struct GameState {
    BoardState board;
    MoveHistory history;

    bool PlacementPending = false;
    int16_t PreviewCell = kNoPreview;
    int16_t PushDone = 0;
    bool MoveInProgress = false;
    bool GameOver = false;
    int16_t ComputerSide = Red;
    int16_t ComputerSideChoice = Red;
    int16_t SearchLevel = 1;
    float StepDelay = kStepDelay;
    bool DrawEnabled = false;

    RandomSource random;
};

}  // namespace orbel
