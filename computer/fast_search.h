// The computer's look-ahead made fast: the same root values as SearchRootValues where it
// matters (the best value and every candidate that reaches it), found by alpha-beta with a
// transposition table on bit-mask boards, on as many threads as asked for.
#pragma once

#include <cstddef>
#include <memory>

#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

struct FastSearchOptions {
    int threads = 0;                  // 0: one per hardware thread
    std::size_t tableMegabytes = 16;  // transposition table, shared by all threads
    bool deepening = true;  // search the levels of the same parity below first, for move order
};

class FastSearch {
  public:
    // Everything the searches need, threads included, is set up here. One search runs at a
    // time; its stop flag may be raised from any thread.
    explicit FastSearch(const FastSearchOptions& options = {});
    ~FastSearch();
    FastSearch(const FastSearch&) = delete;
    FastSearch& operator=(const FastSearch&) = delete;

    // Same contract as SearchRootValues: row 1 holds the root candidates of SideToMove in
    // GenerateMoves and SortCandidates order, each with its value at run.level (at most
    // kDeepestLevel). The highest value and the set of candidates that reach it are the
    // step-by-step search's; any other candidate holds a value below the highest. Board and
    // SideToMove are left as they were; returns false, with row 1 holding static scores
    // only, if run.stop was raised. run.nodes grows by the pushes scored.
    bool RootValues(BoardState& b, SearchTables& t, SearchRun& run);

    int Threads() const;
    // Forgets every stored bound (they stay valid between searches otherwise).
    void ClearTable();

  private:
    struct Pool;
    std::unique_ptr<Pool> pool_;
};

}  // namespace orbel
