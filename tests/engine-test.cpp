#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/board.h"
#include "engine/game_moves.h"
#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "engine/values.h"
#include "random_games.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::CellAt;
using testing::Ending;
using testing::LinePosition;
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

// Lines: a 9 x 9 board, inner field rows and columns 2..8. The positions are the shared
// table's (test_positions.h), which the controller tests play through the window too.
class lines : public ::testing::Test {
  protected:
    static constexpr int N = 9;
    static int At(int row, int column) { return CellAt(N, row, column); }
    // The table's position after its push, the side that pushed still to move.
    static BoardState Pushed(const LinePosition& p) {
        BoardState b = Position(p);
        EXPECT_TRUE(Push(b, p.cell, p.direction)) << p.what;
        return b;
    }
};

// The cells ListLineCells gives, in ascending cell order.
std::vector<int> LineCells(const BoardState& b) {
    CellList cells;
    cells.count = 99;  // whatever was there before is replaced
    ListLineCells(b, cells);
    return {cells.cell, cells.cell + cells.count};
}

// Every position of the shared table ends as the table says: the lines found, the winner,
// the cells marked and whether the other side is left a push.
class lines_table : public lines, public ::testing::WithParamInterface<const LinePosition*> {};

TEST_P(lines_table, the_push_ends_the_game_as_the_table_says) {
    const LinePosition& p = *GetParam();
    const BoardState b = Pushed(p);
    const LinesFound found = ScanLines(b);
    EXPECT_EQ(found.RedFound, p.ending == Ending::RedLine || p.ending == Ending::BothLines);
    EXPECT_EQ(found.BlueFound, p.ending == Ending::BlueLine || p.ending == Ending::BothLines);
    const int winner = p.ending == Ending::BlueLine    ? Blue
                       : p.ending == Ending::RedLine   ? Red
                       : p.ending == Ending::BothLines ? -p.side  // the mover loses
                                                       : 0;
    EXPECT_EQ(FindLines(b), winner);
    EXPECT_EQ(LineCells(b), std::vector<int>(p.lineCells));
    BoardState next = b;
    next.SideToMove = static_cast<int16_t>(-next.SideToMove);
    EXPECT_EQ(HasLegalMove(next), p.ending != Ending::NoPush);
    EXPECT_TRUE(BoardIsSound(b));
}

INSTANTIATE_TEST_SUITE_P(shared, lines_table, ::testing::ValuesIn(testing::kLinePositions),
                         [](const ::testing::TestParamInfo<const LinePosition*>& info) {
                             return std::string(info.param->what);
                         });

TEST_F(lines, blue_diagonal_through_a_moved_orbel_wins) {
    const BoardState b = Pushed(testing::kBlueDiagonal);
    EXPECT_EQ(b.Board[At(5, 5)], Blue);
    EXPECT_EQ(FindLines(b), Blue);
}

TEST_F(lines, red_diagonal_does_not_count) {
    const BoardState b = Pushed(testing::kRedDiagonal);
    EXPECT_EQ(b.Board[At(5, 5)], Red);
    EXPECT_EQ(FindLines(b), 0);
    EXPECT_TRUE(LineCells(b).empty());
}

TEST_F(lines, six_red_in_a_column_win) {
    // A Blue push from the right brings a Red orbel into the gap of column 4, making six
    // in a column, and seven.
    for (const LinePosition* p : {&testing::kRedColumnOfSix, &testing::kRedColumnOfSeven}) {
        const BoardState b = Pushed(*p);
        EXPECT_EQ(b.Board[At(5, 4)], Red) << p->what;
        EXPECT_EQ(FindLines(b), Red) << p->what;
    }
}

TEST_F(lines, blue_push_lining_up_red_gives_red_the_win) {
    const BoardState b = Pushed(testing::kRedColumnOfFive);
    EXPECT_EQ(FindLines(b), Red);
    EXPECT_EQ(EvaluateMove(b), -10000);
}

