#include "engine/game_moves.h"

#include <algorithm>
#include <cassert>

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

const PlayedMove& GameMoves::operator[](int number) const {
    assert(number >= 1 && number <= count_);
    return moves_[number];
}

void GameMoves::Add(PlayedMove move) {
    assert(!full());
    moves_[++count_] = move;
}

void GameMoves::Keep(int count) {
    assert(count >= 0 && count <= count_);
    count_ = static_cast<int16_t>(count);
}

int GameMoves::SharedWith(const GameMoves& other) const {
    const int common = std::min(count_, other.count_);
    int shared = 0;
    while (shared < common && moves_[shared + 1] == other.moves_[shared + 1]) ++shared;
    return shared;
}

bool GameMoves::operator==(const GameMoves& other) const {
    return count_ == other.count_ && SharedWith(other) == count_;
}

int MoveCodeOf(int n, PlayedMove move) {
    return MoveCode(move.placed, DirectionFromCells(n, move.placed, move.moved));
}

PlayedMove PlayedMoveOf(int n, int code) {
    const int placed = PlacementOf(code);
    return {static_cast<int16_t>(placed),
            static_cast<int16_t>(placed + StepOf(n, DirectionOf(code)))};
}

MoveFault PlayMove(BoardState& b, PlayedMove move) {
    const int n = b.BoardSize;
    const int placed = move.placed;
    const int moved = move.moved;
    if (!IsOnBoard(n, placed) || !IsOnBoard(n, moved)) return MoveFault::CellOffBoard;
    if (!IsOneStep(n, placed, moved)) return MoveFault::NotOneStep;
    if (!IsLegalPlacement(b, placed))
        return b.Board[placed] != Empty ? MoveFault::PlacementTaken : MoveFault::NoOrbelBeside;
    const int direction = DirectionFromCells(n, placed, moved);
    if (!DirectionsOffered(b, placed).Has(direction)) return MoveFault::PushNotOffered;

    b.SelectedCell = static_cast<int16_t>(placed);
    b.Board[placed] = b.SideToMove;
    // A refused push empties the placement cell again and moves nothing.
    if (!RunPush(b, direction, RingRule::Check, Placed::MovesOn)) return MoveFault::PushOntoRing;
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    ++b.MoveNumber;
    assert(BoardIsSound(b));
    return MoveFault::None;
}

Replay ReplayMoves(int size, const GameMoves& moves, BoardState& b, int upTo) {
    assert(IsValidBoardSize(size));
    StartPosition(b, size);
    const int last = upTo < 0 ? moves.count() : std::min(upTo, moves.count());
    Replay replay;
    for (int number = 1; number <= last; ++number) {
        replay.fault = PlayMove(b, moves[number]);
        if (!replay.Ok()) {
            replay.move = number;
            return replay;
        }
    }
    return replay;
}

}  // namespace orbel
