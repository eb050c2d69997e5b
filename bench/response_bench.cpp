#include "bench/response_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_position.h"
#include "computer/analysis.h"
#include "computer/computer_player.h"
#include "computer/search_worker.h"
#include "game/game_review.h"

namespace orbel {

namespace {

constexpr int kMiddleGameMoves = 15;
constexpr int kRounds = 5;
// The person looks at the board this long before moving; the analysis is still searching
// when the computer starts.
constexpr auto kPersonThinks = std::chrono::milliseconds(150);

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Line(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// What the open window keeps: an analyser for the position and one for the review, each
// on its own worker.
class OpenAnalysis {
  public:
    OpenAnalysis() : deepening_(OneThread()), review_(OneThread()) {}

    void Start(const BoardState& position, const GameMoves& moves) {
        *position_ = position;
        *moves_ = moves;
        // Each level with the line after its best, as the window searches them.
        deepeningWorker_.Run([this](const std::atomic<bool>& stop) {
            deepening_.Deepen(*position_, kDeepestLevel, &stop, [&](const LevelAnalysis& a) {
                if (a.best.count > 0)
                    deepening_.ExpectLine(*position_, a.best.codes[0], a.level, &stop, *line_);
            });
        });
        reviewWorker_.Run([this, size = position.BoardSize](const std::atomic<bool>& stop) {
            ReviewGame(review_, size, *moves_, kReviewLevel, &stop, [](const ReviewedMove&) {});
        });
    }
    void Cancel() {
        deepeningWorker_.Cancel();
        reviewWorker_.Cancel();
    }

  private:
    static AnalyserOptions OneThread() {
        AnalyserOptions options;
        options.threads = 1;
        return options;
    }

    std::unique_ptr<BoardState> position_ = std::make_unique<BoardState>();
    std::unique_ptr<GameMoves> moves_ = std::make_unique<GameMoves>();
    std::unique_ptr<ExpectedLine> line_ = std::make_unique<ExpectedLine>();
    Analyser deepening_;
    Analyser review_;
    SearchWorker deepeningWorker_;
    SearchWorker reviewWorker_;
};

struct Times {
    std::vector<double> closed, open, cancel;
};

// One answer of a new computer, after the person's pause, with or without the analysis.
void TimeAnswer(OpenAnalysis* analysis, const BoardState& b, const GameMoves& moves, int level,
                Times& times) {
    const std::atomic<bool> never{false};
    auto computer = std::make_unique<ComputerPlayer>();
    if (analysis) analysis->Start(b, moves);
    std::this_thread::sleep_for(kPersonThinks);
    const auto start = Clock::now();
    if (analysis) {
        analysis->Cancel();
        times.cancel.push_back(MillisecondsSince(start));
    }
    computer->Choose(b, level, never);
    (analysis ? times.open : times.closed).push_back(MillisecondsSince(start));
}

}  // namespace

bool RunResponseBench(int level, std::ostream& out) {
    auto analysis = std::make_unique<OpenAnalysis>();
    out << Line(
        "response: the game's computer at level %d, median of %d; open: the analysis "
        "deepens to level %d and reviews at level %d until the computer starts\n",
        level, kRounds, kDeepestLevel, kReviewLevel);
    out << "  size  moves   closed ms     open ms   stopping ms\n";
    double closed = 0;
    double open = 0;
    auto b = std::make_unique<BoardState>();
    for (const BenchPosition& p : BenchPositions()) {
        if (p.moves.count() < kMiddleGameMoves) continue;
        if (!SetUpBenchPosition(p, *b)) {
            out << Line("  %4d  %5d  refused by the rules\n", p.size, p.moves.count());
            return false;
        }
        Times times;
        for (int round = 0; round < kRounds; ++round) {
            TimeAnswer(nullptr, *b, p.moves, level, times);
            TimeAnswer(analysis.get(), *b, p.moves, level, times);
        }
        closed += Median(times.closed);
        open += Median(times.open);
        out << Line("  %4d  %5d  %10.1f  %10.1f  %12.2f\n", p.size, p.moves.count(),
                    Median(times.closed), Median(times.open), Median(times.cancel));
    }
    out << Line("  total       %10.1f  %10.1f\n", closed, open);
    return true;
}

}  // namespace orbel
