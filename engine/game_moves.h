// A game's moves as its record keeps them, and the one way to play them from a new game.
#pragma once

#include <cstdint>

#include "engine/board.h"

namespace orbel {

// One entry per cell of the largest board: more than any game can have moves.
constexpr int kMoveCapacity = kLargestSize * kLargestSize;

// One completed move: the cell the orbel was placed on and the cell its push moved it to.
// The push's direction follows from the two cells.
struct PlayedMove {
    int16_t placed = 0;
    int16_t moved = 0;
    bool operator==(const PlayedMove&) const = default;
};

// Moves 1..count() of one game, numbered as the game numbers them.
class GameMoves {
  public:
    int count() const { return count_; }
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == kMoveCapacity; }
    // `number` is 1..count().
    const PlayedMove& operator[](int number) const;

    // Appends the move after the last; the list must not be full.
    void Add(PlayedMove move);
    // Keeps the first `count` moves (0..count()) and drops the rest.
    void Keep(int count);
    void Clear() { count_ = 0; }

    // How many moves, from the first, the two lists have in common.
    int SharedWith(const GameMoves& other) const;
    // The same moves in the same order.
    bool operator==(const GameMoves& other) const;

  private:
    int16_t count_ = 0;
    PlayedMove moves_[kMoveCapacity + 1] = {};
};

// Why the rules refuse a played move.
enum class MoveFault : int8_t {
    None,
    CellOffBoard,    // a cell is not 1..n*n
    NotOneStep,      // the two cells are not neighbours in a row or a column
    PlacementTaken,  // the placement cell holds an orbel
    NoOrbelBeside,   // the placement cell has no orbel on an orthogonal neighbour
    PushNotOffered,  // the push points at an empty neighbour
    PushOntoRing,    // the push would move an orbel onto the outer ring
};

// The MoveCode of a played move on an n x n board, and the move of a MoveCode.
int MoveCodeOf(int n, PlayedMove move);
PlayedMove PlayedMoveOf(int n, int code);

// Plays `move` for SideToMove and hands the turn over, or refuses it with the board as it
// was.
MoveFault PlayMove(BoardState& b, PlayedMove move);

// What a replay came to: `fault` None when every move was played, else the first move the
// rules refused and why.
struct Replay {
    MoveFault fault = MoveFault::None;
    int move = 0;
    bool Ok() const { return fault == MoveFault::None; }
};

// A new game of `size` (a valid board size) with moves 1..upTo played (all of them when
// upTo is negative or beyond the list); stops at the first move the rules refuse, the board
// as it was before that move.
Replay ReplayMoves(int size, const GameMoves& moves, BoardState& b, int upTo = -1);

}  // namespace orbel
