// Whole games of random events through the controller, with what must always hold checked
// after every one of them: the board is sound, the history replays to it, the window shows
// it, a save reads back to it, and the computer never leaves its turn hanging.
//
// ORBEL_RANDOM_SEQUENCES sets the number of sequences for a longer run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/lines.h"
#include "engine/move_generation.h"
#include "engine/move_rules.h"
#include "fake_game_view.h"
#include "game/controller.h"
#include "game/game_records.h"
#include "random_games.h"
#include "records/record_file.h"
#include "records/replay.h"

namespace orbel {
namespace {

using testing::FakeView;
using testing::HandComputer;
using testing::ManualScheduler;

#ifdef NDEBUG
constexpr int kSequences = 1500;
#else
constexpr int kSequences = 300;  // unoptimised and sanitizer builds
#endif
constexpr int kEventsPerSequence = 160;

int SequencesToRun() {
    if (const char* asked = std::getenv("ORBEL_RANDOM_SEQUENCES")) return std::atoi(asked);
    return kSequences;
}

// One program run: the state lives on, the window (view and controller) is made anew
// whenever a record is read, as the real window is.
class ProgramRun {
  public:
    explicit ProgramRun(uint32_t seed) : rng_(seed) {
        const int size = 5 + 2 * static_cast<int>(rng_() % 4 == 0 ? rng_() % 7 : rng_() % 3);
        state_->board.BoardSize = static_cast<int16_t>(size);
        Open(nullptr);
    }

    // One random event; the events are logged so a failure can be replayed by hand.
    void Step() {
        const int n = state_->board.BoardSize;
        // The coin flips are seeded from the clock at every new game; a run must repeat.
        state_->random.Seed(static_cast<uint32_t>(rng_()));
        const int roll = static_cast<int>(rng_() % 100);
        if (roll < 5) {
            const BoardKey key = static_cast<BoardKey>(rng_() % 6);
            const bool repeated = rng_() % 4 == 0;
            Log("board_KeyDown(" + std::to_string(static_cast<int>(key)) +
                (repeated ? ", repeated)" : ")"));
            game_->board_KeyDown(key, repeated);
        } else if (roll < 15) {
            const int cell = 1 + static_cast<int>(rng_() % (n * n));
            Log("btn_Board_Click(" + std::to_string(cell) + ")");
            game_->btn_Board_Click(cell);
        } else if (roll < 30) {
            // A cell that can take an orbel, so that moves are made often.
            const int cell = SomePlacement();
            Log("btn_Board_Click(" + std::to_string(cell) + ")");
            game_->btn_Board_Click(cell);
        } else if (roll < 40) {
            const int direction = SomeOfferedArrow();
            Log("img_dir_Click(" + std::to_string(direction) + ")");
            game_->img_dir_Click(direction);
        } else if (roll < 52) {
            const int index = 2 * static_cast<int>(rng_() % 5);
            Log("img_dir_Click(" + std::to_string(index) + ")");
            game_->img_dir_Click(index);
        } else if (roll < 62) {
            Log("Finish");
            computer_->Finish();
        } else if (roll < 71) {
            Log("RunAll");
            clock_->RunAll();
        } else if (roll < 73) {
            Log("tmr_Select_Timer");
            game_->tmr_Select_Timer();
        } else if (roll < 75) {
            const int index = static_cast<int>(rng_() % 2);
            Log("img_Player_Click(" + std::to_string(index) + ")");
            game_->img_Player_Click(index);
        } else if (roll < 79) {
            Log("Undo");
            game_->Undo();
        } else if (roll < 82) {
            Log("btn_Hint_Click");
            game_->btn_Hint_Click();
        } else if (roll < 87) {
            Log("Backward");
            game_->btn_Backward_Click();
        } else if (roll < 93) {
            Log("Forward");
            game_->btn_Forward_Click();
        } else if (roll < 94) {
            Log("mnu_NewGame_Click");
            game_->mnu_NewGame_Click();
        } else if (roll < 96) {
            // Searches stay shallow: the reference search answers for the computer.
            const int level = static_cast<int>(rng_() % (n <= 9 ? 4 : 3));
            Log("SelectLevel(" + std::to_string(level) + ")");
            game_->SelectLevel(level);
        } else if (roll < 99) {
            ModalWindow();
        } else {
            ReadRecord();
        }
    }

