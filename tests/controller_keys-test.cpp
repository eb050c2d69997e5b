// The board's keys: each does what its click does, the arrows move the focus cell or pick
// the push, and the computer's key acts only while no cell is chosen.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/move_rules.h"
#include "game_table.h"
#include "test_positions.h"

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
// click the key stands for, and then both must show the same and have beeped alike. The
// focus cell, which only keys move, is followed apart: an arrow moves it one cell unless
// that leaves the board or reaches a corner. Where the key is to do nothing, it must
// change nothing.
class Twins {
  public:
    explicit Twins(uint32_t seed)
        : rng_(seed), keyed_([seed] { return seed; }), clicked_([seed] { return seed; }) {
        const int size = 5 + 2 * static_cast<int>(rng_() % 3);
        const int level = static_cast<int>(rng_() % 3);
        keyed_.Open(size, level);
        clicked_.Open(size, level);
        focus_ = CentreCell(size);
    }

    void Step() {
        const int roll = static_cast<int>(rng_() % 100);
        if (roll < 45)
            PressKey();
        else
            Both(SomeEvent(roll));
    }

    void Check() const {
        ASSERT_EQ(keyed_.shown().focusCell, focus_) << trail_;
        GamePicture keyed = keyed_.shown();
        keyed.focusCell = clicked_.shown().focusCell;
        ASSERT_EQ(keyed, clicked_.shown()) << trail_;
        ASSERT_EQ(keyed_.view.beeps, clicked_.view.beeps) << trail_;
        ASSERT_EQ(keyed_.computer->requests.size(), clicked_.computer->requests.size()) << trail_;
    }

    static constexpr int kKeys = 9;
    int acted[kKeys] = {};  // per key: it did what a click does, or moved the focus
    int keysThatDidNothing = 0;

  private:
    using Event = std::function<void(Table&)>;

    void Both(const Event& event) {
        event(keyed_);
        event(clicked_);
    }

    // A chosen cell takes the arrow keys for its push, until Escape hands them back.
    void Choose(Table& t, int cell) {
        t.play().ChooseCell(cell);
        if (keyed_.state().Phase == TurnPhase::CellChosen && keyed_.board().SelectedCell == cell) {
            focus_ = cell;
            keysPickPush_ = true;
        }
    }

    Event SomeEvent(int roll) {
        const int n = keyed_.board().BoardSize;
        if (roll < 65) {
            const int cell = 1 + static_cast<int>(rng_() % (n * n));
            trail_ += " cell" + std::to_string(cell);
            return [this, cell](Table& t) {
                if (&t == &keyed_)
                    Choose(t, cell);
                else
                    t.play().ChooseCell(cell);
            };
        }
        if (roll < 80) {
            const int direction = 2 * static_cast<int>(rng_() % 5);
            trail_ += " push" + std::to_string(direction);
            return [direction](Table& t) { t.play().ChoosePush(direction); };
        }
        if (roll < 92) {
            trail_ += " answer";
            return [](Table& t) { t.ComputerAnswers(); };
        }
        if (roll < 96) {
            trail_ += " backward";
            return [](Table& t) { t.play().StepBackward(); };
        }
        trail_ += " undo";
        return [](Table& t) { t.play().TakeBack(); };
    }

    // The focus cell one step on, or where it is when that step leaves the board or
    // reaches a corner.
    int FocusAfter(int direction) const {
        const int n = keyed_.board().BoardSize;
        const int row = (focus_ - 1) / n + (direction == kDown) - (direction == kUp);
        const int column = (focus_ - 1) % n + (direction == kRight) - (direction == kLeft);
        const bool corner = (row == 0 || row == n - 1) && (column == 0 || column == n - 1);
        if (row < 0 || row >= n || column < 0 || column >= n || corner) return focus_;
        return row * n + column + 1;
    }

