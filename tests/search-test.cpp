#include "computer/search.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "engine/move_rules.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::Position;

struct Searcher {
    std::unique_ptr<SearchTables> tables = std::make_unique<SearchTables>();
    SearchRun Run(BoardState& b, int level) {
        SearchRun run;
        run.level = level;
        EXPECT_TRUE(SearchRootValues(b, *tables, run));
        return run;
    }
    const SearchTables& t() const { return *tables; }
};

TEST(search, new_five_by_five_game_values_every_root_move_zero) {
    for (int level : {1, 2, 3}) {
        BoardState b = Position(5);
        Searcher s;
        s.Run(b, level);
        ASSERT_EQ(s.t().SearchCount[1], 4);
        const int16_t expected[] = {41, 63, 72, 94};
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(s.t().SearchMoves[1][i], expected[i - 1]);
            if (level == 1) {
                EXPECT_EQ(s.t().SearchScores[1][i], 0);
            }
        }
    }
}

TEST(search, coin_flip_favours_the_later_of_equal_candidates) {
    BoardState b = Position(5);
    Searcher s;
    s.Run(b, 1);
    RandomSource random(2024);
    std::map<int, int> chosen;
    const int draws = 16000;
    for (int k = 0; k < draws; ++k)
        ++chosen[s.t().SearchMoves[1][PickRootCandidate(s.t(), random)]];
    EXPECT_NEAR(chosen[94], draws / 2, draws * 0.02);
    EXPECT_NEAR(chosen[72], draws / 4, draws * 0.02);
    EXPECT_NEAR(chosen[63], draws / 8, draws * 0.02);
    EXPECT_NEAR(chosen[41], draws / 8, draws * 0.02);
}

TEST(search, a_winning_move_is_chosen_before_any_look_ahead) {
    // Blue to move with four in a column and room to push a fifth into place.
    const int N = 9;
    BoardState b = Position(N,
                            {{testing::CellAt(N, 3, 4), Blue},
                             {testing::CellAt(N, 4, 4), Blue},
                             {testing::CellAt(N, 6, 4), Blue},
                             {testing::CellAt(N, 7, 4), Blue},
                             {testing::CellAt(N, 5, 5), Blue}},
                            false);
    b.MoveNumber = 9;
    for (int level : {1, 2, 4}) {
        BoardState copy = b;
        Searcher s;
        SearchRun run = s.Run(copy, level);
        EXPECT_EQ(s.t().SearchScores[1][1], Whole(10000));
        EXPECT_EQ(BestRootValue(s.t()), Whole(10000));
        RandomSource random(1);
        const int k = PickRootCandidate(s.t(), random);
        EXPECT_EQ(s.t().SearchScores[1][k], Whole(10000));
        // Nothing below the root was searched.
        EXPECT_EQ(run.nodes, static_cast<uint64_t>(s.t().SearchCount[1]));
    }
}

TEST(search, level_two_avoids_handing_the_opponent_a_line) {
    // Red has four in a row on row 5, columns 3..6, with (5,7) empty; Blue to move.
    const int N = 9;
    auto at = [](int r, int c) { return testing::CellAt(9, r, c); };
    BoardState b = Position(N,
                            {{at(5, 3), Red},
                             {at(5, 4), Red},
                             {at(5, 5), Red},
                             {at(5, 6), Red},
                             {at(4, 7), Red},
                             {at(3, 7), Blue}},
                            false);
    b.MoveNumber = 9;
    Searcher s;
    s.Run(b, 2);
    RandomSource random(7);
    const int k = PickRootCandidate(s.t(), random);
    EXPECT_GT(s.t().SearchScores[1][k], Whole(-5000));
    // Some root move lets Red complete its row, and it is valued near -10000.
    bool sawLosingMove = false;
    for (int i = 1; i <= s.t().SearchCount[1]; ++i)
        if (s.t().SearchScores[1][i] < Whole(-9000)) sawLosingMove = true;
    EXPECT_TRUE(sawLosingMove);
}