    // Everything that must hold between any two events.
    void Check() {
        const BoardState& b = state_->board;
        if (!trail_.empty()) trail_.back() += "  -> " + Cells(b);
        CheckTheComputerNeverHangs();
        if (::testing::Test::HasFatalFailure()) return;
        const int n = b.BoardSize;
        const int focus = view_->focus;
        ASSERT_TRUE(focus >= 1 && focus <= n * n && focus != 1 && focus != n &&
                    focus != n * n - n + 1 && focus != n * n)
            << "focus cell " << focus << "\n"
            << Trail();
        // While a move is shown its orbel stands on its placement cell, maybe on the ring.
        if (game_->ComputerBusy() || state_->MoveInProgress) return;
        ASSERT_TRUE(BoardIsSound(b)) << Cells(b) << "\n" << Trail();
        CheckHistoryReplaysToTheBoard();
        if (::testing::Test::HasFatalFailure()) return;
        CheckTheViewShowsTheBoard();
        if (::testing::Test::HasFatalFailure()) return;
        CheckTheMarks();
        if (::testing::Test::HasFatalFailure()) return;
        CheckASaveReadsBack();
        if (::testing::Test::HasFatalFailure()) return;
        CheckForwardOffersTheRecord();
    }

    int Events() const { return events_; }
    int MovesMade() const { return movesMade_; }
    int RecordsRead() const { return recordsRead_; }
    int HeldResults() const { return heldResults_; }

  private:
    void Open(const GameRecord* loaded) {
        if (game_) game_->StopComputer();
        view_ = std::make_unique<FakeView>();
        computer_ = std::make_unique<HandComputer>();
        clock_ = std::make_unique<ManualScheduler>();
        game_ = std::make_unique<GameController>(*state_, *view_, *computer_, *clock_);
        if (loaded)
            game_->Form_Load(*loaded);
        else
            game_->Form_Load();
        if (rng_() % 3 == 0) game_->SelectLevel(0);
    }

    int SomePlacement() {
        const BoardState& b = state_->board;
        std::vector<int> cells;
        for (int c = 1; c <= b.CellCount(); ++c)
            if (b.Board[c] == Empty && HasOccupiedNeighbour(b, c)) cells.push_back(c);
        return cells.empty() ? 1 : cells[rng_() % cells.size()];
    }

    // An arrow shown for the chosen cell, or the centre.
    int SomeOfferedArrow() {
        const BoardState& b = state_->board;
        if (!state_->PlacementPending || b.SelectedCell < 1) return 0;
        const OfferedDirections offered = DirectionsOffered(b, b.SelectedCell);
        if (offered.count == 0 || rng_() % 4 == 0) return 0;
        return offered.direction[rng_() % offered.count];
    }

    // While a modal window is open the game stands still, whatever the computer does.
    void ModalWindow() {
        Log("HoldGame");
        game_->HoldGame();
        const BoardState before = state_->board;
        const bool wasBusy = game_->ComputerBusy();
        const int steps = 1 + static_cast<int>(rng_() % 4);
        for (int i = 0; i < steps; ++i) {
            if (rng_() % 2) {
                computer_->Finish();
            } else {
                clock_->RunAll();
            }
            game_->tmr_Select_Timer();
        }
        ASSERT_TRUE(std::equal(before.Board, before.Board + kBoardEntries, state_->board.Board))
            << "the board changed behind a modal window\n"
            << Trail();
        ASSERT_EQ(before.MoveNumber, state_->board.MoveNumber) << Trail();
        if (wasBusy && computer_->requests.empty()) ++heldResults_;
        Log("ReleaseGame");
        game_->ReleaseGame();
    }

