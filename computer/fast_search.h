// The computer's look-ahead made fast: the same root values as SearchRootValues where it
// matters (the best value and every candidate that reaches it), found by alpha-beta with a
// transposition table on bit-mask boards, on as many threads as asked for.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "computer/best_moves.h"
#include "computer/search.h"
#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

struct FastSearchOptions {
    int threads = 0;                  // 0: one per hardware thread
    std::size_t tableMegabytes = 16;  // transposition table, shared by all threads
    bool deepening = true;  // search the levels of the same parity below first, for move order
};

// Which root values a search makes exact.
enum class RootValueMode {
    // The best value and every candidate that reaches it, as the game needs them; any other
    // candidate holds an upper bound below the best ("at most").
    Best,
    // Every candidate's value at the level: see FastSearch::Candidates.
    Every,
};

// The root candidates of a position in GenerateMoves and SortCandidates order, each with its
// static score and its value at the level searched.
struct RootCandidates {
    int count = 0;
    int16_t codes[kMaxCandidates] = {};
    Tenths scores[kMaxCandidates] = {};  // Whole(EvaluateMove) of the position it reaches
    Tenths values[kMaxCandidates] = {};
};

// The best value and the best set of searched root candidates, as SearchRootValues decides
// them: the highest value and every candidate reaching it, except at a root where the side to
// move completes its own line, where the lines are the best whatever the others are worth.
void BestOfCandidates(const RootCandidates& candidates, BestMoves& out);

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

    // The best value and the best set of `position`'s side to move at `level` (1 to
    // kDeepestLevel), exactly those of SearchRootValues, without tables. Returns false, with
    // `out` empty, if `stop` (may be null) was raised; `out` is also empty when the side to
    // move has no push. `nodes`, if given, grows by the pushes scored.
    bool Best(const BoardState& position, int level, const std::atomic<bool>* stop, BestMoves& out,
              uint64_t* nodes = nullptr);

    // Every root candidate of `position` with its value at `level`. With RootValueMode::Best
    // the values are RootValues' (the best value and the best set exact, any other value an
    // upper bound below the best). With RootValueMode::Every each value is exact, the one
    // CandidateValue gives; BestOfCandidates then still finds SearchRootValues' best value and
    // best set. Returns false if `stop` was raised; `out` then holds the candidates and
    // their static scores, and its values are of no use.
    bool Candidates(const BoardState& position, int level, RootValueMode mode,
                    const std::atomic<bool>* stop, RootCandidates& out, uint64_t* nodes = nullptr);

    // The exact value at `level` of the root candidate `code` of `position`, a legal push
    // of its side to move. At level 1, or when the push completes the mover's own line (the
    // game ends there), it is the static score. Otherwise it is the static score discounted
    // by a tenth less the value of the position the push reaches, searched `level - 1`
    // plies deep as the step-by-step search backs values up below its root (never less
    // than kNoScore; the move number stays the root's, as in every search): the best value
    // SearchRootValues finds for that position, or kNoScore when its side has no push. It
    // is the value SearchRootValues itself gives the candidate whenever no cut-off at the
    // root's replies ends its search early, which is always so for the best set; other
    // candidates there only hold upper bounds. Returns false, with `value` as it was, if
    // `stop` was raised or `code` is not a legal push.
    bool CandidateValue(const BoardState& position, int level, int code,
                        const std::atomic<bool>* stop, Tenths& value, uint64_t* nodes = nullptr);

  private:
    struct Pool;
    std::unique_ptr<Pool> pool_;
};

}  // namespace orbel
