// The answer of a search that decides a move: the best value at the root and every root
// candidate that reaches it.
#pragma once

#include <cstdint>

#include "engine/move_generation.h"

namespace orbel {

// The root candidates that share the best value, in row order: the set the coin flips
// choose from.
struct BestMoves {
    int16_t codes[kMaxCandidates] = {};
    int count = 0;
    Tenths value = kNoScore;
};

// The highest of values[0..count-1] and the codes that reach it, in the order given. The
// best starts from the first value, not from kNoScore: a root where every push loses by
// running out of pushes falls below it and still has best moves. Empty for count 0.
inline void CollectBestMoves(const int16_t* codes, const Tenths* values, int count,
                             BestMoves& out) {
    out.count = 0;
    out.value = kNoScore;
    if (count == 0) return;
    out.value = values[0];
    for (int i = 1; i < count; ++i)
        if (values[i] > out.value) out.value = values[i];
    for (int i = 0; i < count; ++i)
        if (values[i] == out.value) out.codes[out.count++] = codes[i];
}

}  // namespace orbel
