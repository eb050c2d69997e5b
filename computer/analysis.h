// Analysis for a person to read: every candidate of a position with its value, level after
// level, and the review of a whole game, all from the fast search the game plays with.
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
#include "records/record_file.h"

namespace orbel {

// Values are the search's own, in tenths from the side to move's view: a static score s
// counts s / 10 at every ply above the leaves and s at a leaf. A line of one's own is worth
// Whole(10000) where it is made and running out of pushes Whole(-100000) to the side that
// cannot move; the discounted static scores of the plies on the way add at most a few
// hundred units to either, while a position nobody has won stays within a few hundred
// units of 0. So a value at or beyond ±kDecidedValue is a position the search sees as won
// or lost. The value does not tell how many plies away the end is.
constexpr Tenths kDecidedValue = Whole(5000);

// What a won or lost value counts as in a review's loss (and may be drawn as in a graph):
// values are held to ±kValueCap, won and lost ones at the cap. Open positions seldom reach
// it (in self-play games of every size reviewed at level 5, 99 in 100 open values lay
// within ±10 units), so one move that turns an even position into a lost one costs 20
// units, a few clear inaccuracies' worth, and not a hundred thousand.
constexpr Tenths kValueCap = Whole(20);

enum class Outcome { Open, Won, Lost };
Outcome OutcomeOf(Tenths value);

// The text a person reads: "won", "lost", or the value with its sign and one decimal:
// "+1.5", "-0.3", "0.0".
std::string ValueText(Tenths value);

// A value from the side to move's view turned to Red's (sideToMove is Red or Blue).
constexpr Tenths RedView(Tenths value, int sideToMove) {
    return sideToMove == Red ? value : -value;
}

// The value held to ±kValueCap, won and lost values at the cap: the scale of the loss.
Tenths CappedValue(Tenths value);

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

enum class ReviewEnd { Finished, Stopped, Refused };

struct AnalyserOptions {
    int threads = 1;
    std::size_t tableMegabytes = 16;
    // Up to this level every candidate's value is exact; above it only the best set's are
    // and every other value is AtMost. Exact values of every candidate cost about as much
    // as the best alone in openings and five to thirty times as much in middle games: on
    // one thread an open 9 x 9 middle game deepened to level 9 takes 1.3 s for level 9
    // against 0.24 s, but 6 s and 14.5 s for levels 10 and 11 against 0.4 s and 2 s.
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

    // Replays `record` from a new game and reports every completed move in turn, valued at
    // `level` (the move's value exact at any level, searched on its own when it is not one
    // of the best set). A record the rules refuse is reported by none of its moves: the answer is
    // Refused, with the reason in `refusal` if given. Stopped as soon as `stop` is raised,
    // without reporting the move it interrupted.
    ReviewEnd ReviewGame(const GameRecord& record, int level, const std::atomic<bool>* stop,
                         const std::function<void(const ReviewedMove&)>& onMove,
                         RecordStatus* refusal = nullptr);

    // One move of a review: `code`, a legal push, played by the side to move of
    // `position` (its move number and side go into `out`). False if `stop` was raised or
    // `code` is not a legal push.
    bool ReviewMove(const BoardState& position, int code, int level, const std::atomic<bool>* stop,
                    ReviewedMove& out);

  private:
    AnalyserOptions options_;
    FastSearch search_;
    std::unique_ptr<RootCandidates> candidates_;
    std::unique_ptr<LevelAnalysis> level_;
    std::unique_ptr<ReviewedMove> reviewed_;
    std::unique_ptr<BoardState> board_;
};

}  // namespace orbel
