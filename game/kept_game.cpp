#include "game/kept_game.h"

#include <memory>

#include "computer/search_tables.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "game/game_state.h"

namespace orbel {

KeptGame KeepGame(const GameState& state) {
    const MoveHistory& h = state.history;
    KeptGame kept;
    kept.boardSize = state.board.BoardSize;
    kept.level = state.SearchLevel;
    kept.computerSide = state.ComputerSideChoice;
    kept.moves = h.Played;
    kept.record = h.Record;
    kept.branchMove = h.BranchMove;
    kept.backwardOffered = h.BackwardOffered;
    kept.forwardOffered = h.ForwardOffered;
    kept.over = state.GameOver;
    return kept;
}

bool IsSoundKeptGame(const KeptGame& kept) {
    const int n = kept.boardSize;
    if (!IsValidBoardSize(n) || kept.level < 0 || kept.level > kDeepestLevel ||
        kept.computerSide < Red || kept.computerSide > Blue || kept.branchMove < 0 ||
        kept.branchMove > kept.record.count())
        return false;
    auto b = std::make_unique<BoardState>();
    return ReplayMoves(n, kept.record, *b).Ok() && ReplayMoves(n, kept.moves, *b).Ok();
}

Ending JudgeMove(const BoardState& b) {
    const LinesFound found = ScanLines(b);
    if (found.RedFound && found.BlueFound) return Ending::BothLines;
    if (found.RedFound) return Ending::RedLine;
    if (found.BlueFound) return Ending::BlueLine;
    // No pass exists in the rules: a side left without a push has lost.
    if (!HasLegalMove(b))
        return b.SideToMove == Red ? Ending::RedCannotMove : Ending::BlueCannotMove;
    return Ending::Open;
}

int16_t WinnerOf(Ending ending) {
    switch (ending) {
        case Ending::RedLine:
        case Ending::BlueCannotMove:
            return Red;
        case Ending::BlueLine:
        case Ending::RedCannotMove:
            return Blue;
        case Ending::Open:
        case Ending::BothLines:
            break;
    }
    return Empty;
}

FirstEnding FindFirstEnding(int size, const GameMoves& moves) {
    auto b = std::make_unique<BoardState>();
    StartPosition(*b, size);
    for (int m = 1; m <= moves.count(); ++m) {
        if (PlayMove(*b, moves[m]) != MoveFault::None) break;
        const Ending ending = JudgeMove(*b);
        if (ending != Ending::Open) return {ending, m};
    }
    return {};
}

}  // namespace orbel
