#include "game/controller.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "fake_game_view.h"
#include "game/game_records.h"
#include "test_positions.h"

namespace orbel {
namespace {

using testing::FakeView;
using testing::HandComputer;
using testing::ManualScheduler;

class controller : public ::testing::Test {
  protected:
    std::unique_ptr<GameState> state = std::make_unique<GameState>();
    FakeView view;
    HandComputer computer;
    ManualScheduler clock;
    std::unique_ptr<GameController> game;

    void Open(int size, int level = 1) {
        state->board.BoardSize = static_cast<int16_t>(size);
        game = std::make_unique<GameController>(*state, view, computer, clock);
        game->Form_Load();
        game->SelectLevel(level);
    }
    BoardState& board() { return state->board; }
    MoveHistory& history() { return state->history; }

    // Lets the computer think and show its move.
    void ComputerAnswers() {
        clock.RunAll();
        while (computer.Finish()) clock.RunAll();
    }
    // Cell, arrow, confirming click on the centre image.
    void PersonMoves(int cell, int direction) {
        game->btn_Board_Click(cell);
        game->img_dir_Click(direction);
        game->img_dir_Click(0);
    }
    // Replaces the position, as if the game had reached it.
    void SetPosition(std::initializer_list<std::pair<int, int>> orbels, int side, int moveNumber) {
        for (int c = 1; c <= board().CellCount(); ++c) board().Board[c] = Empty;
        for (auto [cell, colour] : orbels) board().Board[cell] = static_cast<int16_t>(colour);
        board().SideToMove = static_cast<int16_t>(side);
        board().MoveNumber = static_cast<int16_t>(moveNumber);
        for (int c = 1; c <= board().CellCount(); ++c) {
            view.DrawCell(c, board().Board[c]);
            view.image[c] = true;
        }
    }
};

TEST_F(controller, new_game_on_five_by_five) {
    Open(5);
    EXPECT_EQ(board().Board[13], Red);
    EXPECT_EQ(board().SideToMove, Blue);
    EXPECT_EQ(view.message, "Select Red or Blue");
    EXPECT_EQ(view.ring, Blue);
    EXPECT_GE(view.beeps, 1);
    EXPECT_EQ(view.Shown(13), Red);
    for (int corner : {1, 5, 21, 25}) {
        EXPECT_FALSE(view.button[corner]);
        EXPECT_FALSE(view.image[corner]);
    }
    EXPECT_TRUE(view.button[8]);
    EXPECT_FALSE(view.backward);
    EXPECT_FALSE(view.forward);
    EXPECT_TRUE(view.undo);
    EXPECT_TRUE(view.hint);
    EXPECT_EQ(view.level, 1);
    EXPECT_EQ(state->SearchLevel, 1);
    EXPECT_EQ(view.busyDepth, 0);
}

TEST_F(controller, three_click_move_then_the_computer_replies) {
    Open(5);
    game->btn_Board_Click(8);
    EXPECT_TRUE(view.arrow[2]);
    EXPECT_FALSE(view.arrow[4] || view.arrow[6] || view.arrow[8]);
    EXPECT_EQ(view.Shown(8), Blue);
    EXPECT_EQ(board().Board[8], Empty);
    EXPECT_EQ(history().HistoryPlaced[1], 8);

    // The chosen cell blinks.
    game->tmr_Select_Timer();
    EXPECT_FALSE(view.image[8]);
    game->tmr_Select_Timer();
    EXPECT_TRUE(view.image[8]);

    game->img_dir_Click(2);
    EXPECT_EQ(board().Board[18], Red);
    EXPECT_EQ(board().Board[13], Blue);
    EXPECT_EQ(board().Board[8], Empty);
    EXPECT_EQ(view.Shown(8), 0);
    EXPECT_EQ(view.Shown(18), Red);
    game->tmr_Select_Timer();
    EXPECT_FALSE(view.image[13]);

    // A cell click after the push changes nothing.
    game->btn_Board_Click(12);
    EXPECT_EQ(board().Board[12], Empty);
    EXPECT_TRUE(view.arrow[2]);

    game->img_dir_Click(0);
    EXPECT_EQ(history().HistoryPlaced[1], 8);
    EXPECT_EQ(history().HistoryMoved[1], 13);
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(board().SideToMove, Red);
    EXPECT_TRUE(view.image[13]);
    EXPECT_TRUE(view.backward);
    EXPECT_EQ(view.message, "Thinking ...");
    EXPECT_EQ(view.busyDepth, 1);

    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 3);
    EXPECT_EQ(board().SideToMove, Blue);
    EXPECT_EQ(view.message, std::string(BlankMessage));
    EXPECT_EQ(view.busyDepth, 0);
    EXPECT_TRUE(view.backward);
    EXPECT_FALSE(view.forward);
    EXPECT_TRUE(BoardIsSound(board()));
    // The computer's move was shown with a pause first.
    EXPECT_EQ(clock.pauses.back(), 0.1f);
}

TEST_F(controller, another_cell_before_pushing_moves_the_tentative_orbel) {
    Open(5);
    game->btn_Board_Click(8);
    game->btn_Board_Click(12);
    EXPECT_EQ(view.Shown(8), 0);
    EXPECT_EQ(view.Shown(12), Blue);
    EXPECT_EQ(history().HistoryPlaced[1], 12);
    EXPECT_TRUE(view.arrow[6]);
    EXPECT_FALSE(view.arrow[2]);
}

TEST_F(controller, clicks_that_do_nothing) {
    Open(5);
    const int beeps = view.beeps;
    game->img_dir_Click(2);  // no cell chosen: a beep
    EXPECT_EQ(view.beeps, beeps + 1);
    game->btn_Board_Click(7);  // no orthogonal neighbour: silence
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(view.beeps, beeps + 1);
}

TEST_F(controller, refused_push_keeps_the_placement_and_another_arrow_works) {
    Open(5, 0);
    PersonMoves(8, 2);  // a completed move offers Backward
    SetPosition({{8, Red}, {9, Blue}, {12, Blue}, {13, Red}}, Blue, 5);
    game->btn_Board_Click(7);
    EXPECT_TRUE(view.arrow[6]);
    EXPECT_TRUE(view.arrow[2]);
    const int beeps = view.beeps;
    game->img_dir_Click(6);
    EXPECT_EQ(view.message, "You Cant't Push Out");
    EXPECT_EQ(view.beeps, beeps + 1);
    EXPECT_EQ(board().Board[7], Empty);
    EXPECT_EQ(board().Board[8], Red);
    EXPECT_EQ(board().Board[9], Blue);
    EXPECT_EQ(view.Shown(7), 0);
    EXPECT_TRUE(state->PlacementPending);
    EXPECT_FALSE(state->MoveInProgress);
    EXPECT_TRUE(view.backward);

    game->Undo();  // nothing was pushed: nothing to take back
    EXPECT_TRUE(state->PlacementPending);

    game->img_dir_Click(2);
    EXPECT_EQ(board().Board[12], Blue);
    EXPECT_EQ(board().Board[17], Blue);
    EXPECT_EQ(board().Board[7], Empty);
    EXPECT_EQ(state->PushDone, 1);
    EXPECT_FALSE(view.backward);
}

TEST_F(controller, undo_takes_back_the_push_and_nothing_else) {
    Open(5);
    game->btn_Board_Click(8);
    game->img_dir_Click(2);
    game->Undo();
    EXPECT_EQ(board().Board[13], Red);
    EXPECT_EQ(board().Board[18], Empty);
    EXPECT_EQ(view.Shown(13), Red);
    EXPECT_EQ(view.Shown(18), 0);
    EXPECT_EQ(board().SideToMove, Blue);
    EXPECT_EQ(board().MoveNumber, 1);
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(state->PushDone, 0);
    EXPECT_FALSE(view.backward);
    EXPECT_EQ(view.defaultPointerCalls, 1);

    // A completed move cannot be taken back.
    game->SelectLevel(0);
    PersonMoves(8, 2);
    game->Undo();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(board().Board[18], Red);
}

TEST_F(controller, colour_choice_before_the_first_move_only) {
    Open(7);
    game->img_Player_Click(0);  // the person takes Red: the computer plays Blue at once
    EXPECT_EQ(state->ComputerSide, Blue);
    EXPECT_EQ(state->ComputerSideChoice, Blue);
    EXPECT_EQ(view.message, "Thinking ...");
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(board().SideToMove, Red);

    game->img_Player_Click(1);  // too late
    EXPECT_EQ(state->ComputerSide, Blue);

    game->mnu_NewGame_Click();  // the choice is kept for the next game
    EXPECT_EQ(state->ComputerSide, Blue);
    game->img_Player_Click(1);
    EXPECT_EQ(state->ComputerSide, Red);
    EXPECT_EQ(view.message, "Select Red or Blue");
    EXPECT_TRUE(computer.requests.empty());
}

TEST_F(controller, backward_over_one_and_two_moves) {
    Open(7, 0);
    PersonMoves(18, 2);  // Blue above the centre (25) pushes down
    const int afterFirst[2] = {board().Board[25], board().Board[32]};
    game->btn_Board_Click(24);
    game->img_dir_Click(6);
    game->img_dir_Click(0);
    ASSERT_EQ(board().MoveNumber, 3);

    game->Backward();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(board().Board[25], afterFirst[0]);
    EXPECT_EQ(board().Board[32], afterFirst[1]);
    EXPECT_EQ(board().SideToMove, Red);
    EXPECT_TRUE(view.backward);
    EXPECT_EQ(state->StepDelay, 0.1f);

    game->Backward();
    EXPECT_EQ(board().MoveNumber, 1);
    EXPECT_EQ(board().Board[25], Red);
    EXPECT_EQ(board().Board[32], Empty);
    EXPECT_FALSE(view.backward);
    EXPECT_TRUE(clock.pending.empty());
}

TEST_F(controller, a_win_ends_the_game_with_its_message) {
    Open(9, 0);
    // Blue diagonal (3,3),(4,4),(6,6),(7,7) plus Blue on (4,5); Blue pushes down from (3,5).
    SetPosition({{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}}, Blue, 9);
    PersonMoves(23, 2);
    EXPECT_EQ(view.message, "Blue Wins!");
    EXPECT_TRUE(state->GameOver);
    EXPECT_FALSE(view.undo);
    EXPECT_FALSE(view.hint);

    // People may play on; a tentative orbel shows but does not blink.
    game->btn_Board_Click(50);
    EXPECT_EQ(view.Shown(50), Red);
    game->tmr_Select_Timer();
    EXPECT_TRUE(view.image[50]);
}

TEST_F(controller, red_diagonal_goes_on_but_red_six_in_a_column_wins) {
    Open(9, 0);
    SetPosition({{21, Red}, {31, Red}, {51, Red}, {61, Red}, {32, Red}, {60, Blue}}, Red, 10);
    PersonMoves(23, 2);
    EXPECT_FALSE(state->GameOver);

    game->mnu_NewGame_Click();
    // Column 4 rows 2..4 and 6..8 Red, the gap filled by a push from the right.
    SetPosition(
        {{13, Red}, {22, Red}, {31, Red}, {49, Red}, {58, Red}, {67, Red}, {41, Red}, {42, Blue}},
        Blue, 12);
    PersonMoves(43, 4);
    EXPECT_EQ(view.message, "Red Wins!");
    EXPECT_TRUE(state->GameOver);
}

TEST_F(controller, both_lines_at_once_is_a_tie) {
    Open(9, 0);
    SetPosition({{21, Red},
                 {22, Red},
                 {24, Red},
                 {25, Red},
                 {39, Blue},
                 {40, Blue},
                 {42, Blue},
                 {43, Blue},
                 {32, Red},
                 {41, Red},
                 {50, Blue}},
                Blue, 14);
    PersonMoves(59, 8);
    EXPECT_EQ(view.message, "A Tie!");
    EXPECT_TRUE(state->GameOver);
}

TEST_F(controller, the_computer_does_not_reply_after_the_game_is_over) {
    Open(9, 2);
    SetPosition({{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}}, Blue, 9);
    PersonMoves(23, 2);
    ASSERT_TRUE(state->GameOver);
    clock.RunAll();
    EXPECT_TRUE(computer.requests.empty());
    EXPECT_EQ(board().SideToMove, Red);
}

TEST_F(controller, a_side_left_without_a_move_loses) {
    Open(5, 0);
    // Inner field full but for 19; Blue fills it from the top ring and Red cannot move.
    SetPosition(
        {{7, Red}, {8, Blue}, {9, Red}, {12, Blue}, {13, Red}, {14, Blue}, {17, Red}, {18, Blue}},
        Blue, 9);
    PersonMoves(4, 2);
    EXPECT_EQ(board().Board[19], Blue);
    EXPECT_FALSE(HasLegalMove(board()));
    EXPECT_EQ(view.message, "Red Cannot Move - Blue Wins!");
    EXPECT_TRUE(state->GameOver);
    EXPECT_FALSE(view.undo);
    EXPECT_FALSE(view.hint);
}

TEST_F(controller, the_computer_never_plays_when_it_has_no_move) {
    Open(5, 1);
    // Blue (the person) fills the field; the computer, Red, has no move and loses.
    SetPosition(
        {{7, Red}, {8, Blue}, {9, Red}, {12, Blue}, {13, Red}, {14, Blue}, {17, Red}, {18, Blue}},
        Blue, 9);
    PersonMoves(4, 2);
    clock.RunAll();
    EXPECT_TRUE(computer.requests.empty());
    EXPECT_EQ(view.message, "Red Cannot Move - Blue Wins!");
}

TEST_F(controller, hint_in_two_player_mode_searches_three_plies_and_stops) {
    Open(7, 0);
    game->btn_Hint_Click();
    ASSERT_EQ(view.message, "Thinking ...");
    clock.RunAll();
    ASSERT_EQ(computer.requests.size(), 1u);
    EXPECT_EQ(computer.requests[0].level, 3);
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(board().SideToMove, Red);
    EXPECT_EQ(state->SearchLevel, 0);
    EXPECT_TRUE(view.backward);
    EXPECT_TRUE(computer.requests.empty());
}

TEST_F(controller, hint_against_the_computer_is_answered_at_once) {
    Open(7, 2);
    game->btn_Board_Click(18);  // a tentative placement the hint drops
    game->btn_Hint_Click();
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(view.Shown(18), 0);
    clock.RunAll();
    ASSERT_EQ(computer.requests.size(), 1u);
    EXPECT_EQ(computer.requests[0].level, 2);
    EXPECT_EQ(computer.requests[0].position.SideToMove, Blue);
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 3);
    EXPECT_EQ(board().SideToMove, Blue);
}

