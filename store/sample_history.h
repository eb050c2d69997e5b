// Games for the benchmarks: random legal moves, and a store filled with finished games on
// every size, at every level, as the game hands them over.
#pragma once

#include <filesystem>
#include <random>

#include "engine/board.h"
#include "engine/game_moves.h"

namespace orbel {

// Plays a random legal move for the side to move and adds it to `moves`; false when the side
// has none.
bool RandomMove(BoardState& b, GameMoves& moves, std::mt19937& rng);

// Keeps `games` finished games in the store at `file` (a new one, or one to add to); the
// same games every time.
void FillHistory(const std::filesystem::path& file, int games);

}  // namespace orbel
