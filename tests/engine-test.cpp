#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/board.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "random_games.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::CellAt;
using testing::Position;
using testing::Push;

TEST(board, new_game_puts_red_on_the_centre_with_blue_to_move) {
    BoardState b;
    StartPosition(b, 5);
    EXPECT_EQ(b.Board[13], Red);
    EXPECT_EQ(b.SideToMove, Blue);
    EXPECT_EQ(b.MoveNumber, 1);
    for (int c = 0; c <= 25; ++c) {
        if (c == 13) continue;
        EXPECT_EQ(b.Board[c], Empty) << c;
    }

    StartPosition(b, 17);
    EXPECT_EQ(CentreCell(17), 145);
    EXPECT_EQ(b.Board[145], Red);
    EXPECT_TRUE(BoardIsSound(b));
}

TEST(board, neighbour_table_marks_off_board_neighbours_with_zero) {
    for (int n = 5; n <= 17; n += 2) {
        BoardState b;
        StartPosition(b, n);
        EXPECT_EQ(b.NeighbourTable[1][2], 0);
        EXPECT_EQ(b.NeighbourTable[1][4], 0);
        EXPECT_EQ(b.NeighbourTable[n][6], 0);
        EXPECT_EQ(b.NeighbourTable[n * n][8], 0);
        EXPECT_EQ(b.NeighbourTable[n + 1][4], 0);
        EXPECT_EQ(b.NeighbourTable[n][8], 2 * n);
        const int c = CentreCell(n);
        EXPECT_EQ(b.NeighbourTable[c][2], c - n);
        EXPECT_EQ(b.NeighbourTable[c][4], c - 1);
        EXPECT_EQ(b.NeighbourTable[c][6], c + 1);
        EXPECT_EQ(b.NeighbourTable[c][8], c + n);
    }
}

TEST(board, ring_and_sizes) {
    EXPECT_TRUE(IsOnRing(5, 3));
    EXPECT_TRUE(IsOnRing(5, 11));
    EXPECT_TRUE(IsOnRing(5, 15));
    EXPECT_TRUE(IsOnRing(5, 22));
    for (int c : {7, 8, 9, 12, 13, 14, 17, 18, 19}) EXPECT_FALSE(IsOnRing(5, c)) << c;
    for (int n : {5, 7, 9, 11, 13, 15, 17}) EXPECT_TRUE(IsValidBoardSize(n));
    for (int n : {-5, 0, 3, 4, 6, 16, 19}) EXPECT_FALSE(IsValidBoardSize(n));
}

TEST(board, direction_from_cells_undoes_the_step_of_each_direction) {
    for (int n = kSmallestSize; n <= kLargestSize; n += 2) {
        for (int cell = n + 2; cell <= n * n - n - 1; ++cell) {
            if (IsOnRing(n, cell)) continue;
            for (int d : {kDown, kLeft, kRight, kUp})
                EXPECT_EQ(DirectionFromCells(n, cell, cell + StepOf(n, d)), d) << n << " " << cell;
        }
    }
}

TEST(move_code, encodes_cell_and_direction) {
    EXPECT_EQ(MoveCode(8, kDown), 41);
    EXPECT_EQ(MoveCode(289, kUp), 1449);
    EXPECT_EQ(PlacementOf(41), 8);
    EXPECT_EQ(DirectionOf(41), kDown);
    for (int d : {kDown, kLeft, kRight, kUp}) {
        EXPECT_NE(MoveCode(100, d) % 5, 0);
        EXPECT_EQ(DirectionOf(MoveCode(100, d)), d);
    }
}

