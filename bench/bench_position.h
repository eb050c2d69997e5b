// The positions the search benchmark runs: openings and middle games of the program
// playing itself, kept as move lists so they never change with the search.
#pragma once

#include <cstdint>
#include <span>

#include "engine/board.h"

namespace orbel {

struct BenchPosition {
    int size;
    int moves;
    const int16_t* cells;  // placement cell and moved-to cell of each move, in turn
};

std::span<const BenchPosition> BenchPositions();

// A whole game of the program playing itself, to time the review of a game: 13 x 13, its
// moves up to the one that completed a line.
BenchPosition ReviewBenchGame();

// A new game of the position's size with its moves played; false if the rules refuse one.
bool SetUpBenchPosition(const BenchPosition& position, BoardState& b);

// Whether either side could complete a line of five with its next move.
bool WinInSight(const BoardState& b);

}  // namespace orbel