TEST(search, leaving_the_opponent_without_a_move_is_worth_one_hundred_thousand) {
    // 5 x 5: Blue to move can fill the inner field so that Red has no push left.
    BoardState b =
        Position(5, {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {19, Red}});
    b.Board[13] = Red;
    b.MoveNumber = 9;
    // Blue places on 23 and pushes up into 18: the inner field is full afterwards?
    Searcher s;
    s.Run(b, 2);
    bool found = false;
    for (int i = 1; i <= s.t().SearchCount[1]; ++i)
        if (s.t().SearchScores[1][i] >= Whole(100000) - Whole(100)) found = true;
    // Only the placement that leaves the field full can do it; a full 3 x 3 field has no
    // legal push, whoever is to move.
    EXPECT_TRUE(found);
}

TEST(search, restores_board_and_side_after_every_search) {
    std::mt19937 rng(99);
    for (int game = 0; game < 12; ++game) {
        const int n = 7 + 2 * static_cast<int>(rng() % 3);
        BoardState b;
        StartPosition(b, n);
        Searcher s;
        for (int ply = 0; ply < 30; ++ply) {
            const BoardState before = b;
            s.Run(b, 1 + static_cast<int>(rng() % 3));
            ASSERT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, before.Board));
            ASSERT_EQ(b.SideToMove, before.SideToMove);
            ASSERT_EQ(s.t().SearchDepth, 1);
            if (s.t().SearchCount[1] == 0) break;
            ApplyMoveCode(b, s.t().SearchMoves[1][1 + rng() % s.t().SearchCount[1]]);
            ++b.MoveNumber;
        }
    }
}

// A candidate searched on its own: no cut-off at the root's replies, as for the first.
Tenths ValueAlone(const BoardState& b, int code, Tenths score, int level) {
    if (level == 1 || score > Whole(9999)) return score;
    BoardState after = b;
    ApplyMoveCode(after, code);
    Searcher s;
    s.Run(after, level - 1);
    const Tenths reply =
        s.t().SearchCount[1] == 0 ? kNoScore : std::max(kNoScore, BestRootValue(s.t()));
    return score / 10 - reply;
}

TEST(search, row_one_holds_the_best_sets_own_values_and_upper_bounds_of_the_others) {
    // Once a candidate's replies bring it below the best so far, the rest of them are not
    // looked at: row 1 keeps what it had reached, at or above its own value.
    std::mt19937 rng(4711);
    int cutShort = 0;
    for (int game = 0; game < 40; ++game) {
        const int n = 5 + 2 * (game % 3);
        BoardState b;
        StartPosition(b, n);
        const int plies = static_cast<int>(rng() % (n * 3));
        for (int ply = 0; ply < plies && HasLegalMove(b); ++ply) {
            Searcher any;
            any.Run(b, 1);
            ApplyMoveCode(b, any.t().SearchMoves[1][1 + rng() % any.t().SearchCount[1]]);
            ++b.MoveNumber;
        }
        const int level = 2 + game % 3;
        Searcher s;
        s.Run(b, level);
        if (s.t().SearchCount[1] == 0 || s.t().SearchScores[1][1] > Whole(9999)) continue;
        auto statics = std::make_unique<SearchTables>();
        BoardState copy = b;
        GenerateMoves(copy, statics->Column(1));
        SortCandidates(statics->Column(1));
        const Tenths best = BestRootValue(s.t());
        for (int i = 1; i <= s.t().SearchCount[1]; ++i) {
            const Tenths row = s.t().SearchScores[1][i];
            const Tenths alone =
                ValueAlone(b, s.t().SearchMoves[1][i], statics->SearchScores[1][i], level);
            if (row == best) {
                EXPECT_EQ(row, alone);
            } else {
                EXPECT_GE(row, alone);
                EXPECT_LT(alone, best);
            }
            cutShort += row != alone;
        }
    }
    EXPECT_GT(cutShort, 0);
}

TEST(search, stop_flag_ends_a_search_early) {
    BoardState b = Position(13);
    std::atomic<bool> stop{true};
    Searcher s;
    SearchRun run;
    run.level = 6;
    run.stop = &stop;
    EXPECT_FALSE(SearchRootValues(b, *s.tables, run));
    EXPECT_EQ(b.Board[CentreCell(13)], Red);
}

}  // namespace
}  // namespace orbel
