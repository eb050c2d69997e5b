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
    // The shallowest level of the run of levels up to this one that knew the move's value
    // decided, and decided the same way: an exact value that is won or lost, or an upper
    // bound that is lost. 0 while it is not known decided.
    int8_t decidedAt = 0;
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
    // The position's value held still, the side to move's view: SteadyValue of the best
    // values of this level and the level before (see CarryOver); until then the best value.
    Tenths evaluation = 0;
    // As AnalysedMove::decidedAt, for the best value.
    int decidedAt = 0;
    uint64_t nodes = 0;
    double seconds = 0;
};

// `next`, the level after `previous` of the same position, takes over what the levels
// before it know: its evaluation holds still and its decided values keep the level where
// their run began. Without it a level stands alone.
void CarryOver(const LevelAnalysis& previous, LevelAnalysis& next);

// How many moves an expected line holds at most.
constexpr int kLineLength = 6;

// The moves a search expects from a position on: a move, the best reply to it, the best
// answer to that, and so on.
struct ExpectedLine {
    int level = 0;  // the level the first move was valued at
    int count = 0;
    int16_t codes[kLineLength] = {};
};

// The best set of `position`'s side to move at `level`; false if the search was stopped.
using BestAt = std::function<bool(const BoardState& position, int level, BestMoves& out)>;

// `first`, a legal push of `position`'s side to move, then at each position reached the
// first move of its best set (as `best` finds it) one level less deep than the move before:
// the reply at level - 1, the answer to it at level - 2, and so on. It ends after
// kLineLength moves, after the move valued at level 1, or where the game ends (a line
// completed, a side left without a push). Each position is searched with its own move
// number, as the game would search it there. False if `best` was stopped or `first` is not
// a legal push; `out` is then of no use.
bool ExpectLine(const BoardState& position, int first, int level, const BestAt& best,
                ExpectedLine& out);

// One completed move of a reviewed game.
struct ReviewedMove {
    int moveNumber = 0;  // 1 for the first move of the game
    int side = 0;        // who made it: Red or Blue
    int16_t code = 0;
    int16_t placed = 0;  // the placement cell
    int16_t moved = 0;   // the cell the placed orbel was pushed to
    Tenths value = 0;    // the move's exact value at the level, the mover's view
    BestMoves best;      // the best value and the best set at the level, the mover's view
    // The move's value and the best value held still: SteadyValue of those at the level
    // and one level less deep (at level 1, those of level 1 alone), the mover's view.
    Tenths steadyValue = 0;
    Tenths steadyBest = 0;
    // CappedValue(steadyBest) - CappedValue(steadyValue), which is never below 0: 0 for a
    // move of both levels' best sets or a winning one, at most twice kValueCap (from won
    // to lost).
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

    // Levels 1 to maxLevel in turn, each carried over from the one before and reported once
    // it is complete (the analysis passed to onLevel lives until the next level is done). Returns
    // false as soon as `stop` is raised, without reporting the level it interrupted.
    bool Deepen(const BoardState& position, int maxLevel, const std::atomic<bool>* stop,
                const std::function<void(const LevelAnalysis&)>& onLevel);

    // One move of a review: `code`, a legal push, played by the side to move of
    // `position` (its move number and side go into `out`), valued at `level` and one level
    // less deep: exact at any level, searched on its own when it is not one of the best
    // set. False if `stop` was raised or `code` is not a legal push.
    bool ReviewMove(const BoardState& position, int code, int level, const std::atomic<bool>* stop,
                    ReviewedMove& out);

    // ExpectLine with this analyser's search.
    bool ExpectLine(const BoardState& position, int first, int level, const std::atomic<bool>* stop,
                    ExpectedLine& out);

  private:
    AnalyserOptions options_;
    FastSearch search_;
    std::unique_ptr<RootCandidates> candidates_;
    std::unique_ptr<LevelAnalysis> level_;
    std::unique_ptr<LevelAnalysis> previous_;
    std::unique_ptr<BestMoves> shallow_;
};

}  // namespace orbel