TEST(placement, needs_an_occupied_orthogonal_neighbour) {
    BoardState b = Position(5);
    EXPECT_TRUE(IsLegalPlacement(b, 8));
    EXPECT_TRUE(IsLegalPlacement(b, 12));
    EXPECT_FALSE(IsLegalPlacement(b, 7));   // diagonal only
    EXPECT_FALSE(IsLegalPlacement(b, 13));  // occupied
    EXPECT_FALSE(IsLegalPlacement(b, 1));   // a corner never has an occupied neighbour
    const OfferedDirections offered = DirectionsOffered(b, 8);
    ASSERT_EQ(offered.count, 1);
    EXPECT_EQ(offered.direction[0], kDown);
    EXPECT_EQ(DirectionsOffered(b, 18).direction[0], kUp);
    EXPECT_EQ(DirectionsOffered(b, 12).direction[0], kRight);
    EXPECT_EQ(DirectionsOffered(b, 14).direction[0], kLeft);
}

TEST(push, blue_placing_above_red_pushes_it_down) {
    BoardState b = Position(5);
    ASSERT_TRUE(Push(b, 8, kDown));
    EXPECT_EQ(b.Board[18], Red);
    EXPECT_EQ(b.Board[13], Blue);
    EXPECT_EQ(b.Board[8], Empty);
    EXPECT_EQ(b.SelectedCell, 13);
    EXPECT_EQ(b.PushCount, 2);
    EXPECT_EQ(b.RunCount, 2);
}

TEST(push, blue_placing_left_of_red_pushes_it_right) {
    BoardState b = Position(5);
    ASSERT_TRUE(Push(b, 12, kRight));
    EXPECT_EQ(b.Board[14], Red);
    EXPECT_EQ(b.Board[13], Blue);
    EXPECT_EQ(b.Board[12], Empty);
}

TEST(push, refused_when_far_orbel_would_reach_ring) {
    BoardState b = Position(5, {{12, Blue}, {14, Red}});
    EXPECT_FALSE(Push(b, 11, kRight));
    EXPECT_EQ(b.Board[11], Empty);
    EXPECT_EQ(b.Board[12], Blue);
    EXPECT_EQ(b.Board[13], Red);
    EXPECT_EQ(b.Board[14], Red);
    EXPECT_EQ(b.Board[15], Empty);
}

TEST(push, ring_cell_may_be_a_placement_cell) {
    BoardState b = Position(5, {{8, Red}, {13, Blue}}, false);
    b.SideToMove = Red;
    ASSERT_TRUE(Push(b, 3, kDown));
    EXPECT_EQ(b.Board[3], Empty);
    EXPECT_EQ(b.Board[8], Red);
    EXPECT_EQ(b.Board[13], Red);
    EXPECT_EQ(b.Board[18], Blue);
    EXPECT_TRUE(BoardIsSound(b));
}

TEST(push, run_counts_orbels_the_line_now_touches) {
    BoardState b = Position(5, {{12, Blue}, {14, Red}}, false);
    ASSERT_TRUE(Push(b, 11, kRight));
    EXPECT_EQ(b.Board[12], Blue);
    EXPECT_EQ(b.Board[13], Blue);
    EXPECT_EQ(b.PushCount, 2);
    EXPECT_EQ(b.RunCount, 3);
    EXPECT_EQ(b.PushLine[3].cell, 14);
}

TEST(push, trial_push_keeps_the_placement_cell_but_walks_the_run_from_the_new_cell) {
    BoardState b = Position(5);
    ASSERT_TRUE(Push(b, 8, kDown, Placed::StaysPut));
    EXPECT_EQ(b.SelectedCell, 8);
    EXPECT_EQ(b.RunCount, 2);
    EXPECT_EQ(b.PushLine[1].cell, 13);
}

TEST(push, lists_the_moved_orbels_at_their_new_cells_placed_one_first) {
    BoardState b = Position(5);
    b.SelectedCell = 8;
    b.Board[8] = Blue;
    ASSERT_TRUE(RunPush(b, kDown, RingRule::Check, Placed::MovesOn));
    ASSERT_EQ(b.PushCount, 2);
    EXPECT_EQ(b.PushLine[1].cell, 13);
    EXPECT_EQ(b.PushLine[1].value, Blue);
    EXPECT_EQ(b.PushLine[2].cell, 18);
    EXPECT_EQ(b.PushLine[2].value, Red);
    EXPECT_EQ(b.Board[8], Empty);
}

