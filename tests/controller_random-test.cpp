// Whole games of random events through the controller, with what must always hold checked
// after every one of them: the board is sound, the history replays to it, the picture the
// window was given shows it, a save reads back to it, the computer never leaves its turn
// hanging, and in some runs the player's store holds the game and gives it back.
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
#include "game_table.h"
#include "random_games.h"
#include "records/record_file.h"
#include "store/game_store.h"
#include "temp_folder.h"

namespace orbel {
namespace {

using testing::FakeView;

#ifdef NDEBUG
constexpr int kSequences = 1500;
#else
constexpr int kSequences = 300;  // unoptimised and sanitizer builds
#endif
constexpr int kEventsPerSequence = 160;
// One run in so many keeps its games in a store, which writes to the disk.
constexpr int kStoreEvery = 20;

int SequencesToRun() {
    if (const char* asked = std::getenv("ORBEL_RANDOM_SEQUENCES")) return std::atoi(asked);
    return kSequences;
}

// One program run: the game lives on, a new window (view) opens on it whenever a record
// is read, as the real window does.
class ProgramRun {
  public:
    // The coin flips of every new game are drawn from the run's generator, so a run repeats.
    // With a `storeFile`, the player's games are kept there.
    explicit ProgramRun(uint32_t seed, const std::filesystem::path& storeFile = {})
        : rng_(seed), table_([this] { return static_cast<uint32_t>(rng_()); }) {
        if (!storeFile.empty()) {
            storeFile_ = storeFile;
            store_ = std::make_unique<GameStore>(storeFile, GameStore::Teller{});
            store_->Attach(*table_.game);
        }
        // Sound from the moment it is made, before a size is chosen: a window or an analysis
        // attached first sees it so.
        EXPECT_TRUE(BoardIsSound(board()));
        const int size = 5 + 2 * static_cast<int>(rng_() % 4 == 0 ? rng_() % 7 : rng_() % 3);
        table_.game->ChooseSize(size);
        Open();
    }

    // One random event; the events are logged so a failure can be replayed by hand.
    void Step() {
        const int n = board().BoardSize;
        GameController& game = table_.play();
        const int roll = static_cast<int>(rng_() % 100);
        if (roll < 5) {
            const BoardKey key = static_cast<BoardKey>(rng_() % 9);
            const bool repeated = rng_() % 4 == 0;
            Log("PressKey(" + std::to_string(static_cast<int>(key)) +
                (repeated ? ", repeated)" : ")"));
            game.PressKey(key, repeated);
        } else if (roll < 15) {
            const int cell = 1 + static_cast<int>(rng_() % (n * n));
            Log("ChooseCell(" + std::to_string(cell) + ")");
            game.ChooseCell(cell);
        } else if (roll < 30) {
            // A cell that can take an orbel, so that moves are made often.
            const int cell = SomePlacement();
            Log("ChooseCell(" + std::to_string(cell) + ")");
            game.ChooseCell(cell);
        } else if (roll < 40) {
            const int direction = SomeOfferedArrow();
            Log("ChoosePush(" + std::to_string(direction) + ")");
            game.ChoosePush(direction);
        } else if (roll < 52) {
            const int index = 2 * static_cast<int>(rng_() % 5);
            Log("ChoosePush(" + std::to_string(index) + ")");
            game.ChoosePush(index);
        } else if (roll < 62) {
            Log("Finish");
            table_.computer->Finish();
        } else if (roll < 71) {
            Log("RunAll");
            table_.clock.RunAll();
        } else if (roll < 73) {
            Log("Blink");
            game.Blink();
        } else if (roll < 75) {
            const int side = rng_() % 2 ? Blue : Red;
            Log("ChooseColour(" + std::to_string(side) + ")");
            game.ChooseColour(side);
        } else if (roll < 79) {
            Log("TakeBack");
            game.TakeBack();
        } else if (roll < 82) {
            Log("AskHint");
            game.AskHint();
        } else if (roll < 85) {
            Log("StepBackward");
            game.StepBackward();
        } else if (roll < 87) {
            // A review row stepped into: any move, those not behind the game included.
            const int move = static_cast<int>(rng_() % (board().MoveNumber + 2));
            Log("StepBackTo(" + std::to_string(move) + ")");
            game.StepBackTo(move);
        } else if (roll < 93) {
            Log("StepForward");
            game.StepForward();
        } else if (roll < 94) {
            Log("NewGame");
            game.NewGame();
        } else if (roll < 96) {
            // Searches stay shallow: the reference search answers for the computer.
            const int level = static_cast<int>(rng_() % (n <= 9 ? 4 : 3));
            Log("ChooseLevel(" + std::to_string(level) + ")");
            game.ChooseLevel(level);
        } else if (roll < 99) {
            ModalWindow();
        } else {
            ReadRecord();
        }
    }