TEST_F(controller, hint_after_the_push_does_nothing) {
    Open(7, 2);
    game->btn_Board_Click(18);
    game->img_dir_Click(2);
    game->btn_Hint_Click();
    clock.RunAll();
    EXPECT_TRUE(computer.requests.empty());
    EXPECT_EQ(state->PushDone, 1);
}

TEST_F(controller, input_is_ignored_while_the_computer_thinks) {
    Open(7, 3);
    PersonMoves(18, 2);
    clock.RunAll();
    ASSERT_EQ(computer.requests.size(), 1u);
    const BoardState before = board();
    game->btn_Board_Click(17);
    game->img_dir_Click(2);
    game->btn_Hint_Click();
    game->Undo();
    game->Backward();
    game->Forward();
    EXPECT_TRUE(std::equal(before.Board, before.Board + kBoardEntries, board().Board));
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_FALSE(state->PlacementPending);

    // A level chosen now applies from the next move.
    game->SelectLevel(5);
    EXPECT_EQ(computer.requests[0].level, 3);
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 3);
}

TEST_F(controller, new_game_stops_the_search_and_no_stale_move_is_played) {
    Open(7, 3);
    computer.deliverAfterCancel = true;
    PersonMoves(18, 2);
    clock.RunAll();
    ASSERT_EQ(computer.requests.size(), 1u);
    game->mnu_NewGame_Click();
    EXPECT_EQ(computer.cancels, 1);
    EXPECT_EQ(view.busyDepth, 0);
    computer.Finish();  // the old search reports late
    clock.RunAll();
    EXPECT_EQ(board().MoveNumber, 1);
    EXPECT_EQ(board().Board[25], Red);
    EXPECT_EQ(view.message, "Select Red or Blue");

    // A new game started during the pause before the search drops the pending search too.
    PersonMoves(18, 2);
    game->mnu_NewGame_Click();
    clock.RunAll();
    EXPECT_TRUE(computer.requests.empty());
}