// Lines: a 9 x 9 board, inner field rows and columns 2..8.
class lines : public ::testing::Test {
  protected:
    static constexpr int N = 9;
    static int At(int row, int column) { return CellAt(N, row, column); }
};

TEST_F(lines, blue_diagonal_through_a_moved_orbel_wins) {
    // Blue on the diagonal (3,3),(4,4),(6,6),(7,7); a push down brings Blue onto (5,5).
    BoardState b = Position(
        N,
        {{At(3, 3), Blue}, {At(4, 4), Blue}, {At(6, 6), Blue}, {At(7, 7), Blue}, {At(4, 5), Blue}},
        false);
    b.Board[At(5, 5)] = Empty;
    b.Board[At(3, 5)] = Empty;
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_EQ(b.Board[At(5, 5)], Blue);
    EXPECT_EQ(FindLines(b), Blue);
}

TEST_F(lines, red_diagonal_does_not_count) {
    BoardState b = Position(
        N, {{At(3, 3), Red}, {At(4, 4), Red}, {At(6, 6), Red}, {At(7, 7), Red}, {At(4, 5), Red}},
        false);
    b.SideToMove = Red;
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_EQ(b.Board[At(5, 5)], Red);
    EXPECT_EQ(FindLines(b), 0);
}

TEST_F(lines, six_red_in_a_column_win) {
    // Red on rows 2..4 and 6..7 of column 4 with a gap at row 5; a Blue push from the right
    // brings a Red orbel into the gap, making six in a column.
    BoardState b = Position(N,
                            {{At(2, 4), Red},
                             {At(3, 4), Red},
                             {At(4, 4), Red},
                             {At(6, 4), Red},
                             {At(7, 4), Red},
                             {At(5, 5), Red}},
                            false);
    b.Board[At(8, 4)] = Red;
    b.SideToMove = Blue;
    ASSERT_TRUE(Push(b, At(5, 6), kLeft));
    EXPECT_EQ(b.Board[At(5, 4)], Red);
    EXPECT_EQ(FindLines(b), Red);
}

TEST_F(lines, blue_push_lining_up_red_gives_red_the_win) {
    BoardState b = Position(
        N, {{At(2, 4), Red}, {At(3, 4), Red}, {At(4, 4), Red}, {At(6, 4), Red}, {At(5, 5), Red}},
        false);
    ASSERT_TRUE(Push(b, At(5, 6), kLeft));
    EXPECT_EQ(FindLines(b), Red);
    EXPECT_EQ(EvaluateMove(b), -10000);
}

TEST_F(lines, both_colours_at_once_is_a_loss_for_the_mover) {
    // Pushing up column 5: a Red orbel lands in a Red row, a Blue one in a Blue row.
    BoardState b = Position(N,
                            {{At(3, 3), Red},
                             {At(3, 4), Red},
                             {At(3, 6), Red},
                             {At(3, 7), Red},
                             {At(5, 3), Blue},
                             {At(5, 4), Blue},
                             {At(5, 6), Blue},
                             {At(5, 7), Blue},
                             {At(4, 5), Red},
                             {At(5, 5), Red},
                             {At(6, 5), Blue}},
                            false);
    ASSERT_TRUE(Push(b, At(7, 5), kUp));
    EXPECT_EQ(b.Board[At(3, 5)], Red);
    EXPECT_EQ(b.Board[At(5, 5)], Blue);
    const LinesFound found = ScanLines(b);
    EXPECT_TRUE(found.RedFound);
    EXPECT_TRUE(found.BlueFound);
    EXPECT_EQ(FindLines(b), -b.SideToMove);
    EXPECT_EQ(EvaluateMove(b), -10000);
}

