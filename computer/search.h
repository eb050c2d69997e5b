// The computer's look-ahead, written step by step as the rules give it. It is the
// reference that any faster search must agree with.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "computer/random.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

// What the search shows while it thinks; the window supplies the real thing.
class SearchDisplay {
  public:
    virtual ~SearchDisplay() = default;
    virtual void ShowMessage(std::string_view) {}
    virtual void ShowBusyPointer() {}
    virtual void RestorePointer() {}
    virtual void WaitSeconds(float) {}
};

struct SearchRun {
    int level = 1;
    const std::atomic<bool>* stop = nullptr;  // checked at every node
    uint64_t nodes = 0;                       // trial moves scored

    bool Stopped() const { return stop && stop->load(std::memory_order_relaxed); }
};

// Generates, sorts and values the root candidates of SideToMove at run.level, leaving them
// in row 1 of the tables. Board and SideToMove are restored; returns false if stopped.
bool SearchRootValues(BoardState& b, SearchTables& t, SearchRun& run);

// The coin-flip walk over row 1: a later candidate with a greater value replaces the
// choice, an equal one replaces it when RandomBelow(2) is 1. 0 for an empty row.
int PickRootCandidate(const SearchTables& t, RandomSource& random);

// Thinking message, busy pointer, pause, search, choice, pointer back. Returns the entry
// of row 1 to play, 0 only when the side to move has no legal move.
int ChooseComputerMove(BoardState& b, SearchTables& t, int level, RandomSource& random,
                       SearchDisplay& display);

// The highest value in row 1 and the candidates that reach it, in row order.
Tenths BestRootValue(const SearchTables& t);
int BestRootMoves(const SearchTables& t, int16_t* codes);

}  // namespace orbel