    // What the key stands for on the clicked table, or nothing.
    Event ClickFor(BoardKey key, bool repeated) {
        const TurnPhase phase = keyed_.state().Phase;
        const bool choosing = phase == TurnPhase::CellChosen || phase == TurnPhase::PushRefused;
        const bool pickingPush = (choosing && keysPickPush_) || phase == TurnPhase::Pushed;
        const GamePicture& shown = keyed_.shown();
        switch (key) {
            case BoardKey::Up:
            case BoardKey::Down:
            case BoardKey::Left:
            case BoardKey::Right: {
                const int direction = key == BoardKey::Up     ? kUp
                                      : key == BoardKey::Down ? kDown
                                      : key == BoardKey::Left ? kLeft
                                                              : kRight;
                if (!pickingPush) {
                    focus_ = FocusAfter(direction);
                    return [](Table&) {};
                }
                if (repeated || !shown.arrows[direction]) return {};
                return [direction](Table& t) { t.play().ChoosePush(direction); };
            }
            case BoardKey::Choose: {
                if (repeated) return {};
                if (pickingPush) return [](Table& t) { t.play().ChoosePush(0); };
                if (choosing && focus_ == keyed_.board().SelectedCell) {
                    keysPickPush_ = true;  // back to the cell in hand: nothing to see
                    return {};
                }
                if (!shown.Offers(focus_)) return {};
                return [this, cell = focus_](Table& t) {
                    if (&t == &clicked_) t.play().ChooseCell(cell);
                };
            }
            case BoardKey::TakeBack:
                if (repeated) return {};
                if (phase == TurnPhase::Pushed) {
                    if (keyed_.state().GameOver) return {};  // as Undo, which is disabled
                    return [](Table& t) { t.play().TakeBack(); };
                }
                if (pickingPush) keysPickPush_ = false;  // the arrows move the focus again
                return {};
            case BoardKey::PlayRed:
            case BoardKey::PlayBlue: {
                if (repeated) return {};
                const int side = key == BoardKey::PlayRed ? Red : Blue;
                return [side](Table& t) { t.play().ChooseColour(side); };
            }
            case BoardKey::ComputerMoves:
                if (repeated || phase != TurnPhase::ChoosingCell) return {};
                return [](Table& t) { t.play().ChoosePush(0); };
        }
        return {};
    }

    void PressKey() {
        const int which = static_cast<int>(rng_() % kKeys);
        const BoardKey key = static_cast<BoardKey>(which);
        const bool repeated = rng_() % 5 == 0;
        trail_ += " key" + std::to_string(which) + (repeated ? "r" : "");
        const GamePicture before = keyed_.shown();
        const int beeps = keyed_.view.beeps;
        const size_t requests = keyed_.computer->requests.size();
        // Keys are ignored while the computer thinks or shows its move, as clicks are.
        const Event click = keyed_.play().ComputerBusy() ? Event{} : ClickFor(key, repeated);
        keyed_.play().PressKey(key, repeated);
        if (!click) {
            EXPECT_EQ(keyed_.shown(), before) << trail_;
            EXPECT_EQ(keyed_.view.beeps, beeps) << trail_;
            EXPECT_EQ(keyed_.computer->requests.size(), requests) << trail_;
            ++keysThatDidNothing;
            return;
        }
        click(clicked_);
        // Choosing the focus cell takes the arrows for its push, as a click on it does.
        if (key == BoardKey::Choose && keyed_.state().Phase == TurnPhase::CellChosen &&
            keyed_.board().SelectedCell == focus_)
            keysPickPush_ = true;
        ++acted[which];
    }

    std::mt19937 rng_;
    Table keyed_;
    Table clicked_;
    int focus_ = 0;
    bool keysPickPush_ = false;
    std::string trail_;
};

TEST(board_keys, each_key_does_what_its_click_does_in_random_games) {
    int acted[Twins::kKeys] = {};
    int idle = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        Twins twins(seed);
        for (int event = 0; event < 80; ++event) {
            twins.Step();
            twins.Check();
            if (::testing::Test::HasFailure()) return;
        }
        for (int k = 0; k < Twins::kKeys; ++k) acted[k] += twins.acted[k];
        idle += twins.keysThatDidNothing;
    }
    // Every key acted often, and keys that were to do nothing were met often.
    for (int k = 0; k < Twins::kKeys; ++k) EXPECT_GT(acted[k], 25) << "key " << k;
    EXPECT_GT(idle, 1000);
}

// Random games seldom go on after a line: there Escape takes no push back, as Undo is
// disabled, while people may still play on.
TEST(board_keys, escape_takes_nothing_back_once_the_game_is_over) {
    Table table;
    table.Open(9, 0);
    const testing::LinePosition& p = testing::kBlueDiagonal;
    table.SetPosition(p.orbels, p.side, p.moveNumber);
    table.PersonMoves(p.cell, p.direction);
    ASSERT_TRUE(table.state().GameOver);
    ASSERT_FALSE(table.shown().undoEnabled);
    ASSERT_EQ(table.shown().focusCell, 23);
    table.play().PressKey(BoardKey::Choose);
    table.play().PressKey(BoardKey::Down);
    ASSERT_EQ(table.state().Phase, TurnPhase::Pushed);
    table.play().PressKey(BoardKey::TakeBack);
    EXPECT_EQ(table.state().Phase, TurnPhase::Pushed);
    EXPECT_EQ(table.board().Board[32], Red);
    table.play().PressKey(BoardKey::Choose);
    EXPECT_EQ(table.board().MoveNumber, 11);
}

}  // namespace
}  // namespace orbel
