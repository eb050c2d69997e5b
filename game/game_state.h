// Everything the game keeps between events, in one fixed-size block owned by the program.
#pragma once

#include <cstdint>

#include "computer/random.h"
#include "engine/board.h"
#include "engine/game_moves.h"

namespace orbel {

constexpr float kStepDelay = 0.1f;

// Where the turn stands. The orbel in hand stands on the board's SelectedCell.
enum class TurnPhase : int8_t {
    ChoosingCell,  // the side to move may choose a cell
    CellChosen,    // an orbel in hand on the chosen cell; the arrows offer its pushes
    PushRefused,   // that push would have reached the ring: the cell is empty, the arrows wait
    Pushed,        // the person's push, until it is confirmed or taken back
    Thinking,      // the computer searches, for its own move or a hint
    ShowingMove,   // the computer's, a hint's or a record's orbel is seen before it pushes
};

struct MoveHistory {
    // The completed moves of the game in hand (none in a game from a set-up position).
    GameMoves Played;
    // The moves of a record read from a file, which Forward replays.
    GameMoves Record;
    int16_t BranchMove = 0;
    // Stepping back and forth through the game is offered.
    bool BackwardOffered = false;
    bool ForwardOffered = false;
    int16_t UndoBoard[kBoardEntries] = {};
};

struct GameState {
    BoardState board;
    MoveHistory history;

    TurnPhase Phase = TurnPhase::ChoosingCell;
    bool GameOver = false;
    int16_t ComputerSide = Red;
    int16_t ComputerSideChoice = Red;
    int16_t SearchLevel = 1;
    float StepDelay = kStepDelay;

    RandomSource random;
};

}  // namespace orbel
