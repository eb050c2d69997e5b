// The positions the search benchmark runs: openings and middle games of the program
// playing itself, kept as move lists so they never change with the search.
#pragma once

#include <cstdint>
#include <span>

#include "engine/board.h"
#include "engine/game_moves.h"

namespace orbel {

struct BenchPosition {
    int size = 0;
    GameMoves moves;
};

std::span<const BenchPosition> BenchPositions();

// A whole game of the program playing itself, to time the review of a game: 13 x 13, its
// moves up to the one that completed a line.
const BenchPosition& ReviewBenchGame();

// A stored position: `cells` holds 0, 0, then each move's placement and moved-to cell.
BenchPosition StoredPosition(int size, std::span<const int16_t> cells);

// A new game of the position's size with its moves played; false if the rules refuse one.
bool SetUpBenchPosition(const BenchPosition& position, BoardState& b);

// Whether either side could complete a line of five with its next move.
bool WinInSight(const BoardState& b);

}  // namespace orbel
