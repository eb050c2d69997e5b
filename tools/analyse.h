// What the computer makes of a position: its candidates, their values and the best of them.
#pragma once

#include <cstdint>
#include <string>

#include "computer/analysis.h"
#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"
#include "engine/move_generation.h"

namespace orbel {

struct Analysis {
    int size = 0;
    int sideToMove = 0;
    int moveNumber = 0;
    int level = 0;
    // The candidates of the side to move in generation order, with their static scores.
    int count = 0;
    int16_t codes[kMaxCandidates + 1] = {};
    Tenths scores[kMaxCandidates + 1] = {};
    // The highest value after the search, and every candidate reaching it in sorted order.
    Tenths value = 0;
    int bestCount = 0;
    int16_t best[kMaxCandidates + 1] = {};
    // The position's evaluation from Red's side, held still: SteadyValue of the best values
    // at the level and one level less deep (at level 1, the value alone).
    Tenths evaluation = 0;
    // The line the search expects after the first of the best set (ExpectLine).
    ExpectedLine line;
};

// Searches `b` (left as it was) with options.search and fills `out`. The random choice
// among the best candidates is left to whoever plays the move; the line takes the first.
void AnalysePosition(BoardState& b, SearchTables& t, const SearchOptions& options, Analysis& out);

// The analysis as one JSON object on one line; "value" and "evaluation" are null and
// "line" empty when there is no move.
std::string AnalysisJson(const Analysis& a);

}  // namespace orbel
