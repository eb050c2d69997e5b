#include "computer/analysis.h"

#include <algorithm>
#include <chrono>

#include "engine/game_moves.h"
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

}  // namespace

Analyser::Analyser(const AnalyserOptions& options)
    : options_(options),
      search_(SearchOptionsOf(options)),
      candidates_(std::make_unique<RootCandidates>()),
      level_(std::make_unique<LevelAnalysis>()) {}

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
    }
    SortBestFirst(out);
    out.nodes = nodes;
    out.seconds = SecondsSince(start);
    return true;
}

bool Analyser::Deepen(const BoardState& position, int maxLevel, const std::atomic<bool>* stop,
                      const std::function<void(const LevelAnalysis&)>& onLevel) {
    const int deepest = std::min(maxLevel, kDeepestLevel);
    for (int level = 1; level <= deepest; ++level) {
        if (!AnalyseLevel(position, level, stop, *level_)) return false;
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
    out.moveNumber = position.MoveNumber;
    out.side = position.SideToMove;
    out.code = static_cast<int16_t>(code);
    const PlayedMove move = PlayedMoveOf(position.BoardSize, code);
    out.placed = move.placed;
    out.moved = move.moved;
    out.value = value;
    out.loss = std::max(0, CappedValue(out.best.value) - CappedValue(value));
    out.nodes = nodes;
    out.seconds = SecondsSince(start);
    return true;
}

}  // namespace orbel
