// The keys for the colour pictures and the centre mark: each does what its click does, and
// the computer's key only while no cell is chosen.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/move_rules.h"
#include "game_table.h"

namespace orbel {
namespace {

using testing::Table;

TEST(colour_keys, red_before_the_first_move_lets_the_computer_open_as_blue) {
    Table table;
    table.Open(9);
    table.play().PressKey(BoardKey::PlayRed);
    EXPECT_EQ(table.state().ComputerSide, Blue);
    table.ComputerAnswers();
    EXPECT_EQ(table.board().MoveNumber, 2);
    EXPECT_EQ(table.shown().ringSide, Red);

    // Once a move is made the colours stay as they are.
    table.play().PressKey(BoardKey::PlayBlue);
    EXPECT_EQ(table.state().ComputerSide, Blue);
}

TEST(computer_key, moves_for_the_computer_only_while_no_cell_is_chosen) {
    Table table;
    table.Open(9);
    const int centre = CentreCell(9);
    table.PersonMoves(centre - 1, kRight);
    table.ComputerAnswers();
    // Back to the computer's turn, which it does not take by itself.
    table.play().StepBackward();
    ASSERT_EQ(table.board().SideToMove, Red);
    ASSERT_EQ(table.board().MoveNumber, 2);

    const int beeps = table.view.beeps;
    const auto keyChangesNothing = [&] {
        const GamePicture before = table.shown();
        table.play().PressKey(BoardKey::ComputerMoves);
        EXPECT_EQ(table.shown(), before);
        EXPECT_EQ(table.view.beeps, beeps);
        EXPECT_TRUE(table.computer->requests.empty());
        table.clock.RunAll();
        EXPECT_TRUE(table.computer->requests.empty());
    };
    table.play().ChooseCell(centre - 1);
    keyChangesNothing();
    // Unlike the centre mark, the key never confirms a push.
    table.play().ChoosePush(kRight);
    keyChangesNothing();

    table.play().TakeBack();
    table.play().PressKey(BoardKey::ComputerMoves);
    EXPECT_EQ(table.view.beeps, beeps + 1);
    table.ComputerAnswers();
    EXPECT_EQ(table.board().MoveNumber, 3);
    EXPECT_EQ(table.board().SideToMove, Blue);
}

// Two tables go through the same random events; where one gets a key the other gets the
// click the key stands for, and then both must show the same and have beeped alike. Where
// the key is to do nothing, it must change nothing.
class Twins {
  public:
    explicit Twins(uint32_t seed)
        : rng_(seed), keyed_([seed] { return seed; }), clicked_([seed] { return seed; }) {
        const int size = 5 + 2 * static_cast<int>(rng_() % 3);
        const int level = static_cast<int>(rng_() % 3);
        keyed_.Open(size, level);
        clicked_.Open(size, level);
    }

    void Step() {
        const int roll = static_cast<int>(rng_() % 100);
        if (roll < 30)
            PressKey();
        else
            Both(SomeEvent(roll));
    }

    void Check() const {
        ASSERT_EQ(keyed_.shown(), clicked_.shown()) << trail_;
        ASSERT_EQ(keyed_.view.beeps, clicked_.view.beeps) << trail_;
        ASSERT_EQ(keyed_.computer->requests.size(), clicked_.computer->requests.size()) << trail_;
    }

    int keysThatActed = 0;
    int keysThatDidNothing = 0;

  private:
    using Event = std::function<void(Table&)>;

    void Both(const Event& event) {
        event(keyed_);
        event(clicked_);
    }

    Event SomeEvent(int roll) {
        const int n = keyed_.board().BoardSize;
        if (roll < 55) {
            const int cell = 1 + static_cast<int>(rng_() % (n * n));
            trail_ += " cell" + std::to_string(cell);
            return [cell](Table& t) { t.play().ChooseCell(cell); };
        }
        if (roll < 75) {
            const int direction = 2 * static_cast<int>(rng_() % 5);
            trail_ += " push" + std::to_string(direction);
            return [direction](Table& t) { t.play().ChoosePush(direction); };
        }
        if (roll < 90) {
            trail_ += " answer";
            return [](Table& t) { t.ComputerAnswers(); };
        }
        if (roll < 95) {
            trail_ += " backward";
            return [](Table& t) { t.play().StepBackward(); };
        }
        trail_ += " undo";
        return [](Table& t) { t.play().TakeBack(); };
    }

    void PressKey() {
        const int which = static_cast<int>(rng_() % 3);
        const bool repeated = rng_() % 5 == 0;
        const BoardKey key = which == 0   ? BoardKey::PlayRed
                             : which == 1 ? BoardKey::PlayBlue
                                          : BoardKey::ComputerMoves;
        trail_ += " key" + std::to_string(which) + (repeated ? "r" : "");
        const GamePicture before = keyed_.shown();
        const int beeps = keyed_.view.beeps;
        const size_t requests = keyed_.computer->requests.size();
        const bool noCellChosen = keyed_.state().Phase == TurnPhase::ChoosingCell;
        keyed_.play().PressKey(key, repeated);
        if (repeated || (key == BoardKey::ComputerMoves && !noCellChosen)) {
            EXPECT_EQ(keyed_.shown(), before) << trail_;
            EXPECT_EQ(keyed_.view.beeps, beeps) << trail_;
            EXPECT_EQ(keyed_.computer->requests.size(), requests) << trail_;
            ++keysThatDidNothing;
            return;
        }
        if (key == BoardKey::ComputerMoves)
            clicked_.play().ChoosePush(0);
        else
            clicked_.play().ChooseColour(key == BoardKey::PlayRed ? Red : Blue);
        ++keysThatActed;
    }

    std::mt19937 rng_;
    Table keyed_;
    Table clicked_;
    std::string trail_;
};

TEST(board_keys, each_key_does_what_its_click_does_in_random_games) {
    int acted = 0;
    int idle = 0;
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        Twins twins(seed);
        for (int event = 0; event < 60; ++event) {
            twins.Step();
            twins.Check();
            if (::testing::Test::HasFailure()) return;
        }
        acted += twins.keysThatActed;
        idle += twins.keysThatDidNothing;
    }
    // Both sides of the rule were met often.
    EXPECT_GT(acted, 300);
    EXPECT_GT(idle, 300);
}

}  // namespace
}  // namespace orbel
