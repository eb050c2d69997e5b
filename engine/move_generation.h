// Every legal move of the side to move, each with the static score of where it leads.
#pragma once

#include <cstdint>

#include "engine/board.h"

namespace orbel {

// A 17 x 17 board can offer 480 legal moves; the columns have room for all of them.
constexpr int kMaxCandidates = 480;

// Scores and values are kept as whole tenths: only static scores are ever divided by ten,
// so every value the search backs up is exact.
using Tenths = int32_t;
constexpr Tenths Whole(int units) {
    return units * 10;
}
// What a cleared score entry holds, and where every depth's best starts.
constexpr Tenths kNoScore = Whole(-100000);

// One depth's candidates: entries 1..count, in generation order until sorted.
struct CandidateColumn {
    int16_t* moves;
    Tenths* scores;
    int16_t& count;
};

int CountPairs(const BoardState& b, int colour);
// Static score, for SideToMove, of the position a trial move just reached.
int EvaluateMove(const BoardState& b);

// True when SideToMove has at least one placement whose push is allowed.
bool HasLegalMove(const BoardState& b);

// Leaves Board, SideToMove and SelectedCell as they were.
void GenerateMoves(BoardState& b, CandidateColumn column);

// The leaf generator: keeps best up to date and stops as soon as the parent's value can
// no longer reach parentBest. On that early return the last trial move is still on the
// board; the caller restores its own copy.
void GenerateMovesPruned(BoardState& b, CandidateColumn column, Tenths parentScore, Tenths& best,
                         Tenths parentBest);

// Selection sort, highest first; among equal scores the lowest entry goes first.
void SortCandidates(CandidateColumn column);

}  // namespace orbel
