#include "computer/analysis.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "engine/game_moves.h"
#include "engine/lines.h"
#include "engine/move_rules.h"

namespace orbel {

namespace {

FastSearchOptions SearchOptionsOf(const AnalyserOptions& options) {
    FastSearchOptions search;
    search.threads = options.threads;
    search.tableMegabytes = options.tableMegabytes;
    return search;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool InSet(const BestMoves& best, int code) {
    return std::find(best.codes, best.codes + best.count, code) != best.codes + best.count;
}

// The best set first, in row order; then the others by falling value, row order on ties.
void SortBestFirst(LevelAnalysis& out) {
    std::stable_sort(out.moves, out.moves + out.count,
                     [](const AnalysedMove& a, const AnalysedMove& b) {
                         if (a.best != b.best) return a.best;
                         return !a.best && a.value > b.value;
                     });
}

// What a value tells of the end: Won or Lost where it is known decided, else Open. An upper
// bound is known decided only where it is lost.
Outcome KnownOutcome(Tenths value, ValueKind kind) {
    const Outcome outcome = OutcomeOf(value);
    if (kind == ValueKind::Exact || (kind == ValueKind::AtMost && outcome == Outcome::Lost))
        return outcome;
    return Outcome::Open;
}

// The level a decided value's run began: the earlier level's when it knew the same end.
int RunStart(Outcome now, int level, Outcome before, int beganBefore) {
    if (now == Outcome::Open) return 0;
    return now == before && beganBefore > 0 ? beganBefore : level;
}

// The first level of a run, as a move keeps it.
int8_t Level8(int level) {
    return static_cast<int8_t>(level);
}

}  // namespace

void CarryOver(const LevelAnalysis& previous, LevelAnalysis& next) {
    if (previous.level < 1 || previous.level != next.level - 1 ||
        previous.moveNumber != next.moveNumber || previous.sideToMove != next.sideToMove ||
        previous.count != next.count || next.count == 0)
        return;
    next.evaluation = SteadyValue(next.best.value, previous.best.value);
    next.decidedAt = RunStart(OutcomeOf(next.best.value), next.level,
                              OutcomeOf(previous.best.value), previous.decidedAt);
    // Codes index the earlier level's moves.
    std::array<int16_t, MoveCode(kBoardEntries, kUp) + 1> at;
    at.fill(-1);
    for (int i = 0; i < previous.count; ++i) at[previous.moves[i].code] = static_cast<int16_t>(i);
    for (int i = 0; i < next.count; ++i) {
        AnalysedMove& m = next.moves[i];
        const int k = at[m.code];
        if (k < 0) continue;
        const AnalysedMove& before = previous.moves[k];
        m.decidedAt = Level8(RunStart(KnownOutcome(m.value, m.kind), next.level,
                                      KnownOutcome(before.value, before.kind), before.decidedAt));
    }
}

bool ExpectLine(const BoardState& position, int first, int level, const BestAt& best,
                ExpectedLine& out) {
    out.level = level;
    out.count = 0;
    BoardState b = position;
    BestMoves replies;
    int code = first;
    for (int depth = level; depth >= 1 && out.count < kLineLength; --depth) {
        if (out.count > 0) {
            if (!best(b, depth, replies)) return false;
            if (replies.count == 0) break;
            code = replies.codes[0];
        }
        if (PlayMove(b, PlayedMoveOf(b.BoardSize, code)) != MoveFault::None) return false;
        out.codes[out.count++] = static_cast<int16_t>(code);
        if (ScanLines(b).Any() || !HasLegalMove(b)) break;
    }
    return true;
}

Analyser::Analyser(const AnalyserOptions& options)
    : options_(options),
      search_(SearchOptionsOf(options)),
      candidates_(std::make_unique<RootCandidates>()),
      level_(std::make_unique<LevelAnalysis>()),
      previous_(std::make_unique<LevelAnalysis>()),
      shallow_(std::make_unique<BestMoves>()) {}

Analyser::~Analyser() = default;

bool Analyser::AnalyseLevel(const BoardState& position, int level, const std::atomic<bool>* stop,
                            LevelAnalysis& out) {
    const auto start = std::chrono::steady_clock::now();
    level = std::clamp(level, 1, kDeepestLevel);
    const RootValueMode mode =
        level <= options_.exactUpTo ? RootValueMode::Every : RootValueMode::Best;
    uint64_t nodes = 0;
    RootCandidates& c = *candidates_;
    if (!search_.Candidates(position, level, mode, stop, c, &nodes)) return false;

    out.level = level;
    out.sideToMove = position.SideToMove;
    out.moveNumber = position.MoveNumber;
    BestOfCandidates(c, out.best);
    // Where the mover completes a line the search looks no further; without exact values
    // the other pushes keep their static scores.
    const bool ownLine = c.count > 0 && c.scores[0] > Whole(9999);
    out.count = c.count;
    for (int i = 0; i < c.count; ++i) {
        AnalysedMove& m = out.moves[i];
        m.code = c.codes[i];
        m.cell = static_cast<int16_t>(PlacementOf(m.code));
        m.direction = static_cast<int16_t>(DirectionOf(m.code));
        m.score = c.scores[i];
        m.value = c.values[i];
        m.best = InSet(out.best, m.code);
        m.kind = mode == RootValueMode::Every || level == 1 || m.best ? ValueKind::Exact
                 : ownLine                                            ? ValueKind::Static
                                                                      : ValueKind::AtMost;
        m.decidedAt = Level8(RunStart(KnownOutcome(m.value, m.kind), level, Outcome::Open, 0));
    }
    out.evaluation = out.best.value;
    out.decidedAt = RunStart(OutcomeOf(out.best.value), level, Outcome::Open, 0);
    SortBestFirst(out);
    out.nodes = nodes;
    out.seconds = SecondsSince(start);
    return true;
}

bool Analyser::Deepen(const BoardState& position, int maxLevel, const std::atomic<bool>* stop,
                      const std::function<void(const LevelAnalysis&)>& onLevel) {
    const int deepest = std::min(maxLevel, kDeepestLevel);
    for (int level = 1; level <= deepest; ++level) {
        std::swap(previous_, level_);
        if (!AnalyseLevel(position, level, stop, *level_)) return false;
        CarryOver(*previous_, *level_);
        onLevel(*level_);
    }
    return true;
}

bool Analyser::ReviewMove(const BoardState& position, int code, int level,
                          const std::atomic<bool>* stop, ReviewedMove& out) {
    const auto start = std::chrono::steady_clock::now();
    level = std::clamp(level, 1, kDeepestLevel);
    uint64_t nodes = 0;
    if (!search_.Best(position, level, stop, out.best, &nodes)) return false;
    // A move of the best set has the best value; any other is searched on its own.
    Tenths value = out.best.value;
    if (!InSet(out.best, code) &&
        !search_.CandidateValue(position, level, code, stop, value, &nodes))
        return false;
    // The same one level less deep, to hold both values still.
    BestMoves& shallow = *shallow_;
    Tenths shallowValue = value;
    shallow = out.best;
    if (level > 1) {
        if (!search_.Best(position, level - 1, stop, shallow, &nodes)) return false;
        shallowValue = shallow.value;
        if (!InSet(shallow, code) &&
            !search_.CandidateValue(position, level - 1, code, stop, shallowValue, &nodes))
            return false;
    }
    out.moveNumber = position.MoveNumber;
    out.side = position.SideToMove;
    out.code = static_cast<int16_t>(code);
    const PlayedMove move = PlayedMoveOf(position.BoardSize, code);
    out.placed = move.placed;
    out.moved = move.moved;
    out.value = value;
    out.steadyValue = SteadyValue(value, shallowValue);
    out.steadyBest = SteadyValue(out.best.value, shallow.value);
    out.loss = std::max(0, CappedValue(out.steadyBest) - CappedValue(out.steadyValue));
    out.nodes = nodes;
    out.seconds = SecondsSince(start);
    return true;
}

bool Analyser::ExpectLine(const BoardState& position, int first, int level,
                          const std::atomic<bool>* stop, ExpectedLine& out) {
    return orbel::ExpectLine(
        position, first, level,
        [this, stop](const BoardState& b, int depth, BestMoves& best) {
            return search_.Best(b, depth, stop, best);
        },
        out);
}

}  // namespace orbel
