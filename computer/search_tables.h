// The look-ahead's working tables: one row per depth, reused by every subtree.
#pragma once

#include <cstdint>

#include "engine/board.h"
#include "engine/move_generation.h"

namespace orbel {

constexpr int kDeepestLevel = 11;

struct SearchTables {
    int16_t SearchDepth = 1;
    int16_t SearchMoves[kDeepestLevel + 1][kMaxCandidates + 1] = {};
    // Static scores first; searched candidates then hold their backed-up values.
    Tenths SearchScores[kDeepestLevel + 1][kMaxCandidates + 1] = {};
    int16_t SearchCount[kDeepestLevel + 1] = {};
    Tenths SearchBest[kDeepestLevel + 1] = {};
    int16_t SearchBoardSave[kDeepestLevel][kBoardEntries] = {};

    CandidateColumn Column(int depth) {
        return {SearchMoves[depth], SearchScores[depth], SearchCount[depth]};
    }
};

}  // namespace orbel