class controller_record : public controller {
  protected:
    // Plays `moves` (placement, direction) in two-player mode and keeps them as a record.
    void LoadRecordOf(std::initializer_list<std::pair<int, int>> moves) {
        Open(9, 0);
        for (auto [cell, direction] : moves) PersonMoves(cell, direction);
        const GameRecord record = RecordOfGame(*state);
        game->Form_Load(record);
        game->SelectLevel(0);
    }
    void StepForward() {
        game->Forward();
        clock.RunAll();
    }
};

TEST_F(controller_record, forward_replays_the_record_and_backward_offers_it_again) {
    LoadRecordOf({{32, 2}, {40, 6}, {33, 2}});
    ASSERT_EQ(history().RecordCount, 3);
    StepForward();
    StepForward();
    EXPECT_TRUE(view.forward);
    StepForward();
    EXPECT_FALSE(view.forward);
    EXPECT_TRUE(view.backward);
    EXPECT_EQ(board().MoveNumber, 4);
    game->Backward();
    EXPECT_TRUE(view.forward);
    StepForward();
    EXPECT_EQ(board().MoveNumber, 4);
    EXPECT_EQ(board().Board[51], Blue);
}

TEST_F(controller_record, branching_off_and_coming_back) {
    LoadRecordOf({{32, 2}, {40, 6}, {33, 2}, {49, 6}, {59, 8}});
    ASSERT_EQ(history().RecordCount, 5);
    StepForward();
    StepForward();
    ASSERT_EQ(board().MoveNumber, 3);
    // A different move 3 leaves the record.
    PersonMoves(43, 4);
    EXPECT_EQ(history().BranchMove, 3);
    EXPECT_FALSE(view.forward);
    game->Backward();
    EXPECT_EQ(board().MoveNumber, 3);
    EXPECT_TRUE(view.forward);
    StepForward();
    EXPECT_EQ(history().BranchMove, 0);
    EXPECT_EQ(history().HistoryPlaced[3], history().RecordPlaced[3]);
    EXPECT_EQ(board().MoveNumber, 4);
    EXPECT_TRUE(view.forward);
}

