// `make bench`: what keeping the player's games costs. A move kept, on the game's thread and
// until it is synced to the disk; and a store of 10,000 finished games opened and read as
// the Statistics window and orbelfive-cli history read it.
//
// The store is made in the current folder, on the disk the build is on, and removed after.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/game_moves.h"
#include "store/game_store.h"
#include "store/sample_history.h"

namespace orbel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMovesTimed = 60;
constexpr int kFinishedGames = 10000;
constexpr int kReadings = 7;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Silent(const std::string&) {}

// A 13 x 13 game of kMovesTimed moves, each handed to the store as the game hands it over.
void TimeKeepingMoves(const std::filesystem::path& folder) {
    GameStore store(folder / "moves.db", GameStore::TellStandardError);
    std::mt19937 rng(13);
    KeptGame game;
    game.boardSize = 13;
    auto b = std::make_unique<BoardState>();
    StartPosition(*b, game.boardSize);
    std::vector<double> handed, written;
    for (int m = 0; m < kMovesTimed && RandomMove(*b, game.moves, rng); ++m) {
        game.backwardOffered = true;
        const Clock::time_point start = Clock::now();
        store.GameChanged(game);
        const Clock::time_point back = Clock::now();
        store.WaitUntilWritten();
        const Clock::time_point done = Clock::now();
        handed.push_back(Milliseconds(back - start));
        written.push_back(Milliseconds(done - start));
    }
    std::printf(
        "store: a move kept: %.3f ms on the game's thread (median of %zu, longest %.3f ms); "
        "written and synced on the store's thread in %.2f ms (median, longest %.2f ms)\n",
        Median(handed), handed.size(), *std::max_element(handed.begin(), handed.end()),
        Median(written), *std::max_element(written.begin(), written.end()));
}

template <typename Read>
double TimeReading(Read read) {
    std::vector<double> times;
    for (int r = 0; r < kReadings; ++r) {
        const Clock::time_point start = Clock::now();
        read();
        times.push_back(Milliseconds(Clock::now() - start));
    }
    return Median(times);
}

void TimeReadingTheHistory(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / "history.db";
    FillHistory(file, kFinishedGames);
    const double opening = TimeReading([&file] { GameStore store(file, Silent); });
    GameStore store(file, GameStore::TellStandardError);
    PlayerHistory history;
    const double reading = TimeReading([&store, &history] { history = store.ReadHistory(); });
    const double counting = TimeReading([&history] { CountGames(history.games); });
    const double json = TimeReading([&file] {
        std::string problem;
        if (const auto contents = ReadStore(file, problem)) HistoryJson(contents->history);
    });
    std::printf(
        "store: %zu finished games (%.1f MB): the store opens in %.1f ms (its check included); "
        "the history is read with its figures in %.1f ms, of which counting the figures "
        "%.2f ms; orbelfive-cli history's reading and JSON take %.1f ms (medians of %d)\n",
        history.games.size(), std::filesystem::file_size(file) / 1e6, opening, reading, counting,
        json, kReadings);
}

}  // namespace
}  // namespace orbel

int main() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::current_path() / ("store-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    orbel::TimeKeepingMoves(folder);
    orbel::TimeReadingTheHistory(folder);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