TEST_F(lines, five_completed_along_the_push_is_seen_in_both_directions) {
    // Blue pushes a run of Blue orbels into a fifth one, along the push.
    for (int direction : {kRight, kLeft}) {
        BoardState b =
            direction == kRight
                ? Position(N,
                           {{At(5, 2), Blue}, {At(5, 3), Blue}, {At(5, 5), Blue}, {At(5, 6), Blue}},
                           false)
                : Position(N,
                           {{At(5, 4), Blue}, {At(5, 5), Blue}, {At(5, 7), Blue}, {At(5, 8), Blue}},
                           false);
        // Generation scores the trial move +10000.
        b.MoveNumber = 9;
        int16_t moves[kMaxCandidates + 1];
        Tenths scores[kMaxCandidates + 1];
        int16_t count = 0;
        GenerateMoves(b, {moves, scores, count});
        const int placement = direction == kRight ? At(5, 1) : At(5, 9);
        const int code = MoveCode(placement, direction);
        bool found = false;
        for (int i = 1; i <= count; ++i) {
            if (moves[i] != code) continue;
            found = true;
            EXPECT_EQ(scores[i], Whole(10000)) << direction;
        }
        EXPECT_TRUE(found) << direction;
    }
}

// The cells ListLineCells gives, as (row, column) pairs in ascending cell order.
std::vector<std::pair<int, int>> LineCells(const BoardState& b) {
    CellList cells;
    cells.count = 99;  // whatever was there before is replaced
    ListLineCells(b, cells);
    std::vector<std::pair<int, int>> rowColumn;
    for (int i = 0; i < cells.count; ++i)
        rowColumn.emplace_back((cells.cell[i] - 1) / b.BoardSize + 1,
                               (cells.cell[i] - 1) % b.BoardSize + 1);
    return rowColumn;
}

using Cells = std::vector<std::pair<int, int>>;

TEST_F(lines, cells_of_a_row_completed_along_the_push) {
    BoardState b = Position(
        N, {{At(5, 2), Blue}, {At(5, 3), Blue}, {At(5, 5), Blue}, {At(5, 6), Blue}}, false);
    ASSERT_TRUE(Push(b, At(5, 1), kRight));
    EXPECT_EQ(LineCells(b), (Cells{{5, 2}, {5, 3}, {5, 4}, {5, 5}, {5, 6}}));
}

TEST_F(lines, cells_of_a_column_completed_across_the_push) {
    // Red in column 4 but for row 5; a push from the right brings Red there.
    BoardState b = Position(
        N, {{At(2, 4), Red}, {At(3, 4), Red}, {At(4, 4), Red}, {At(6, 4), Red}, {At(5, 5), Red}},
        false);
    ASSERT_TRUE(Push(b, At(5, 6), kLeft));
    EXPECT_EQ(LineCells(b), (Cells{{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}}));
}

