#include "computer/computer_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>

#include "engine/move_rules.h"
#include "records/replay.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::Position;

const std::atomic<bool> kGoOn{false};

// The position of a 5 x 5 record where Blue, to move, loses whatever it pushes.
BoardState EveryPushLoses() {
    BoardState b;
    EXPECT_TRUE(ReplayRecord(testing::EveryPushLosesRecord(), b).Ok());
    return b;
}

TEST(computer_player, answers_with_the_reference_search_best_set) {
    ComputerPlayer game;
    ComputerPlayer reference(SearchRootValues);
    BoardState b = Position(7);
    for (const auto& [cell, direction] : {std::pair{18, kDown}, std::pair{24, kRight}}) {
        ApplyMoveCode(b, MoveCode(cell, direction));
        ++b.MoveNumber;
    }
    for (int level : {1, 2, 3, 4}) {
        const BestMoves fast = game.Choose(b, level, kGoOn);
        const BestMoves slow = reference.Choose(b, level, kGoOn);
        ASSERT_GT(slow.count, 0);
        EXPECT_EQ(fast.value, slow.value) << level;
        ASSERT_EQ(fast.count, slow.count) << level;
        for (int i = 0; i < fast.count; ++i) EXPECT_EQ(fast.codes[i], slow.codes[i]);
    }
}

TEST(computer_player, a_root_where_every_push_loses_has_a_best_move) {
    ComputerPlayer game;
    const BestMoves best = game.Choose(EveryPushLoses(), 3, kGoOn);
    EXPECT_LT(best.value, kNoScore);
    ASSERT_EQ(best.count, 2);
    EXPECT_EQ(best.codes[0], 11);
    EXPECT_EQ(best.codes[1], 21);
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

TEST(computer_player, coin_flips_favour_later_moves_of_the_best_set_as_the_row_walk_does) {
    BestMoves best;
    best.count = 3;
    best.codes[0] = 41;
    best.codes[1] = 42;
    best.codes[2] = 43;
    EXPECT_EQ(PickBestMove(BestMoves{}, *std::make_unique<RandomSource>(1)), 0);
    std::map<int, int> picked;
    RandomSource random(20261208);
    const int draws = 8000;
    for (int i = 0; i < draws; ++i) ++picked[PickBestMove(best, random)];
    ASSERT_EQ(picked.size(), 3u);
    // Each later equal move takes the choice on a coin flip: 1/4, 1/4, 1/2.
    EXPECT_NEAR(picked[41], draws / 4, draws / 20);
    EXPECT_NEAR(picked[42], draws / 4, draws / 20);
    EXPECT_NEAR(picked[43], draws / 2, draws / 20);
}

}  // namespace
}  // namespace orbel