    void ReadRecord() {
        const int size = 5 + 2 * static_cast<int>(rng_() % 4);
        const GameRecord record = *testing::RandomRecord(size, static_cast<int>(rng_() % 12), rng_);
        BoardState check;
        ASSERT_TRUE(ReplayRecord(record, check).Ok());
        Log("ReadRecord(size " + std::to_string(size) + ", " + std::to_string(record.RecordCount) +
            " moves)");
        state_->board.BoardSize = record.BoardSize;
        Open(&record);
        ++recordsRead_;
    }

    // On the computer's turn a move or an ending always follows: a computer that is busy
    // has a search or a pause still to come.
    void CheckTheComputerNeverHangs() {
        if (game_->ComputerBusy()) {
            ASSERT_FALSE(computer_->requests.empty() && clock_->pending.empty())
                << "the computer is busy with nothing left to do\n"
                << Trail();
        } else {
            ASSERT_NE(view_->message, ThinkingMessage) << Trail();
        }
        const int moveNumber = state_->board.MoveNumber;
        if (moveNumber != lastMoveNumber_) ++movesMade_;
        lastMoveNumber_ = moveNumber;
    }

    void CheckHistoryReplaysToTheBoard() {
        const BoardState& b = state_->board;
        const MoveHistory& h = state_->history;
        GameRecord played;
        played.BoardSize = b.BoardSize;
        played.RecordCount = static_cast<int16_t>(b.MoveNumber - 1);
        std::copy_n(h.HistoryPlaced, b.MoveNumber, played.RecordPlaced);
        std::copy_n(h.HistoryMoved, b.MoveNumber, played.RecordMoved);
        BoardState replay;
        const RecordStatus status = ReplayRecord(played, replay);
        ASSERT_TRUE(status.Ok()) << RecordMessage(status) << "\n" << Trail();
        ASSERT_TRUE(std::equal(replay.Board, replay.Board + kBoardEntries, b.Board))
            << "the history does not replay to the board\n"
            << Cells(replay) << "\n"
            << Cells(b) << "\n"
            << Trail();
        ASSERT_EQ(replay.SideToMove, b.SideToMove) << Trail();
    }

    // Every cell shows the board, but for the cell in hand, which shows its orbel or blinks.
    void CheckTheViewShowsTheBoard() {
        const BoardState& b = state_->board;
        const int n = b.BoardSize;
        const int inHand = state_->PlacementPending ? b.SelectedCell : 0;
        for (int c = 1; c <= n * n; ++c) {
            if (c == 1 || c == n || c == n * n - n + 1 || c == n * n) {
                ASSERT_FALSE(view_->button[c] || view_->image[c]) << c << "\n" << Trail();
                continue;
            }
            if (c == inHand) {
                const int shown = view_->Shown(c);
                ASSERT_TRUE(shown == 0 || shown == b.SideToMove) << c << "\n" << Trail();
                continue;
            }
            ASSERT_EQ(view_->Shown(c), b.Board[c]) << "cell " << c << "\n" << Trail();
            // An empty cell can be clicked; an orbel's cannot.
            ASSERT_EQ(view_->button[c], b.Board[c] == Empty) << "cell " << c << "\n" << Trail();
        }
        ASSERT_EQ(view_->ring, b.SideToMove) << Trail();
    }

    // The mark is the last completed move, or none at a game's start; no line is marked
    // while the game goes on or after a side could not move.
    void CheckTheMarks() {
        const BoardState& b = state_->board;
        const MoveHistory& h = state_->history;
        if (b.MoveNumber == 1) {
            ASSERT_EQ(view_->placedMark, 0) << Trail();
            ASSERT_EQ(view_->standsMark, 0) << Trail();
        } else {
            ASSERT_EQ(view_->placedMark, h.HistoryPlaced[b.MoveNumber - 1]) << Trail();
            ASSERT_EQ(view_->standsMark, h.HistoryMoved[b.MoveNumber - 1]) << Trail();
            ASSERT_EQ(b.Board[view_->placedMark], Empty) << Trail();
            ASSERT_EQ(b.Board[view_->standsMark], -b.SideToMove) << Trail();
        }
        // Random games seldom complete a line; what they do reach is checked here.
        const bool cannotMove = view_->message.find("Cannot Move") != std::string::npos;
        if (!state_->GameOver || cannotMove) {
            ASSERT_TRUE(view_->winning.empty()) << Trail();
        }
    }

