// The computer's look-ahead, written step by step as the rules give it. It is the
// reference that any faster search must agree with.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "computer/random.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

struct SearchRun {
    int level = 1;
    const std::atomic<bool>* stop = nullptr;  // checked at every node
    uint64_t nodes = 0;                       // trial moves scored

    bool Stopped() const { return stop && stop->load(std::memory_order_relaxed); }
};

// Generates, sorts and values the root candidates of SideToMove at run.level, leaving them
// in row 1 of the tables. Board and SideToMove are restored; returns false if stopped.
bool SearchRootValues(BoardState& b, SearchTables& t, SearchRun& run);

// A search that leaves the same root values as SearchRootValues where they decide the
// choice; the game plays with the fast one.
using RootSearch = std::function<bool(BoardState&, SearchTables&, SearchRun&)>;

// Which search a tool runs and how: passed in, so that a faster search giving the same
// values can stand in for the reference one.
struct SearchOptions {
    int level = 1;
    int threads = 1;  // for a search that can use them; the reference runs on one
    RootSearch search = SearchRootValues;
};

// The coin-flip walk over `count` candidates in order: a later one with a greater value
// takes the choice, an equal one takes it when RandomBelow(2) is 1. Returns 0..count-1
// (0 when count is 0).
template <class ValueOf>
int CoinFlipWalk(int count, ValueOf valueOf, RandomSource& random) {
    int choice = 0;
    for (int i = 1; i < count; ++i) {
        if (valueOf(i) > valueOf(choice))
            choice = i;
        else if (valueOf(i) == valueOf(choice) && random.RandomBelow(2) == 1)
            choice = i;
    }
    return choice;
}

// The coin-flip walk over row 1. 0 for an empty row.
int PickRootCandidate(const SearchTables& t, RandomSource& random);

// The highest value in row 1 and the candidates that reach it, in row order.
Tenths BestRootValue(const SearchTables& t);
int BestRootMoves(const SearchTables& t, int16_t* codes);

}  // namespace orbel