TEST_F(controller, whole_games_against_the_computer_keep_the_board_sound) {
    for (int size : {5, 7, 9}) {
        Open(size, 2);
        game->img_Player_Click(0);  // the computer plays Blue, then Red is the person's
        for (int turn = 0; turn < 60 && !state->GameOver; ++turn) {
            ComputerAnswers();
            if (state->GameOver) break;
            ASSERT_EQ(board().SideToMove, Red);
            game->btn_Hint_Click();  // the person asks for a hint every time
            ComputerAnswers();
            ASSERT_TRUE(BoardIsSound(board()));
        }
        EXPECT_TRUE(state->GameOver) << size;
        EXPECT_NE(view.message, std::string(BlankMessage));
    }
}

}  // namespace
}  // namespace orbel

namespace orbel {
namespace {

// The paths nobody walks: take-backs, stale buttons, Forward over a changed board, modal
// windows and a computer with nothing but losing pushes.
class controller_soundness : public controller_record {
  protected:
    bool Thinking() const { return game->ComputerBusy() || view.message == ThinkingMessage; }
};

TEST_F(controller_soundness, a_root_where_every_push_loses_still_gets_its_move) {
    // Blue to move on 5 x 5: every push loses by running out of pushes, worth about
    // -100000.6; the best are move codes 11 and 21, pushes down from cells 2 and 4.
    Open(5, 3);
    const GameRecord record = testing::EveryPushLosesRecord();
    game->Form_Load(record);
    game->SelectLevel(3);
    for (int i = 0; i < 6; ++i) StepForward();
    ASSERT_EQ(board().MoveNumber, 7);
    ASSERT_EQ(board().SideToMove, Blue);

    game->btn_Hint_Click();
    ComputerAnswers();
    EXPECT_FALSE(Thinking());
    EXPECT_GE(board().MoveNumber, 8);
    const int code = MoveCode(history().HistoryPlaced[7], kDown);
    EXPECT_TRUE(code == 11 || code == 21) << history().HistoryPlaced[7];
    EXPECT_EQ(history().HistoryMoved[7], history().HistoryPlaced[7] + 5);
}

TEST_F(controller_soundness, the_centre_without_a_push_this_turn_leaves_backward_and_forward) {
    Open(5, 0);
    PersonMoves(8, 2);
    PersonMoves(12, 6);
    game->mnu_NewGame_Click();
    ASSERT_FALSE(view.backward);
    game->btn_Board_Click(8);
    game->img_dir_Click(0);
    EXPECT_FALSE(view.backward);  // the pushes that showed it belong to the last game
    EXPECT_FALSE(view.forward);

    // Shown by this game's move, the centre leaves it shown.
    PersonMoves(8, 2);
    game->btn_Board_Click(7);
    game->img_dir_Click(0);
    EXPECT_TRUE(view.backward);
    EXPECT_FALSE(view.forward);
}

TEST_F(controller_soundness, forward_never_replays_a_record_move_onto_a_changed_board) {
    LoadRecordOf({{32, 2}, {40, 6}, {33, 2}, {49, 6}, {59, 8}});
    StepForward();
    // A different move 2 leaves the record; a cell chosen and the centre do not bring
    // Forward back.
    PersonMoves(42, 4);
    ASSERT_EQ(history().BranchMove, 2);
    ASSERT_FALSE(view.forward);
    game->btn_Board_Click(32);
    game->img_dir_Click(0);
    EXPECT_FALSE(view.forward);
    const BoardState before = board();
    game->Forward();
    clock.RunAll();
    EXPECT_TRUE(std::equal(before.Board, before.Board + kBoardEntries, board().Board));
    EXPECT_EQ(board().MoveNumber, before.MoveNumber);
}

TEST_F(controller_soundness, forward_and_backward_drop_a_chosen_cell_first) {
    LoadRecordOf({{32, 2}, {40, 6}, {33, 2}});
    StepForward();
    game->btn_Board_Click(32);
    ASSERT_EQ(view.Shown(32), board().SideToMove);  // the tentative orbel
    StepForward();
    EXPECT_EQ(board().MoveNumber, 3);
    EXPECT_EQ(board().Board[32], Empty);
    EXPECT_EQ(view.Shown(32), 0);
    EXPECT_TRUE(view.button[32]);  // and it can be chosen again
    EXPECT_FALSE(state->PlacementPending);

    game->btn_Board_Click(32);
    game->Backward();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(view.Shown(32), 0);
    EXPECT_TRUE(view.button[32]);
    EXPECT_FALSE(state->PlacementPending);
}

TEST_F(controller_soundness, a_move_found_behind_a_modal_window_waits_for_it_to_close) {
    Open(5);
    PersonMoves(8, 2);
    clock.RunAll();  // the pause before the search
    ASSERT_EQ(computer.requests.size(), 1u);
    game->HoldGame();
    game->HoldGame();  // a message box over the file dialog
    computer.Finish();
    clock.RunAll();
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_TRUE(game->ComputerBusy());
    game->ReleaseGame();
    clock.RunAll();
    EXPECT_EQ(board().MoveNumber, 2);
    game->ReleaseGame();
    clock.RunAll();
    EXPECT_EQ(board().MoveNumber, 3);
    EXPECT_FALSE(Thinking());

    // Held and then dropped by a new game: never played.
    game->mnu_NewGame_Click();
    PersonMoves(8, 2);
    game->HoldGame();
    ComputerAnswers();
    game->mnu_NewGame_Click();
    game->ReleaseGame();
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 1);
    EXPECT_FALSE(Thinking());
}

}  // namespace
}  // namespace orbel

