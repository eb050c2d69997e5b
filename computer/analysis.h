// Analysis for a person to read: every candidate of a position with its value, level after
// level, and the value of one move against the best, all from the fast search the game
// plays with.
// Everything here is synchronous and Qt-free; a caller that wants it in the background runs
// it on a thread of its own and raises the stop flag from any other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "computer/best_moves.h"
#include "computer/fast_search.h"
#include "computer/search_tables.h"
#include "engine/board.h"
#include "engine/move_generation.h"
#include "engine/values.h"

namespace orbel {

// How far a candidate's value can be trusted.
enum class ValueKind : uint8_t {
    Exact,   // its value at the level
    AtMost,  // an upper bound: the search only showed that it stays below the best
    Static,  // not searched: another push completes the mover's line, which the search
             // plays at once; the value is the static score
};

struct AnalysedMove {
    int16_t code = 0;       // MoveCode
    int16_t cell = 0;       // the placement cell
    int16_t direction = 0;  // the push: 2 down, 4 left, 6 right, 8 up
    Tenths score = 0;       // static score, in tenths as the search reads it at a leaf
    Tenths value = 0;       // value at the level, side to move's view
    ValueKind kind = ValueKind::Exact;
    bool best = false;  // one of the best set
};

// One level of one position.
struct LevelAnalysis {
    int level = 0;
    int sideToMove = 0;
    int moveNumber = 0;
    // Every candidate, best first: the best set in the order the search sorted it, then the
    // others by falling value (equal values in that order too). Empty without a push.
    int count = 0;
    AnalysedMove moves[kMaxCandidates];
    // The best value and the best set in the order the search sorted them: what
    // `orbelfive-cli analyse --level` prints as "value" and "best". value is kNoScore and
    // the set empty when there is no push. Where the side to move completes its own line,
    // the lines are the best set, as the search plays them at once, although another push
    // winning a few plies later may be worth a little more by the numbers.
    BestMoves best;
    uint64_t nodes = 0;
    double seconds = 0;
};

// One completed move of a reviewed game.
struct ReviewedMove {
    int moveNumber = 0;  // 1 for the first move of the game
    int side = 0;        // who made it: Red or Blue
    int16_t code = 0;
    int16_t placed = 0;  // the placement cell
    int16_t moved = 0;   // the cell the placed orbel was pushed to
    Tenths value = 0;    // the move's exact value at the level, the mover's view
    BestMoves best;      // the best value and the best set at the level, the mover's view
    // CappedValue(best.value) - CappedValue(value), which is never below 0: 0 for a move
    // of the best set or a winning one, at most twice kValueCap (from won to lost).
    Tenths loss = 0;
    uint64_t nodes = 0;
    double seconds = 0;
};

struct AnalyserOptions {
    int threads = 1;
    std::size_t tableMegabytes = 16;
    // Up to this level every candidate's value is exact; above it only the best set's are
    // and every other value is AtMost. Exact values of every candidate cost about as much
    // as the best alone in openings and many times as much in deep middle games
    // (`orbelfive-cli bench --analysis` times both).
    int exactUpTo = 9;
};

// One call at a time; the stop flag may be raised from any thread.
class Analyser {
  public:
    // The search, its table and threads and every buffer are made here and nowhere else.
    explicit Analyser(const AnalyserOptions& options = {});
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    // `position` (a board set up by StartPosition and played on) analysed for its side to
    // move at `level` (1 to kDeepestLevel). Returns false if `stop` (may be null) was
    // raised; `out` is then of no use.
    bool AnalyseLevel(const BoardState& position, int level, const std::atomic<bool>* stop,
                      LevelAnalysis& out);

    // Levels 1 to maxLevel in turn, each reported once it is complete (the analysis passed
    // to onLevel lives until the next level begins). Returns false as soon as `stop` is
    // raised, without reporting the level it interrupted.
    bool Deepen(const BoardState& position, int maxLevel, const std::atomic<bool>* stop,
                const std::function<void(const LevelAnalysis&)>& onLevel);

    // One move of a review: `code`, a legal push, played by the side to move of
    // `position` (its move number and side go into `out`), valued at `level`: exact at any
    // level, searched on its own when it is not one of the best set. False if `stop` was
    // raised or `code` is not a legal push.
    bool ReviewMove(const BoardState& position, int code, int level, const std::atomic<bool>* stop,
                    ReviewedMove& out);

  private:
    AnalyserOptions options_;
    FastSearch search_;
    std::unique_ptr<RootCandidates> candidates_;
    std::unique_ptr<LevelAnalysis> level_;
};

}  // namespace orbel
