#include "bench/analysis_bench.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "bench/bench_position.h"
#include "computer/analysis.h"
#include "engine/values.h"
#include "game/game.h"
#include "game/game_review.h"

namespace orbel {

namespace {

constexpr int kMiddleGameMoves = 15;

std::string Line(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

// The last stored middle game of the size, or nullptr.
const BenchPosition* MiddleGame(int size) {
    const BenchPosition* found = nullptr;
    for (const BenchPosition& p : BenchPositions())
        if (p.size == size && p.moves.count() >= kMiddleGameMoves) found = &p;
    return found;
}

struct Totals {
    uint64_t nodes = 0;
    double seconds = 0;
};

// Levels 1..deepest on a new analyser; one line per level.
Totals TimeDeepen(const BoardState& b, int deepest, int threads, bool everyExact,
                  std::ostream& out) {
    AnalyserOptions options;
    options.threads = threads;
    options.exactUpTo = everyExact ? kDeepestLevel : 0;
    auto analyser = std::make_unique<Analyser>(options);
    Totals totals;
    analyser->Deepen(b, deepest, nullptr, [&](const LevelAnalysis& a) {
        totals.nodes += a.nodes;
        totals.seconds += a.seconds;
        out << Line("  %4d  %5d  %-10s  %5d  %11" PRIu64 "  %9.1f  %9.1f  %-8s %d\n", b.BoardSize,
                    b.MoveNumber - 1, everyExact ? "every" : "best only", a.level, a.nodes,
                    a.seconds * 1000, totals.seconds * 1000, ValueText(a.best.value).c_str(),
                    a.best.count);
    });
    return totals;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The lines the analysis window shows at the deepest level, on the analyser that deepened
// to it: after the best move, and after each other candidate.
void TimeLines(const BoardState& b, int deepest, int threads, std::ostream& out) {
    AnalyserOptions options;
    options.threads = threads;
    auto analyser = std::make_unique<Analyser>(options);
    auto last = std::make_unique<LevelAnalysis>();
    analyser->Deepen(b, deepest, nullptr, [&](const LevelAnalysis& a) { *last = a; });
    if (last->count == 0) return;
    ExpectedLine line;
    auto start = std::chrono::steady_clock::now();
    analyser->ExpectLine(b, last->best.codes[0], deepest, nullptr, line);
    const double best = MillisecondsSince(start);
    double total = 0;
    double slowest = 0;
    for (int i = 1; i < last->count; ++i) {
        start = std::chrono::steady_clock::now();
        analyser->ExpectLine(b, last->moves[i].code, deepest, nullptr, line);
        const double spent = MillisecondsSince(start);
        total += spent;
        slowest = std::max(slowest, spent);
    }
    out << Line(
        "  %4d  %5d  line at level %d: after the best ms %.1f; after the %d others "
        "ms %.1f each, at most %.1f\n",
        b.BoardSize, b.MoveNumber - 1, deepest, best, last->count - 1,
        last->count > 1 ? total / (last->count - 1) : 0.0, slowest);
}

// The game's own clock, without a window: pauses end at once.
class NoWaiting final : public Scheduler {
  public:
    void After(float, std::function<void()> then) override { then(); }
    void Post(std::function<void()> then) override { then(); }
};

// A review row stepped into: the game replayed to its last move, then taken back to its
// first, as the analysis window's review does it.
void TimeStepBack(const BenchPosition& position, std::ostream& out) {
    NoWaiting clock;
    Game game(clock, std::make_unique<ComputerPlayer>());
    GameRecord record;
    record.BoardSize = static_cast<int16_t>(position.size);
    record.Moves = position.moves;
    game.TakeRecord(record);
    game.controller().OpenGame(0);
    for (int i = 0; i < position.moves.count(); ++i) game.controller().StepForward();
    const auto start = std::chrono::steady_clock::now();
    game.controller().StepBackTo(1);
    out << Line("  %4d  %5d  back to move 1 at once: ms %.2f\n", position.size,
                position.moves.count(), MillisecondsSince(start));
}

bool TimeReview(int threads, std::ostream& out) {
    const BenchPosition& game = ReviewBenchGame();
    const int moves = game.moves.count();
    AnalyserOptions options;
    options.threads = threads;
    auto analyser = std::make_unique<Analyser>(options);
    Totals totals;
    Tenths losses[2] = {0, 0};
    const auto start = std::chrono::steady_clock::now();
    const ReviewEnd end = ReviewGame(*analyser, game.size, game.moves, kReviewLevel, nullptr,
                                     [&](const ReviewedMove& move) {
                                         totals.nodes += move.nodes;
                                         losses[move.side == Red ? 0 : 1] += move.loss;
                                     });
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    if (end != ReviewEnd::Finished) {
        out << "review: the rules refuse a move of the bench game\n";
        return false;
    }
    out << Line("review: %d x %d game of %d moves at level %d: nodes %" PRIu64
                "  ms %.1f  ms per move %.1f  losses Red %s Blue %s\n",
                game.size, game.size, moves, kReviewLevel, totals.nodes, spent.count(),
                spent.count() / moves, FormatTenths(losses[0]).c_str(),
                FormatTenths(losses[1]).c_str());
    return true;
}

}  // namespace

bool RunAnalysisBench(int deepest, int threads, std::ostream& out) {
    out << Line("analysis: levels 1 to %d, threads %d\n", deepest, threads);
    out << "  size  moves  values      level        nodes   level ms   total ms  best     "
           "set\n";
    bool sound = true;
    for (int size : {9, 17}) {
        const BenchPosition* position = MiddleGame(size);
        auto b = std::make_unique<BoardState>();
        if (!position || !SetUpBenchPosition(*position, *b)) {
            out << Line("  %4d  no middle game the rules accept\n", size);
            sound = false;
            continue;
        }
        for (bool every : {true, false}) {
            const Totals totals = TimeDeepen(*b, deepest, threads, every, out);
            out << Line("  %4d  %5d  %-10s  total  %11" PRIu64 "  %9.1f\n", size,
                        position->moves.count(), every ? "every" : "best only", totals.nodes,
                        totals.seconds * 1000);
        }
        TimeLines(*b, deepest, threads, out);
        TimeStepBack(*position, out);
    }
    return TimeReview(threads, out) && sound;
}

}  // namespace orbel