    // Everything that must hold between any two events.
    void Check() {
        const BoardState& b = board();
        if (!trail_.empty()) trail_.back() += "  -> " + Cells(b);
        ASSERT_TRUE(BoardIsSound(b)) << Cells(b) << "\n" << Trail();
        // The window was given the game as it stands after the event.
        ASSERT_TRUE(view_->shown == table_.play().picture()) << "a change was never shown\n"
                                                             << Trail();
        CheckTheComputerNeverHangs();
        if (::testing::Test::HasFatalFailure()) return;
        const int n = b.BoardSize;
        const int focus = shown().focusCell;
        ASSERT_TRUE(focus >= 1 && focus <= n * n && focus != 1 && focus != n &&
                    focus != n * n - n + 1 && focus != n * n)
            << "focus cell " << focus << "\n"
            << Trail();
        CheckThePictureShowsTheBoard();
        if (::testing::Test::HasFatalFailure()) return;
        CheckHistoryReplaysToTheCompletedPosition();
        if (::testing::Test::HasFatalFailure()) return;
        CheckTheStoreKeepsTheGame();
        if (::testing::Test::HasFatalFailure()) return;
        // A push waiting to be confirmed is on the board but not yet in the history.
        if (table_.state().Phase == TurnPhase::Pushed) return;
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
    int Continued() const { return continued_; }

  private:
    const BoardState& board() const { return table_.board(); }
    const GamePicture& shown() const { return view_->shown; }

    // A window opens on the game as it stands, at some level.
    void Open() {
        view_ = std::make_unique<FakeView>();
        table_.play().Attach(view_.get());
        table_.play().OpenGame(rng_() % 3 == 0 ? 0 : 1);
    }

    int SomePlacement() {
        const BoardState& b = board();
        std::vector<int> cells;
        for (int c = 1; c <= b.CellCount(); ++c)
            if (b.Board[c] == Empty && HasOccupiedNeighbour(b, c)) cells.push_back(c);
        return cells.empty() ? 1 : cells[rng_() % cells.size()];
    }

    // An arrow shown for the chosen cell, or the centre.
    int SomeOfferedArrow() {
        const BoardState& b = board();
        const TurnPhase phase = table_.state().Phase;
        if (phase != TurnPhase::CellChosen && phase != TurnPhase::PushRefused) return 0;
        const OfferedDirections offered = DirectionsOffered(b, b.SelectedCell);
        if (offered.count == 0 || rng_() % 4 == 0) return 0;
        return offered.direction[rng_() % offered.count];
    }

    // While a modal window is open the game stands still, whatever the computer does.
    void ModalWindow() {
        Log("HoldGame");
        GameController& game = table_.play();
        game.HoldGame();
        const BoardState before = board();
        const bool wasBusy = game.ComputerBusy();
        const int steps = 1 + static_cast<int>(rng_() % 4);
        for (int i = 0; i < steps; ++i) {
            if (rng_() % 2) {
                table_.computer->Finish();
            } else {
                table_.clock.RunAll();
            }
            game.Blink();
        }
        ASSERT_TRUE(std::equal(before.Board, before.Board + kBoardEntries, board().Board))
            << "the board changed behind a modal window\n"
            << Trail();
        ASSERT_EQ(before.MoveNumber, board().MoveNumber) << Trail();
        if (wasBusy && table_.computer->requests.empty()) ++heldResults_;
        Log("ReleaseGame");
        game.ReleaseGame();
    }

    void ReadRecord() {
        const int size = 5 + 2 * static_cast<int>(rng_() % 4);
        const GameRecord record = *testing::RandomRecord(size, static_cast<int>(rng_() % 12), rng_);
        BoardState check;
        ASSERT_TRUE(ReplayMoves(record.BoardSize, record.Moves, check).Ok());
        Log("ReadRecord(size " + std::to_string(size) + ", " +
            std::to_string(record.Moves.count()) + " moves)");
        // The old window closes, as Load Game closes it, then the record opens.
        table_.play().Detach(view_.get());
        table_.game->Stop();
        table_.game->TakeRecord(record);
        Open();
        ++recordsRead_;
    }

    // On the computer's turn a move or an ending always follows: a computer that is busy
    // has a search or a pause still to come.
    void CheckTheComputerNeverHangs() {
        if (table_.play().ComputerBusy()) {
            ASSERT_FALSE(table_.computer->requests.empty() && table_.clock.pending.empty())
                << "the computer is busy with nothing left to do\n"
                << Trail();
        } else {
            ASSERT_NE(shown().message, ThinkingMessage) << Trail();
            ASSERT_FALSE(shown().busy) << Trail();
        }
        const int moveNumber = board().MoveNumber;
        if (moveNumber != lastMoveNumber_) ++movesMade_;
        lastMoveNumber_ = moveNumber;
    }

    // The history replays to the position of the completed moves, which is the board
    // itself unless a push waits to be confirmed.
    void CheckHistoryReplaysToTheCompletedPosition() {
        const BoardState& b = board();
        const MoveHistory& h = table_.history();
        auto completed = std::make_unique<BoardState>();
        table_.play().CompletedPosition(*completed);
        if (table_.state().Phase != TurnPhase::Pushed) {
            ASSERT_TRUE(std::equal(b.Board, b.Board + kBoardEntries, completed->Board)) << Trail();
        }
        ASSERT_EQ(completed->MoveNumber, b.MoveNumber) << Trail();
        ASSERT_EQ(h.Played.count(), b.MoveNumber - 1) << Trail();
        BoardState replay;
        const Replay replayed = ReplayMoves(b.BoardSize, h.Played, replay);
        ASSERT_TRUE(replayed.Ok()) << "move " << replayed.move << " refused\n" << Trail();
        ASSERT_TRUE(std::equal(replay.Board, replay.Board + kBoardEntries, completed->Board))
            << "the history does not replay to the completed position\n"
            << Cells(replay) << "\n"
            << Cells(*completed) << "\n"
            << Trail();
        ASSERT_EQ(replay.SideToMove, completed->SideToMove) << Trail();
    }

    // The store holds the completed moves, the level and the steps offered as the game has
    // them; now and then the program starts again from it and goes on with the same game.
    void CheckTheStoreKeepsTheGame() {
        if (!store_) return;
        store_->WaitUntilWritten();
        std::string problem;
        const std::optional<StoreContents> stored = ReadStore(storeFile_, problem);
        ASSERT_TRUE(stored && stored->current) << problem << "\n" << Trail();
        const KeptGame& kept = *stored->current;
        ASSERT_TRUE(kept == KeepGame(table_.state())) << "a change was never kept\n" << Trail();
        auto completed = std::make_unique<BoardState>();
        auto replay = std::make_unique<BoardState>();
        table_.play().CompletedPosition(*completed);
        ASSERT_TRUE(ReplayMoves(kept.boardSize, kept.moves, *replay).Ok()) << Trail();
        ASSERT_TRUE(std::equal(replay->Board, replay->Board + kBoardEntries, completed->Board))
            << "the kept moves do not replay to the game\n"
            << Trail();
        ASSERT_EQ(replay->MoveNumber, completed->MoveNumber) << Trail();
        ASSERT_EQ(kept.level, table_.state().SearchLevel) << Trail();
        if (events_ % 16 != 0) return;
        // A game left for another is kept as it was, on its own board.
        for (const FinishedGame& finished : store_->ReadHistory().games)
            ASSERT_TRUE(store_->FinishedRecord(finished.id))
                << "a finished game does not replay on its size\n"
                << Trail();
        testing::Table again;
        ASSERT_TRUE(again.game->Continue(kept)) << Trail();
        again.Show(1);
        ASSERT_TRUE(KeepGame(again.state()) == kept) << "the game came back changed\n" << Trail();
        ASSERT_TRUE(
            std::equal(again.board().Board, again.board().Board + kBoardEntries, completed->Board))
            << Trail();
        ASSERT_EQ(again.shown().backwardShown, kept.backwardOffered) << Trail();
        ASSERT_EQ(again.shown().forwardShown, kept.forwardOffered) << Trail();
        const bool computersTurn = kept.level != 0 && !kept.over && !kept.forwardOffered &&
                                   again.board().SideToMove == kept.computerSide &&
                                   HasLegalMove(again.board());
        ASSERT_EQ(again.play().ComputerBusy(), computersTurn) << Trail();
        ++continued_;
    }

    // Every cell shows the board, but for the orbel in hand, which shows or blinks; only an
    // empty cell can be clicked.
    void CheckThePictureShowsTheBoard() {
        const BoardState& b = board();
        const GamePicture& p = shown();
        const int n = b.BoardSize;
        ASSERT_EQ(p.boardSize, n) << Trail();
        for (int c = 1; c <= n * n; ++c) {
            if (c == 1 || c == n || c == n * n - n + 1 || c == n * n) {
                ASSERT_FALSE(p.Offers(c) || p.Shown(c) != Empty) << c << "\n" << Trail();
                continue;
            }
            if (c == p.handCell) {
                ASSERT_TRUE(p.Shown(c) == Empty || p.Shown(c) == b.SideToMove) << c << "\n"
                                                                               << Trail();
                ASSERT_FALSE(p.Offers(c)) << c << "\n" << Trail();
                continue;
            }
            ASSERT_EQ(p.Shown(c), b.Board[c]) << "cell " << c << "\n" << Trail();
            ASSERT_EQ(p.Offers(c), b.Board[c] == Empty) << "cell " << c << "\n" << Trail();
        }
        ASSERT_EQ(p.ringSide, b.SideToMove) << Trail();
    }

    // The mark is the last completed move, or none at a game's start; no line is marked
    // while the game goes on or after a side could not move.
    void CheckTheMarks() {
        const BoardState& b = board();
        const MoveHistory& h = table_.history();
        const GamePicture& p = shown();
        if (b.MoveNumber == 1) {
            ASSERT_EQ(p.lastPlaced, 0) << Trail();
            ASSERT_EQ(p.lastStands, 0) << Trail();
        } else {
            ASSERT_EQ(p.lastPlaced, h.Played[b.MoveNumber - 1].placed) << Trail();
            ASSERT_EQ(p.lastStands, h.Played[b.MoveNumber - 1].moved) << Trail();
            ASSERT_EQ(b.Board[p.lastPlaced], Empty) << Trail();
            ASSERT_EQ(b.Board[p.lastStands], -b.SideToMove) << Trail();
        }
        // Random games seldom complete a line; what they do reach is checked here.
        const bool cannotMove = p.message.find("Cannot Move") != std::string::npos;
        if (!table_.state().GameOver || cannotMove) {
            ASSERT_EQ(p.winning.count, 0) << Trail();
        }
    }

    void CheckASaveReadsBack() {
        const GameRecord saved = table_.game->Record();
        GameRecord read;
        const RecordStatus status = ParseGameRecord(FormatGameRecord(saved), read);
        ASSERT_TRUE(status.Ok()) << RecordMessage(status) << "\n" << Trail();
        BoardState replay;
        ASSERT_TRUE(ReplayMoves(read.BoardSize, read.Moves, replay).Ok()) << Trail();
        ASSERT_TRUE(std::equal(replay.Board, replay.Board + kBoardEntries, board().Board))
            << "a saved game reads back to another position\n"
            << Trail();
    }

    // Forward is offered only where the game so far is the record's.
    void CheckForwardOffersTheRecord() {
        if (!shown().forwardShown) return;
        const BoardState& b = board();
        const MoveHistory& h = table_.history();
        ASSERT_LE(b.MoveNumber, h.Record.count()) << Trail();
        ASSERT_EQ(h.Played.SharedWith(h.Record), b.MoveNumber - 1) << Trail();
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
        text << "events so far (board " << board().BoardSize << "):";
        for (const std::string& event : trail_) text << "\n  " << event;
        return text.str();
    }

    std::mt19937 rng_;
    // The store outlives the game it keeps.
    std::filesystem::path storeFile_;
    std::unique_ptr<GameStore> store_;
    testing::Table table_;
    int continued_ = 0;
    std::unique_ptr<FakeView> view_;
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
    int continued = 0;
    // Each kept change is synced to the disk; a file system in memory makes that free.
    const testing::TempFolder folder("orbel-random-store",
                                     std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "");
    for (int s = 0; s < sequences; ++s) {
        ProgramRun run(static_cast<uint32_t>(1000 + s),
                       s % kStoreEvery == 0 ? folder.path / (std::to_string(s) + ".db")
                                            : std::filesystem::path());
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
        continued += run.Continued();
    }
    // The sequences must reach what they are meant to test.
    EXPECT_GE(moves, sequences * 5);
    EXPECT_GE(records, sequences / 2);
    EXPECT_GE(held, sequences / 20);
    EXPECT_GE(continued, sequences / kStoreEvery);
    std::printf(
        "%d sequences, %d events, %d move-number changes, %d records read, %d "
        "results held, %d games continued from the store\n",
        sequences, events, moves, records, held, continued);
}

}  // namespace
}  // namespace orbel