namespace orbel {
namespace {

// The last-move mark, the winning lines and the keyboard, as the window is told them.
class controller_marks : public controller_record {
  protected:
    // The mark shows the last completed move: placed on an empty cell, standing on the
    // colour that moved.
    void ExpectMarkOnLastMove() {
        const int last = board().MoveNumber - 1;
        ASSERT_GE(last, 1);
        EXPECT_EQ(view.placedMark, history().HistoryPlaced[last]);
        EXPECT_EQ(view.standsMark, history().HistoryMoved[last]);
        EXPECT_EQ(board().Board[view.placedMark], Empty);
        EXPECT_EQ(board().Board[view.standsMark], -board().SideToMove);
    }
    void ExpectNoMark() {
        EXPECT_EQ(view.placedMark, 0);
        EXPECT_EQ(view.standsMark, 0);
    }
};

TEST_F(controller_marks, the_person_and_the_computer_move_and_each_is_marked) {
    Open(5);
    ExpectNoMark();
    game->btn_Board_Click(8);
    game->img_dir_Click(2);
    ExpectNoMark();  // a push is not a completed move
    game->img_dir_Click(0);
    EXPECT_EQ(view.placedMark, 8);
    EXPECT_EQ(view.standsMark, 13);
    ComputerAnswers();
    ASSERT_EQ(board().MoveNumber, 3);
    ExpectMarkOnLastMove();
    EXPECT_NE(view.placedMark, 8);
    EXPECT_TRUE(view.winning.empty());
}

TEST_F(controller_marks, a_hint_is_marked) {
    Open(7, 0);
    game->btn_Hint_Click();
    ComputerAnswers();
    ASSERT_EQ(board().MoveNumber, 2);
    ExpectMarkOnLastMove();
    EXPECT_EQ(view.standsMark, 25);  // Blue's first push always moves onto the centre
}

TEST_F(controller_marks, a_push_in_hand_hides_the_mark_and_undo_brings_it_back) {
    Open(5, 0);
    PersonMoves(8, 2);
    game->btn_Board_Click(12);
    ExpectMarkOnLastMove();  // choosing a cell changes nothing on the board
    game->img_dir_Click(6);
    ExpectNoMark();
    game->Undo();
    EXPECT_EQ(view.placedMark, 8);
    EXPECT_EQ(view.standsMark, 13);

    // A refused push leaves the board, and the mark, as they were.
    SetPosition({{8, Red}, {9, Blue}, {12, Blue}, {13, Red}}, Blue, 5);
    game->btn_Board_Click(7);
    game->img_dir_Click(6);
    ASSERT_EQ(view.message, "You Cant't Push Out");
    EXPECT_EQ(view.placedMark, 8);
    EXPECT_EQ(view.standsMark, 13);
}

TEST_F(controller_marks, forward_backward_new_game_and_a_record_keep_the_mark_true) {
    LoadRecordOf({{32, 2}, {40, 6}, {33, 2}});
    ExpectNoMark();  // a record read starts at its first position
    StepForward();
    EXPECT_EQ(view.placedMark, 32);
    EXPECT_EQ(view.standsMark, 41);
    StepForward();
    StepForward();
    EXPECT_EQ(view.placedMark, 33);
    EXPECT_EQ(view.standsMark, 42);
    ExpectMarkOnLastMove();
    game->Backward();
    EXPECT_EQ(view.placedMark, 40);
    EXPECT_EQ(view.standsMark, 41);
    ExpectMarkOnLastMove();
    game->Backward();
    EXPECT_EQ(view.placedMark, 32);
    game->Backward();
    ExpectNoMark();
    StepForward();
    PersonMoves(40, 6);
    ExpectMarkOnLastMove();
    game->mnu_NewGame_Click();
    ExpectNoMark();
}

TEST_F(controller_marks, winning_lines_of_each_kind) {
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> orbels;
        int side;
        int cell, direction;
        const char* message;
        std::vector<int> cells;
    } games[] = {
        {"row along the push",
         {{38, Blue}, {39, Blue}, {41, Blue}, {42, Blue}},
         Blue,
         37,
         kRight,
         "Blue Wins!",
         {38, 39, 40, 41, 42}},
        {"diagonal",
         {{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}},
         Blue,
         23,
         kDown,
         "Blue Wins!",
         {21, 31, 41, 51, 61}},
        {"seven in a column, a Blue push",
         {{13, Red}, {22, Red}, {31, Red}, {49, Red}, {58, Red}, {67, Red}, {41, Red}, {42, Blue}},
         Blue,
         43,
         kLeft,
         "Red Wins!",
         {13, 22, 31, 40, 49, 58, 67}},
        {"a row and a diagonal through one orbel",
         {{38, Blue},
          {39, Blue},
          {40, Blue},
          {42, Blue},
          {21, Blue},
          {31, Blue},
          {51, Blue},
          {61, Blue},
          {32, Blue}},
         Blue,
         23,
         kDown,
         "Blue Wins!",
         {21, 31, 38, 39, 40, 41, 42, 51, 61}},
        {"both colours at once",
         {{21, Red},
          {22, Red},
          {24, Red},
          {25, Red},
          {39, Blue},
          {40, Blue},
          {42, Blue},
          {43, Blue},
          {32, Red},
          {41, Red},
          {50, Blue}},
         Blue,
         59,
         kUp,
         "A Tie!",
         {21, 22, 23, 24, 25, 39, 40, 41, 42, 43}},
    };
    for (const auto& g : games) {
        SCOPED_TRACE(g.what);
        Open(9, 0);
        PersonMoves(32, 2);  // some history, so the position's move counts
        SetPosition({}, g.side, 2);
        for (auto [cell, colour] : g.orbels) {
            board().Board[cell] = static_cast<int16_t>(colour);
            view.DrawCell(cell, colour);
        }
        EXPECT_TRUE(view.winning.empty());
        PersonMoves(g.cell, g.direction);
        EXPECT_EQ(view.message, g.message);
        EXPECT_EQ(view.winning, g.cells);
        ExpectMarkOnLastMove();
    }
}

TEST_F(controller_marks, the_winning_line_stays_until_the_next_move_or_a_new_game) {
    Open(9, 0);
    SetPosition({{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}}, Blue, 9);
    PersonMoves(23, 2);
    const std::vector<int> line{21, 31, 41, 51, 61};
    ASSERT_EQ(view.winning, line);
    game->tmr_Select_Timer();
    game->btn_Board_Click(42);  // people may play on; choosing a cell leaves the line
    EXPECT_EQ(view.winning, line);
    game->img_dir_Click(kLeft);  // the push begins the next move, and breaks the line
    EXPECT_TRUE(view.winning.empty());
    game->img_dir_Click(0);
    EXPECT_TRUE(view.winning.empty());
    EXPECT_EQ(view.message, std::string(BlankMessage));
    ExpectMarkOnLastMove();

    SetPosition({{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}}, Blue, 9);
    PersonMoves(23, 2);
    ASSERT_EQ(view.winning, line);
    game->mnu_NewGame_Click();
    EXPECT_TRUE(view.winning.empty());
    ExpectNoMark();
}

TEST_F(controller_marks, a_side_without_a_move_has_no_line_to_show) {
    Open(5, 0);
    SetPosition(
        {{7, Red}, {8, Blue}, {9, Red}, {12, Blue}, {13, Red}, {14, Blue}, {17, Red}, {18, Blue}},
        Blue, 9);
    PersonMoves(4, 2);
    ASSERT_EQ(view.message, "Red Cannot Move - Blue Wins!");
    EXPECT_TRUE(view.winning.empty());
    EXPECT_EQ(view.placedMark, 4);
    EXPECT_EQ(view.standsMark, 9);
}

class controller_keys : public controller_marks {
  protected:
    void Press(BoardKey key, int times = 1) {
        for (int i = 0; i < times; ++i) game->board_KeyDown(key);
    }
    static bool OnTheBoard(int n, int cell) {
        return cell >= 1 && cell <= n * n && cell != 1 && cell != n && cell != n * n - n + 1 &&
               cell != n * n;
    }
};

TEST_F(controller_keys, the_focus_cell_moves_and_never_leaves_the_board) {
    Open(5);
    EXPECT_EQ(view.focus, 13);
    const struct {
        BoardKey key;
        int stopsAt;
    } walks[] = {{BoardKey::Up, 3},     {BoardKey::Left, 2},  {BoardKey::Down, 22},
                 {BoardKey::Right, 24}, {BoardKey::Up, 4},    {BoardKey::Right, 4},
                 {BoardKey::Left, 2},   {BoardKey::Down, 22}, {BoardKey::Left, 22}};
    for (const auto& walk : walks) {
        for (int i = 0; i < 7; ++i) {
            game->board_KeyDown(walk.key, i > 0);  // a held key repeats
            ASSERT_TRUE(OnTheBoard(5, view.focus)) << view.focus;
        }
        EXPECT_EQ(view.focus, walk.stopsAt);
    }
    // Moving the focus changes nothing else and never beeps.
    EXPECT_EQ(board().MoveNumber, 1);
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(view.beeps, 1);  // "Select Red or Blue"
}

TEST_F(controller_keys, keys_make_a_move_as_the_three_clicks_do) {
    Open(5);
    Press(BoardKey::Up);
    ASSERT_EQ(view.focus, 8);
    Press(BoardKey::Choose);
    EXPECT_TRUE(state->PlacementPending);
    EXPECT_EQ(view.Shown(8), Blue);
    EXPECT_TRUE(view.arrow[2]);
    Press(BoardKey::Left);  // no arrow there: nothing at all
    Press(BoardKey::Up);
    EXPECT_EQ(state->PushDone, 0);
    EXPECT_EQ(view.focus, 8);
    game->board_KeyDown(BoardKey::Down, true);  // a repeat never pushes
    EXPECT_EQ(state->PushDone, 0);
    Press(BoardKey::Down);
    EXPECT_EQ(board().Board[13], Blue);
    EXPECT_EQ(board().Board[18], Red);
    Press(BoardKey::Choose);
    EXPECT_EQ(board().MoveNumber, 2);
    EXPECT_EQ(view.placedMark, 8);
    EXPECT_EQ(view.message, "Thinking ...");

    // Keys are ignored while the computer thinks, as clicks are.
    const int focus = view.focus;
    for (BoardKey key : {BoardKey::Left, BoardKey::Choose, BoardKey::TakeBack}) Press(key);
    EXPECT_EQ(view.focus, focus);
    EXPECT_FALSE(state->PlacementPending);
    ComputerAnswers();
    EXPECT_EQ(board().MoveNumber, 3);
    ExpectMarkOnLastMove();
}

TEST_F(controller_keys, choose_on_an_orbel_or_a_lonely_cell_does_nothing) {
    Open(7);
    Press(BoardKey::Choose);  // the centre holds Red
    EXPECT_FALSE(state->PlacementPending);
    Press(BoardKey::Up, 2);  // two cells above the centre: no neighbour
    Press(BoardKey::Choose);
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(view.beeps, 1);
}

TEST_F(controller_keys, a_refused_push_escape_and_undo_from_the_keyboard) {
    Open(5, 0);
    PersonMoves(8, 2);
    SetPosition({{8, Red}, {9, Blue}, {12, Blue}, {13, Red}}, Blue, 5);
    ASSERT_EQ(view.focus, 8);  // the focus follows a clicked cell
    Press(BoardKey::Left);
    Press(BoardKey::Choose);
    ASSERT_TRUE(view.arrow[6] && view.arrow[2]);
    const int beeps = view.beeps;
    Press(BoardKey::Right);
    EXPECT_EQ(view.message, "You Cant't Push Out");
    EXPECT_EQ(view.beeps, beeps + 1);
    EXPECT_TRUE(state->PlacementPending);
    EXPECT_EQ(board().Board[7], Empty);

    // Escape before a push hands the arrows back to the focus cell; nothing else changes.
    Press(BoardKey::TakeBack);
    EXPECT_TRUE(state->PlacementPending);
    Press(BoardKey::Right);
    EXPECT_EQ(view.focus, 8);
    EXPECT_EQ(board().Board[8], Red);
    Press(BoardKey::Choose);  // an orbel's cell
    EXPECT_EQ(history().HistoryPlaced[5], 7);
    Press(BoardKey::Left);
    Press(BoardKey::Choose);  // back to the cell in hand
    Press(BoardKey::Down);
    EXPECT_EQ(board().Board[12], Blue);
    EXPECT_EQ(board().Board[17], Blue);
    EXPECT_EQ(state->PushDone, 1);
    EXPECT_EQ(view.beeps, beeps + 1);

    // Escape after the push is Undo.
    Press(BoardKey::TakeBack);
    EXPECT_EQ(board().Board[17], Empty);
    EXPECT_EQ(board().Board[8], Red);
    EXPECT_FALSE(state->PlacementPending);
    EXPECT_EQ(view.placedMark, 8);  // the mark of the move before
    EXPECT_EQ(view.standsMark, 13);
    EXPECT_EQ(board().MoveNumber, 5);
    Press(BoardKey::Choose);
    EXPECT_TRUE(state->PlacementPending);
    EXPECT_EQ(view.Shown(7), Blue);
}

TEST_F(controller_keys, escape_takes_nothing_back_when_undo_is_disabled) {
    Open(9, 0);
    SetPosition({{21, Blue}, {31, Blue}, {51, Blue}, {61, Blue}, {32, Blue}, {60, Red}}, Blue, 9);
    PersonMoves(23, 2);
    ASSERT_TRUE(state->GameOver);
    ASSERT_FALSE(view.undo);
    ASSERT_EQ(view.focus, 23);
    Press(BoardKey::Choose);  // people may play on
    Press(BoardKey::Down);
    ASSERT_EQ(state->PushDone, 1);
    Press(BoardKey::TakeBack);
    EXPECT_EQ(state->PushDone, 1);
    EXPECT_EQ(board().Board[32], Red);
    Press(BoardKey::Choose);
    EXPECT_EQ(board().MoveNumber, 11);
}

}  // namespace
}  // namespace orbel