TEST_F(lines, both_colours_at_once_is_a_loss_for_the_mover) {
    // Pushing up column 5: a Red orbel lands in a Red row, a Blue one in a Blue row.
    const BoardState b = Pushed(testing::kBothColours);
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
    for (const LinePosition* p : {&testing::kBlueRowPushedRight, &testing::kBlueRowPushedLeft}) {
        // Generation scores the trial move +10000.
        BoardState b = Position(*p);
        ASSERT_EQ(b.MoveNumber, 9);
        int16_t moves[kMaxCandidates + 1];
        Tenths scores[kMaxCandidates + 1];
        int16_t count = 0;
        GenerateMoves(b, {moves, scores, count});
        const int code = MoveCode(p->cell, p->direction);
        bool found = false;
        for (int i = 1; i <= count; ++i) {
            if (moves[i] != code) continue;
            found = true;
            EXPECT_EQ(scores[i], Whole(10000)) << p->what;
        }
        EXPECT_TRUE(found) << p->what;
    }
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
    // 5 x 5 with the whole inner field filled, as the shared position where Red is left
    // without a push has it after Blue's push: every push would reach the ring.
    const LinePosition& filled = testing::kRedCannotMove;
    BoardState b = Position(filled);
    ASSERT_TRUE(Push(b, filled.cell, filled.direction));
    b.SideToMove = static_cast<int16_t>(-b.SideToMove);
    for (int c : {7, 8, 9, 12, 13, 14, 17, 18, 19}) ASSERT_NE(b.Board[c], Empty) << c;
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

// A game's moves, kept as played and replayed, give back every position on the way; a move
// that does not fit the position is named with the board left before it.
TEST(game_moves, replay_gives_back_each_position_and_names_the_first_refused_move) {
    std::mt19937 rng(2026);
    for (int game = 0; game < 40; ++game) {
        const int n = 5 + 2 * static_cast<int>(rng() % 7);
        BoardState b;
        StartPosition(b, n);
        GameMoves moves;
        std::vector<BoardState> seen{b};
        for (int ply = 0; ply < 60; ++ply) {
            const testing::Offered offered(b);
            if (offered.count == 0) break;
            const int code = offered.Random(rng);
            const int placed = PlacementOf(code);
            moves.Add({static_cast<int16_t>(placed),
                       static_cast<int16_t>(placed + StepOf(n, DirectionOf(code)))});
            ASSERT_EQ(MoveCodeOf(n, moves[moves.count()]), code);
            testing::PlayMove(b, code);
            seen.push_back(b);
        }
        const int upTo = static_cast<int>(rng() % seen.size());
        BoardState replayed;
        ASSERT_TRUE(ReplayMoves(n, moves, replayed, upTo).Ok());
        EXPECT_TRUE(std::equal(replayed.Board, replayed.Board + kBoardEntries, seen[upTo].Board));
        EXPECT_EQ(replayed.MoveNumber, upTo + 1);
        EXPECT_EQ(replayed.SideToMove, seen[upTo].SideToMove);
        if (moves.empty()) continue;

        // A placement on the cell the last orbel was pushed to is refused.
        if (upTo == 0) continue;
        GameMoves twice = moves;
        twice.Keep(upTo);
        const PlayedMove last = twice[upTo];
        twice.Add({last.moved, static_cast<int16_t>(2 * last.moved - last.placed)});
        EXPECT_EQ(twice.SharedWith(moves), upTo);
        const Replay refused = ReplayMoves(n, twice, replayed);
        EXPECT_EQ(refused.fault, MoveFault::PlacementTaken);
        EXPECT_EQ(refused.move, upTo + 1);
        EXPECT_TRUE(std::equal(replayed.Board, replayed.Board + kBoardEntries, seen[upTo].Board));
    }
}

// What a value reads as: the tenths with one digit, the sign a person sees, won and lost
// beyond kDecidedValue, Red's side of it and the scale a loss is counted on.
TEST(values, read_in_tenths_with_a_sign_or_as_won_and_lost_and_capped_for_a_loss) {
    const struct {
        Tenths value;
        const char* tenths;
        const char* text;
        Tenths capped;
    } values[] = {
        {0, "0.0", "0.0", 0},
        {15, "1.5", "+1.5", 15},
        {-3, "-0.3", "-0.3", -3},
        {-60, "-6.0", "-6.0", -60},
        {kValueCap + 5, "20.5", "+20.5", kValueCap},
        {-kValueCap - 5, "-20.5", "-20.5", -kValueCap},
        {kDecidedValue - 1, "4999.9", "+4999.9", kValueCap},
        {-kDecidedValue + 1, "-4999.9", "-4999.9", -kValueCap},
        {kDecidedValue, "5000.0", "won", kValueCap},
        {-kDecidedValue, "-5000.0", "lost", -kValueCap},
        {Whole(10000) - 123, "9987.7", "won", kValueCap},       // a line ahead
        {Whole(-10000) + 44, "-9995.6", "lost", -kValueCap},    // the other side's line ahead
        {Whole(100000) + 3, "100000.3", "won", kValueCap},      // the other side runs out
        {Whole(-100000) - 6, "-100000.6", "lost", -kValueCap},  // every push runs out
    };
    for (const auto& v : values) {
        EXPECT_EQ(FormatTenths(v.value), v.tenths) << v.value;
        EXPECT_EQ(ValueText(v.value), v.text) << v.value;
        EXPECT_EQ(CappedValue(v.value), v.capped) << v.value;
    }
    EXPECT_EQ(RedView(15, Red), 15);
    EXPECT_EQ(RedView(15, Blue), -15);
}

}  // namespace
}  // namespace orbel
