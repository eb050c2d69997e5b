// The review of a game: every move valued before it is played, by the analysis window and
// the command line alike.
#pragma once

#include <atomic>
#include <functional>

#include "computer/analysis.h"
#include "engine/game_moves.h"

namespace orbel {

// The level a review values moves at unless told: Expert, five plies.
constexpr int kReviewLevel = 5;

enum class ReviewEnd { Finished, Stopped, Refused };

// Moves `from` to the last of `moves`, a game of `size` (a valid board size) from its first
// move, each valued at `level` by `analyser` (the move's value exact at any level) and
// reported in turn. A list the rules refuse is reported by none of its moves: Refused.
// Stopped as soon as `stop` (may be null) is raised, without reporting the move it
// interrupted.
ReviewEnd ReviewGame(Analyser& analyser, int size, const GameMoves& moves, int level,
                     const std::atomic<bool>* stop,
                     const std::function<void(const ReviewedMove&)>& onMove, int from = 1);

}  // namespace orbel
