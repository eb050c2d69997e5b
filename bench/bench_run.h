// The search benchmark: fixed positions, nodes, time, and a signature of the results.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

#include "bench/bench_position.h"
#include "computer/search.h"

namespace orbel {

constexpr int kBenchLevel = 6;

struct BenchSummary {
    uint64_t nodes = 0;
    double ms = 0;
    // Folds in every position's sorted root candidates, best value and best moves, so
    // any change to what the search decides changes it.
    uint64_t signature = 0;
    double referenceMs = 0;
    uint64_t referenceSignature = 0;
    bool refusedPosition = false;
};

// Runs options.search on every position and prints a line for each and the totals. With
// `reference`, also runs the reference search on each and compares the signatures.
BenchSummary RunBench(std::span<const BenchPosition> positions, const SearchOptions& options,
                      bool reference, std::ostream& out);

}  // namespace orbel