    void CheckASaveReadsBack() {
        const GameRecord saved = RecordOfGame(*state_);
        GameRecord read;
        const RecordStatus status = ParseGameRecord(FormatGameRecord(saved), read);
        ASSERT_TRUE(status.Ok()) << RecordMessage(status) << "\n" << Trail();
        BoardState replay;
        ASSERT_TRUE(ReplayRecord(read, replay).Ok()) << Trail();
        ASSERT_TRUE(std::equal(replay.Board, replay.Board + kBoardEntries, state_->board.Board))
            << "a saved game reads back to another position\n"
            << Trail();
    }

    // Forward is offered only where the game so far is the record's.
    void CheckForwardOffersTheRecord() {
        if (!view_->forward) return;
        const BoardState& b = state_->board;
        const MoveHistory& h = state_->history;
        ASSERT_LE(b.MoveNumber, h.RecordCount) << Trail();
        for (int m = 1; m < b.MoveNumber; ++m) {
            ASSERT_EQ(h.HistoryPlaced[m], h.RecordPlaced[m]) << "move " << m << "\n" << Trail();
            ASSERT_EQ(h.HistoryMoved[m], h.RecordMoved[m]) << "move " << m << "\n" << Trail();
        }
    }

    static std::string Cells(const BoardState& b) {
        std::string text;
        for (int c = 0; c < kBoardEntries; ++c)
            if (b.Board[c] != Empty)
                text += std::to_string(c) + ":" + std::to_string(b.Board[c]) + " ";
        return text;
    }

    void Log(std::string event) {
        ++events_;
        trail_.push_back(std::move(event));
    }

    std::string Trail() const {
        std::ostringstream text;
        text << "events so far (board " << state_->board.BoardSize << "):";
        for (const std::string& event : trail_) text << "\n  " << event;
        return text.str();
    }

    std::mt19937 rng_;
    std::unique_ptr<GameState> state_ = std::make_unique<GameState>();
    std::unique_ptr<FakeView> view_;
    std::unique_ptr<HandComputer> computer_;
    std::unique_ptr<ManualScheduler> clock_;
    std::unique_ptr<GameController> game_;
    std::vector<std::string> trail_;
    int events_ = 0;
    int movesMade_ = 0;
    int recordsRead_ = 0;
    int heldResults_ = 0;
    int lastMoveNumber_ = 1;
};

TEST(controller_random, every_event_sequence_keeps_the_game_sound) {
    const int sequences = SequencesToRun();
    int events = 0;
    int moves = 0;
    int records = 0;
    int held = 0;
    for (int s = 0; s < sequences; ++s) {
        ProgramRun run(static_cast<uint32_t>(1000 + s));
        for (int e = 0; e < kEventsPerSequence; ++e) {
            run.Step();
            if (::testing::Test::HasFatalFailure()) {
                ADD_FAILURE() << "sequence seed " << 1000 + s;
                return;
            }
            run.Check();
            if (::testing::Test::HasFatalFailure()) {
                ADD_FAILURE() << "sequence seed " << 1000 + s;
                return;
            }
        }
        events += run.Events();
        moves += run.MovesMade();
        records += run.RecordsRead();
        held += run.HeldResults();
    }
    // The sequences must reach what they are meant to test.
    EXPECT_GE(moves, sequences * 5);
    EXPECT_GE(records, sequences / 2);
    EXPECT_GE(held, sequences / 20);
    std::printf(
        "%d sequences, %d events, %d move-number changes, %d records read, %d "
        "results held\n",
        sequences, events, moves, records, held);
}

}  // namespace
}  // namespace orbel