TEST_F(lines, cells_of_a_blue_diagonal_and_none_of_a_red_one) {
    BoardState b = Position(
        N,
        {{At(3, 3), Blue}, {At(4, 4), Blue}, {At(6, 6), Blue}, {At(7, 7), Blue}, {At(4, 5), Blue}},
        false);
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_EQ(LineCells(b), (Cells{{3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}));

    // The other diagonal, from top right to bottom left.
    b = Position(
        N,
        {{At(3, 7), Blue}, {At(4, 6), Blue}, {At(6, 4), Blue}, {At(7, 3), Blue}, {At(4, 5), Blue}},
        false);
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_EQ(LineCells(b), (Cells{{3, 7}, {4, 6}, {5, 5}, {6, 4}, {7, 3}}));

    b = Position(
        N, {{At(3, 3), Red}, {At(4, 4), Red}, {At(6, 6), Red}, {At(7, 7), Red}, {At(4, 5), Red}},
        false);
    b.SideToMove = Red;
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_TRUE(LineCells(b).empty());
}

TEST_F(lines, six_in_a_line_mark_all_six) {
    BoardState b = Position(N,
                            {{At(2, 4), Red},
                             {At(3, 4), Red},
                             {At(4, 4), Red},
                             {At(6, 4), Red},
                             {At(7, 4), Red},
                             {At(5, 5), Red}},
                            false);
    b.SideToMove = Blue;
    ASSERT_TRUE(Push(b, At(5, 6), kLeft));
    EXPECT_EQ(LineCells(b), (Cells{{2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4}}));
}

TEST_F(lines, two_lines_of_one_colour_through_one_orbel) {
    // The orbel pushed onto (5,5) completes row 5 and the diagonal (3,3)..(7,7) for Blue.
    BoardState b = Position(N,
                            {{At(5, 2), Blue},
                             {At(5, 3), Blue},
                             {At(5, 4), Blue},
                             {At(5, 6), Blue},
                             {At(3, 3), Blue},
                             {At(4, 4), Blue},
                             {At(6, 6), Blue},
                             {At(7, 7), Blue},
                             {At(4, 5), Blue}},
                            false);
    ASSERT_TRUE(Push(b, At(3, 5), kDown));
    EXPECT_EQ(LineCells(b),
              (Cells{{3, 3}, {4, 4}, {5, 2}, {5, 3}, {5, 4}, {5, 5}, {5, 6}, {6, 6}, {7, 7}}));
}

TEST_F(lines, both_colours_at_once_mark_both_lines) {
    BoardState b = Position(N,
                            {{At(3, 3), Red},
                             {At(3, 4), Red},
                             {At(3, 6), Red},
                             {At(3, 7), Red},
                             {At(5, 3), Blue},
                             {At(5, 4), Blue},
                             {At(5, 6), Blue},
                             {At(5, 7), Blue},
                             {At(4, 5), Red},
                             {At(5, 5), Red},
                             {At(6, 5), Blue}},
                            false);
    ASSERT_TRUE(Push(b, At(7, 5), kUp));
    EXPECT_EQ(
        LineCells(b),
        (Cells{{3, 3}, {3, 4}, {3, 5}, {3, 6}, {3, 7}, {5, 3}, {5, 4}, {5, 5}, {5, 6}, {5, 7}}));
}

TEST_F(lines, an_old_line_away_from_the_push_is_not_marked) {
    // Row 2 has held five Blue since before; the push completes row 5 only.
    BoardState b = Position(N,
                            {{At(2, 2), Blue},
                             {At(2, 3), Blue},
                             {At(2, 4), Blue},
                             {At(2, 5), Blue},
                             {At(2, 6), Blue},
                             {At(5, 2), Blue},
                             {At(5, 3), Blue},
                             {At(5, 5), Blue},
                             {At(5, 6), Blue}},
                            false);
    ASSERT_TRUE(Push(b, At(5, 1), kRight));
    EXPECT_EQ(LineCells(b), (Cells{{5, 2}, {5, 3}, {5, 4}, {5, 5}, {5, 6}}));

    // A push that completes nothing marks nothing, old line or not.
    b = Position(N,
                 {{At(2, 2), Blue},
                  {At(2, 3), Blue},
                  {At(2, 4), Blue},
                  {At(2, 5), Blue},
                  {At(2, 6), Blue},
                  {At(6, 6), Red}},
                 false);
    ASSERT_TRUE(Push(b, At(6, 5), kRight));
    EXPECT_FALSE(ScanLines(b).Any());
    EXPECT_TRUE(LineCells(b).empty());
}

TEST(generation, new_five_by_five_game_offers_four_moves_in_order) {
    BoardState b = Position(5);
    int16_t moves[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
    GenerateMoves(b, {moves, scores, count});
    ASSERT_EQ(count, 4);
    EXPECT_EQ(moves[1], 41);
    EXPECT_EQ(moves[2], 63);
    EXPECT_EQ(moves[3], 72);
    EXPECT_EQ(moves[4], 94);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(scores[i], 0);
    EXPECT_EQ(moves[5], 0);
    EXPECT_EQ(scores[5], kNoScore);
}

TEST(generation, no_legal_move_gives_an_empty_column_and_an_untouched_board) {
    // 5 x 5 with the whole inner field filled: every push would reach the ring.
    BoardState b = Position(
        5,
        {{7, Blue}, {8, Red}, {9, Blue}, {12, Red}, {14, Blue}, {17, Red}, {18, Blue}, {19, Red}});
    const BoardState before = b;
    int16_t moves[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 99;
    GenerateMoves(b, {moves, scores, count});
    EXPECT_EQ(count, 0);
    for (int i = 1; i <= 30; ++i) {
        EXPECT_EQ(moves[i], 0);
        EXPECT_EQ(scores[i], kNoScore);
    }
    EXPECT_TRUE(std::equal(b.Board, b.Board + 26, before.Board));
}

TEST(generation, pair_count_scores_from_move_five) {
    // Blue to move on 9 x 9; one trial ends with exactly one Blue pair and no Red pair.
    BoardState b = Position(9, {{41, Red}, {32, Blue}}, false);
    b.MoveNumber = 5;
    // Blue places on 42 and pushes left: Red 41 -> 40, Blue lands on 41, beside 32.
    b.SelectedCell = 42;
    b.Board[42] = Blue;
    ASSERT_TRUE(RunPush(b, kLeft, RingRule::Check, Placed::StaysPut));
    EXPECT_EQ(CountPairs(b, Blue), 2);
    EXPECT_EQ(CountPairs(b, Red), 0);
    EXPECT_EQ(EvaluateMove(b), 2);
    b.MoveNumber = 4;
    EXPECT_EQ(EvaluateMove(b), 0);
}

TEST(generation, sort_is_highest_first_and_keeps_equal_scores_in_entry_order) {
    int16_t moves[kMaxCandidates + 1] = {0, 10, 20, 30, 40};
    Tenths scores[kMaxCandidates + 1] = {0, 30, 70, 70, 10};
    int16_t count = 4;
    SortCandidates({moves, scores, count});
    EXPECT_EQ(moves[1], 20);
    EXPECT_EQ(moves[2], 30);
    EXPECT_EQ(moves[3], 10);
    EXPECT_EQ(moves[4], 40);
    EXPECT_EQ(scores[1], 70);
    EXPECT_EQ(scores[4], 10);
}

TEST(generation, pruned_variant_stops_when_the_parent_is_refuted) {
    // Blue to move; the first candidate (placing above 41, code 5*32+1) makes one pair.
    BoardState b = Position(9, {{41, Red}, {50, Blue}, {31, Blue}}, false);
    b.Board[41] = Red;
    b.MoveNumber = 9;
    int16_t moves[kMaxCandidates + 1];
    Tenths scores[kMaxCandidates + 1];
    int16_t count = 0;
    Tenths best = 0;
    GenerateMoves(b, {moves, scores, count});
    const int total = count;
    ASSERT_GT(total, 1);
    const Tenths first = scores[1];
    // A parent best just above parentScore/10 - first makes the first candidate cut.
    const BoardState before = b;
    GenerateMovesPruned(b, {moves, scores, count}, Whole(0), best, -first + 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(best, first);
    EXPECT_FALSE(std::equal(b.Board, b.Board + 82, before.Board));  // trial left on board
    // Equality does not cut.
    b = before;
    GenerateMovesPruned(b, {moves, scores, count}, Whole(0), best, -first);
    EXPECT_GT(count, 1);
}

// Whole random games keep the invariants after every move.
TEST(random_games, keep_the_ring_empty_and_entry_zero_clear) {
    std::mt19937 rng(12345);
    for (int game = 0; game < 60; ++game) {
        const int n = 5 + 2 * static_cast<int>(rng() % 7);
        BoardState b;
        StartPosition(b, n);
        for (int ply = 0; ply < 200; ++ply) {
            const BoardState before = b;
            const testing::Offered offered(b);
            const int count = offered.count;
            ASSERT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, before.Board));
            ASSERT_EQ(b.SelectedCell, before.SelectedCell);
            ASSERT_LE(count, (n - 2) * (n - 2) * 4);
            if (count == 0) break;
            testing::PlayMove(b, offered.Random(rng));
            ASSERT_TRUE(BoardIsSound(b)) << "size " << n << " ply " << ply;
            ASSERT_GE(b.RunCount, b.PushCount);
            ASSERT_GE(b.PushCount, 2);
        }
    }
}

}  // namespace
}  // namespace orbel
