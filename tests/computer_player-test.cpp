#include "computer/computer_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "computer/search_worker.h"
#include "engine/move_rules.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::EveryPushLoses;
using testing::Position;

const std::atomic<bool> kGoOn{false};

// An opening, and a root where every push loses (values below kNoScore).
TEST(computer_player, answers_with_the_reference_search_best_set) {
    ComputerPlayer game;
    ComputerPlayer reference(SearchRootValues);
    BoardState b = Position(7);
    for (const auto& [cell, direction] : {std::pair{18, kDown}, std::pair{24, kRight}}) {
        ApplyMoveCode(b, MoveCode(cell, direction));
        ++b.MoveNumber;
    }
    for (const BoardState& position : {b, EveryPushLoses()}) {
        for (int level : {1, 2, 3, 4}) {
            const BestMoves fast = game.Choose(position, level, kGoOn);
            const BestMoves slow = reference.Choose(position, level, kGoOn);
            ASSERT_GT(slow.count, 0);
            EXPECT_EQ(fast.value, slow.value) << level;
            ASSERT_EQ(fast.count, slow.count) << level;
            for (int i = 0; i < fast.count; ++i) EXPECT_EQ(fast.codes[i], slow.codes[i]);
        }
    }
}

TEST(computer_player, nothing_when_cancelled_or_without_a_push) {
    ComputerPlayer game;
    const std::atomic<bool> cancelled{true};
    EXPECT_EQ(game.Choose(Position(9), 6, cancelled).count, 0);
    const BoardState stuck = Position(
        5,
        {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {18, Blue}, {19, Red}});
    EXPECT_EQ(game.Choose(stuck, 3, kGoOn).count, 0);
    // A cancelled search spoils nothing for the next one.
    EXPECT_GT(game.Choose(Position(9), 2, kGoOn).count, 0);
}

// Answers handed over from the computer's thread.
struct Answers {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<BestMoves> given;
    std::vector<std::thread::id> threads;

    Computer::Answer Taker() {
        return [this](const BestMoves& best) {
            std::lock_guard lock(mutex);
            given.push_back(best);
            threads.push_back(std::this_thread::get_id());
            arrived.notify_all();
        };
    }
    bool WaitFor(size_t count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(30),
                                [&] { return given.size() >= count; });
    }
};

// A search that runs until it is stopped.
std::atomic<bool> searching{false};
bool SearchUntilStopped(BoardState&, SearchTables&, SearchRun& run) {
    searching = true;
    while (!run.Stopped()) std::this_thread::yield();
    searching = false;
    return false;
}

TEST(computer_player, starts_at_once_and_answers_once_on_its_own_thread) {
    ComputerPlayer player(SearchRootValues);
    Answers answers;
    player.Start(EveryPushLoses(), 3, answers.Taker());
    ASSERT_TRUE(answers.WaitFor(1));
    player.Cancel();  // after the answer: nothing more comes
    std::lock_guard lock(answers.mutex);
    ASSERT_EQ(answers.given.size(), 1u);
    EXPECT_EQ(answers.given[0].count, 2);
    EXPECT_NE(answers.threads[0], std::this_thread::get_id());
}

TEST(computer_player, cancel_stops_a_running_search_and_waits_for_its_empty_answer) {
    Answers answers;
    {
        ComputerPlayer player(SearchUntilStopped);
        player.Start(Position(9), 11, answers.Taker());
        while (!searching) std::this_thread::yield();
        player.Cancel();
        std::lock_guard lock(answers.mutex);
        ASSERT_EQ(answers.given.size(), 1u);
        EXPECT_EQ(answers.given[0].count, 0);
    }
    {
        // A player going away mid-search stops it too.
        ComputerPlayer player(SearchUntilStopped);
        player.Start(Position(9), 11, answers.Taker());
        while (!searching) std::this_thread::yield();
    }
    EXPECT_FALSE(searching);
    // A later search on a new player is unaffected.
    ComputerPlayer player;
    player.Start(Position(9), 2, answers.Taker());
    ASSERT_TRUE(answers.WaitFor(3));
    std::lock_guard lock(answers.mutex);
    EXPECT_GT(answers.given[2].count, 0);
}

// The analysis hands its worker a new position's search while an old one runs: the old one
// must stop, or the new one would wait for a deep level of a position no longer shown.
TEST(search_worker, a_new_job_stops_the_running_one_first) {
    std::atomic<bool> started{false};
    std::atomic<bool> stopped{false};
    Answers answers;
    const Computer::Answer answer = answers.Taker();
    SearchWorker worker;
    worker.Run([&](const std::atomic<bool>& stop) {
        started = true;
        while (!stop) std::this_thread::yield();
        stopped = true;
    });
    while (!started) std::this_thread::yield();
    worker.Run([&](const std::atomic<bool>&) {
        EXPECT_TRUE(stopped);
        answer(BestMoves{});
    });
    ASSERT_TRUE(answers.WaitFor(1));
}

// The odds of the walk are tested once, on the search's row (search-test); here only that
// the game's pick comes from the best set and reaches every move of it.
TEST(computer_player, the_coin_flip_picks_from_the_best_set) {
    BestMoves best;
    best.count = 3;
    best.codes[0] = 41;
    best.codes[1] = 42;
    best.codes[2] = 43;
    RandomSource random(20261208);
    EXPECT_EQ(PickBestMove(BestMoves{}, random), 0);
    std::map<int, int> picked;
    for (int i = 0; i < 200; ++i) ++picked[PickBestMove(best, random)];
    EXPECT_EQ(picked.size(), 3u);
    EXPECT_EQ(picked.count(41) + picked.count(42) + picked.count(43), 3u);
}

}  // namespace
}  // namespace orbel
