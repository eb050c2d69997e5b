// The game in hand as something outside the game keeps it (the player's store), and what
// the game tells such a keeper. No storage here: whole games run without a keeper.
#pragma once

#include <cstdint>

#include "engine/board.h"
#include "engine/game_moves.h"

namespace orbel {

struct GameState;

// Enough of the game in hand to bring it back as it stood: its size, level and colours,
// the completed moves, and where Backward and Forward stand in them.
struct KeptGame {
    int16_t boardSize = 0;  // 0: no game yet
    int16_t level = 1;      // 0 Two Player, 1 Easy .. 11 God
    // The computer's colour; 0 when a read record never chose one, so it never moves.
    int16_t computerSide = Red;
    GameMoves moves;   // the completed moves, 1 .. MoveNumber - 1
    GameMoves record;  // a read record that Forward replays; empty when none was read
    int16_t branchMove = 0;
    bool backwardOffered = false;
    bool forwardOffered = false;
    // A line or a side without a push ended the game, and no Backward has been taken since.
    bool over = false;

    bool operator==(const KeptGame&) const = default;
};

// Told by the game of every change worth keeping, on the game's own thread; it must return
// at once, as the game waits for it.
class GameKeeper {
  public:
    virtual ~GameKeeper() = default;
    // The game in hand changed: a completed move (the person's, the computer's, a hint's or
    // Forward's), Backward, the level or the colours, or a game opened or continued.
    virtual void GameChanged(const KeptGame& game) = 0;
    // The game in hand is given up for another (New Game, a new size, a read record);
    // `game` is as it was left.
    virtual void GameLeft(const KeptGame& game) = 0;
};

KeptGame KeepGame(const GameState& state);
// A game that can be brought back: a size, level and colour in range, a branch within the
// record, and moves and a record the rules accept from a new game.
bool IsSoundKeptGame(const KeptGame& kept);

// How a completed move leaves the game: open, won by a line, a tie of two lines, or won by
// leaving the side to move without a push.
enum class Ending : int8_t { Open, RedLine, BlueLine, BothLines, RedCannotMove, BlueCannotMove };

// `b` right after a completed move, its last push as the move left it.
Ending JudgeMove(const BoardState& b);
// Red or Blue for the side that won; Empty for a tie, or while the game is open.
int16_t WinnerOf(Ending ending);

struct FirstEnding {
    Ending ending = Ending::Open;
    int move = 0;  // the move that ended the game; 0 when none did
};
// The first of the moves that ended the game, replayed from a new game of `size`; moves the
// rules refuse end the search as open.
FirstEnding FindFirstEnding(int size, const GameMoves& moves);

}  // namespace orbel
