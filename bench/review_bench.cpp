#include "bench/review_bench.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

#include "computer/analysis.h"
#include "computer/computer_player.h"
#include "engine/game_moves.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/values.h"
#include "game/analysis_session.h"
#include "game/game_review.h"

namespace orbel {

namespace {

constexpr int kSizes[] = {7, 9, 11, 13, 15, 17};
constexpr int kGamesPerSize = 4;
constexpr int kRandomMoves = 0;  // a game of random moves, beside levels 3 to 5
constexpr int kLevels[] = {3, 4, 5, kRandomMoves};

std::string Line(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

double PerHundred(int part, int whole) {
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

// One move of the side to move: the computer's at `level`, or a random one; false when it
// has no push.
bool NextMove(BoardState& b, int level, ComputerPlayer& computer, RandomSource& random,
              GameMoves& moves) {
    const std::atomic<bool> never{false};
    int code = 0;
    if (level == kRandomMoves) {
        int16_t codes[kMaxCandidates + 1];
        Tenths scores[kMaxCandidates + 1];
        int16_t count = 0;
        GenerateMoves(b, {codes, scores, count});
        if (count > 0) code = codes[1 + random.RandomBelow(count)];
    } else {
        code = PickBestMove(computer.Choose(b, level, never), random);
    }
    if (code == 0) return false;
    const PlayedMove move = PlayedMoveOf(b.BoardSize, code);
    moves.Add(move);
    return PlayMove(b, move) == MoveFault::None;
}

struct Tally {
    int games = 0;
    int moves = 0;
    int mistakes = 0;
    int open = 0;
    int withinHalfCap = 0;
};

}  // namespace

bool RunReviewBench(std::ostream& out) {
    auto computer = std::make_unique<ComputerPlayer>();
    auto analyser = std::make_unique<Analyser>();
    auto b = std::make_unique<BoardState>();
    auto moves = std::make_unique<GameMoves>();
    out << Line(
        "review at level %d of %d games on each size from %d to %d, each to its end: a "
        "mistake loses %s or more; open values within %s\n",
        kReviewLevel, kGamesPerSize, kSizes[0], kSizes[std::size(kSizes) - 1],
        FormatTenths(kMistakeLoss).c_str(), FormatTenths(kValueCap / 2).c_str());
    out << "  moves of        games  moves  mistakes  in 100  open values  within  in 100\n";
    bool sound = true;
    for (const int level : kLevels) {
        Tally tally;
        for (int game = 0; game < kGamesPerSize * static_cast<int>(std::size(kSizes)); ++game) {
            const int size = kSizes[game % std::size(kSizes)];
            RandomSource random(static_cast<uint32_t>(100 * game + level));
            StartPosition(*b, size);
            moves->Clear();
            while (!moves->full() && NextMove(*b, level, *computer, random, *moves) &&
                   !ScanLines(*b).Any()) {
            }
            const ReviewEnd end = ReviewGame(
                *analyser, size, *moves, kReviewLevel, nullptr, [&tally](const ReviewedMove& move) {
                    ++tally.moves;
                    tally.mistakes += IsMistake(move);
                    if (OutcomeOf(move.value) != Outcome::Open) return;
                    ++tally.open;
                    tally.withinHalfCap += std::abs(move.value) <= kValueCap / 2;
                });
            sound = sound && end == ReviewEnd::Finished;
            ++tally.games;
        }
        const std::string who =
            level == kRandomMoves ? "random" : "computer " + std::to_string(level);
        out << Line("  %-14s  %5d  %5d  %8d  %6.1f  %11d  %6d  %6.1f\n", who.c_str(), tally.games,
                    tally.moves, tally.mistakes, PerHundred(tally.mistakes, tally.moves),
                    tally.open, tally.withinHalfCap, PerHundred(tally.withinHalfCap, tally.open));
    }
    if (!sound) out << "review: the rules refuse a move of a played game\n";
    return sound;
}

}  // namespace orbel
