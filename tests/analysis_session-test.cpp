// The analysis that follows a game, without a window: which position it searches after each
// game event, that it stops whenever the game's computer thinks, and which review rows it
// keeps, checked against an analyser of the test's own.
#include "game/analysis_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "analysis_reference.h"
#include "engine/move_rules.h"
#include "game_table.h"
#include "random_games.h"

namespace orbel {
namespace {

using testing::Reference;
using testing::Summary;

// Results posted from the analysis threads, run when the test waits for them.
class Inbox final : public Scheduler {
  public:
    void After(float, std::function<void()>) override { ADD_FAILURE() << "no pauses here"; }
    void Post(std::function<void()> then) override {
        const std::lock_guard lock(mutex_);
        posted_.push_back(std::move(then));
        arrived_.notify_all();
    }
    // Runs what arrives until `done` holds; false if a minute passes first.
    bool RunUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::unique_lock lock(mutex_);
            if (!arrived_.wait_for(lock, std::chrono::milliseconds(2),
                                   [this] { return !posted_.empty(); }))
                continue;
            const std::function<void()> next = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            next();
        }
        return true;
    }
    // Runs what arrives for a while.
    void RunFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        RunUntil([end] { return std::chrono::steady_clock::now() > end; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> posted_;
};

// The window: after every picture the analysis follows the game. A busy picture that finds
// a search still running is counted, and so is one that has the analysis follow a position
// that is not sound (a board whose size, cells and neighbours disagree).
struct FollowingView : testing::FakeView {
    AnalysisSession* session = nullptr;
    int searchesBesideTheComputer = 0;
    int unsoundFollowed = 0;
    void Show(const GamePicture& picture) override {
        FakeView::Show(picture);
        if (!session) return;
        session->Follow();
        if (picture.busy && session->Searching()) ++searchesBesideTheComputer;
        if (!BoardIsSound(session->position())) ++unsoundFollowed;
    }
};

// What a window that redraws only when the session tells it would be showing.
struct Shown {
    AnalysisSession::Standing standing;
    bool boardShows;
    unsigned serial;
    int level;
    int reviewed;
    int completed;
    std::vector<int> line;
    bool operator==(const Shown&) const = default;

    static Shown Of(const AnalysisSession& s) {
        const ExpectedLine* line = s.line();
        return {
            s.standing(),
            s.BoardShowsPosition(),
            s.serial(),
            s.finished() ? s.finished()->level : 0,
            s.reviewedMoves(),
            s.completedMoves(),
            line ? std::vector<int>(line->codes, line->codes + line->count) : std::vector<int>{-1}};
    }
};

class analysis_session : public ::testing::Test, public testing::Table {
  protected:
    ~analysis_session() override {
        play().Detach(&window);
        session.reset();
    }

    // A game of `size` at `level` on the table with the analysis following it.
    void Start(int size, int level, int deepest, int reviewLevel) {
        game->ChooseSize(size);
        Follow(deepest, reviewLevel);
        play().OpenGame(level);
    }
    void Follow(int deepest, int reviewLevel) {
        session = std::make_unique<AnalysisSession>(*game, inbox);
        session->OnChange([this] { told = Shown::Of(*session); });
        told = Shown::Of(*session);
        session->SetDeepest(deepest);
        session->SetReviewLevel(reviewLevel);
        window.session = session.get();
        play().Attach(&window);
    }
    // A read record, as Load Game opens it in a new window.
    void Read(const GameRecord& record, int level) {
        game->TakeRecord(record);
        play().Attach(&window);
        play().OpenGame(level);
    }

    BoardState Completed() const {
        BoardState b;
        game->controller().CompletedPosition(b);
        return b;
    }
    int CompletedMoves() const { return board().MoveNumber - 1; }

    // Nothing is left to search: the computer moves, or the position is done to the
    // deepest level with its line (or the game is over), every completed move is reviewed
    // and both searches have returned.
    bool Settled() const {
        using S = AnalysisSession::Standing;
        const S s = session->standing();
        if (s == S::ComputerMoves) return true;
        const bool lineIn = s != S::Finished || session->finished()->count == 0 || session->line();
        return (s == S::Finished || s == S::GameOver) && lineIn &&
               session->reviewedMoves() == session->completedMoves() && !session->Searching();
    }
    void Settle() {
        ASSERT_TRUE(inbox.RunUntil([this] { return Settled(); })) << Where();
    }

    std::string Where() const { return testing::Cells(board()); }

    // What the session shows is what the test's own analyser finds for the game now.
    void ExpectShowsTheGame() {
        const BoardState completed = Completed();
        ASSERT_TRUE(testing::SamePosition(session->position(), completed)) << Where();
        EXPECT_EQ(session->completedMoves(), CompletedMoves());
        const GameState& s = state();
        EXPECT_EQ(session->BoardShowsPosition(),
                  !play().ComputerBusy() && !s.GameOver && s.Phase != TurnPhase::Pushed);
        if (session->standing() == AnalysisSession::Standing::Finished) {
            const LevelAnalysis* a = session->finished();
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->level, session->deepest());
            EXPECT_EQ(Summary(*a), reference.Analyse(completed, session->deepest())) << Where();
            // The line of the chosen move, or of the first of the best set.
            if (a->count > 0) {
                const bool chosen =
                    std::any_of(a->moves, a->moves + a->count,
                                [&](const AnalysedMove& m) { return m.code == session->chosen(); });
                const int first = chosen ? session->chosen() : a->best.codes[0];
                ASSERT_NE(session->line(), nullptr) << Where();
                EXPECT_EQ(std::vector<int>(session->line()->codes,
                                           session->line()->codes + session->line()->count),
                          reference.Line(completed, first, a->level))
                    << Where();
            }
        }
        std::vector<testing::RowSummary> rows;
        for (int k = 1; k <= session->reviewedMoves(); ++k)
            rows.push_back(Summary(session->reviewed(k)));
        EXPECT_EQ(rows, reference.Review(board().BoardSize, history().Played,
                                         session->reviewedMoves(), session->reviewLevel()))
            << Where();
        EXPECT_EQ(window.searchesBesideTheComputer, 0);
    }

    // The long opening stepped through, its deepening to level 11 under way.
    void ReadLongOpening() {
        game->ChooseSize(13);
        Follow(kDeepestLevel, 1);
        Read(testing::LongAnalysisRecord(), 1);
        for (int i = 0; i < 3; ++i) {
            play().StepForward();
            clock.RunAll();
        }
        ASSERT_EQ(CompletedMoves(), 3);
        ASSERT_TRUE(inbox.RunUntil([this] {
            return session->finished() && session->finished()->level >= 3 && session->Searching() &&
                   session->reviewedMoves() == 3;
        }));
    }

    // A legal move of the side to move other than `other`, made with the three clicks.
    void PlayAnyMove(std::mt19937& rng, int other = 0) {
        BoardState b = Completed();
        const testing::Offered offered(b);
        ASSERT_GT(offered.count, 1);
        int code = other;
        while (code == other) code = offered.Random(rng);
        PersonMoves(PlacementOf(code), DirectionOf(code));
    }

    Inbox inbox;
    std::unique_ptr<AnalysisSession> session;
    Shown told{};
    FollowingView window;
    Reference reference;
};

TEST_F(analysis_session, follows_the_completed_moves_whoever_is_to_move) {
    Start(9, 0, 4, 3);
    Settle();
    ExpectShowsTheGame();
    EXPECT_EQ(session->standing(), AnalysisSession::Standing::Finished);
    EXPECT_TRUE(session->BoardShowsPosition());

    // A cell in hand, a push waiting and its take-back leave the position as it was: what
    // was found stands, with no new search.
    const int centre = CentreCell(9);
    play().ChooseCell(centre - 9);
    EXPECT_EQ(session->finished()->level, 4);
    EXPECT_TRUE(session->BoardShowsPosition());
    play().ChoosePush(kDown);
    EXPECT_FALSE(session->BoardShowsPosition());
    EXPECT_FALSE(session->Searching());
    ExpectShowsTheGame();
    play().TakeBack();
    EXPECT_TRUE(session->BoardShowsPosition());

    // Two people take turns: the analysis follows each side to move, and the line of the
    // move chosen in the list comes with the levels.
    PersonMoves(centre - 9, kDown);
    Settle();
    EXPECT_EQ(session->position().SideToMove, Red);
    ExpectShowsTheGame();
    const LevelAnalysis& a = *session->finished();
    session->ChooseMove(a.moves[a.count - 1].code);
    Settle();
    ExpectShowsTheGame();

    // A hint is the computer thinking: nothing searches until its move is shown.
    play().AskHint();
    EXPECT_EQ(session->standing(), AnalysisSession::Standing::ComputerMoves);
    EXPECT_FALSE(session->Searching());
    EXPECT_FALSE(session->BoardShowsPosition());
    ComputerAnswers();
    Settle();
    EXPECT_EQ(CompletedMoves(), 2);
    ExpectShowsTheGame();

    play().StepBackward();
    Settle();
    ExpectShowsTheGame();
    EXPECT_EQ(session->reviewedMoves(), 1);
}

// The person's move stops the deepening of a long opening before the computer's search
// begins, and the analysis takes the game up again after the reply.
TEST_F(analysis_session, nothing_searches_while_the_computer_thinks) {
    ReadLongOpening();
    std::mt19937 rng(29);
    PlayAnyMove(rng);
    EXPECT_EQ(session->standing(), AnalysisSession::Standing::ComputerMoves);
    EXPECT_FALSE(session->Searching());
    inbox.RunFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(session->Searching());
    EXPECT_EQ(session->finished(), nullptr);   // the computer's position is never searched
    EXPECT_EQ(session->reviewedMoves(), 3);    // nor the person's move reviewed
    ASSERT_EQ(computer->requests.size(), 0u);  // its search starts after the pause
    clock.RunAll();
    EXPECT_EQ(computer->requests.size(), 1u);
    EXPECT_FALSE(session->Searching());

    ComputerAnswers();
    EXPECT_EQ(session->standing(), AnalysisSession::Standing::Deepening);
    EXPECT_TRUE(
        inbox.RunUntil([this] { return session->finished() && session->reviewedMoves() == 5; }));
    ExpectShowsTheGame();
}

// A hint is the computer thinking in the same position: both searches, the deepening and
// the review, stop for it before its search begins, and go on once its move is made.
TEST_F(analysis_session, both_searches_stop_while_a_hint_is_searched) {
    game->ChooseSize(13);
    Follow(kDeepestLevel, kDeepestLevel);
    Read(testing::LongAnalysisRecord(), 0);
    for (int i = 0; i < 3; ++i) {
        play().StepForward();
        clock.RunAll();
    }
    ASSERT_TRUE(
        inbox.RunUntil([this] { return session->finished() && session->finished()->level >= 3; }));
    ASSERT_EQ(session->standing(), AnalysisSession::Standing::Deepening);
    ASSERT_LT(session->reviewedMoves(), 3);
    play().AskHint();
    EXPECT_FALSE(session->Searching());
    inbox.RunFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(session->Searching());
    ComputerAnswers();
    ASSERT_EQ(CompletedMoves(), 4);
    EXPECT_TRUE(inbox.RunUntil([this] { return session->finished() != nullptr; }));
}

TEST_F(analysis_session, closing_in_the_middle_of_a_level_returns_at_once) {
    ReadLongOpening();
    play().Detach(&window);
    session.reset();
}

TEST_F(analysis_session, review_rows_are_kept_while_the_moves_before_them_stand) {
    std::mt19937 rng(17);
    Start(7, 0, 2, 3);
    for (int i = 0; i < 6; ++i) PlayAnyMove(rng);
    Settle();
    ExpectShowsTheGame();
    EXPECT_EQ(session->reviewedMoves(), 6);
    EXPECT_EQ(session->movesReviewed(), 6u);

    // Backward shows fewer rows and values none again; the same move played again takes
    // its row back, another move is valued anew.
    const GameMoves six = history().Played;
    play().StepBackward();
    play().StepBackward();
    Settle();
    EXPECT_EQ(session->reviewedMoves(), 4);
    PersonMoves(six[5].placed, DirectionFromCells(7, six[5].placed, six[5].moved));
    Settle();
    EXPECT_EQ(session->reviewedMoves(), 5);
    EXPECT_EQ(session->movesReviewed(), 6u);
    PlayAnyMove(rng, MoveCodeOf(7, six[6]));
    Settle();
    ExpectShowsTheGame();
    EXPECT_EQ(session->movesReviewed(), 7u);

    // A record of the same game and two more moves: Forward takes the rows back up to
    // where the game left the record.
    auto record = std::make_unique<GameRecord>(game->Record());
    BoardState b = Completed();
    for (int i = 0; i < 2; ++i) {
        const testing::Offered offered(b);
        const int code = offered.Random(rng);
        testing::RecordMove(*record, code);
        testing::PlayMove(b, code);
    }
    Read(*record, 0);
    Settle();
    EXPECT_EQ(session->reviewedMoves(), 0);
    for (int i = 0; i < 8; ++i) {
        play().StepForward();
        clock.RunAll();
    }
    Settle();
    ASSERT_EQ(CompletedMoves(), 8);
    ExpectShowsTheGame();
    EXPECT_EQ(session->movesReviewed(), 9u);

    // Another level values every move again.
    session->SetReviewLevel(2);
    Settle();
    ExpectShowsTheGame();
    EXPECT_EQ(session->movesReviewed(), 17u);
}

// Random game events with the analysis following, records of every size read among them:
// after each, the session holds the game's completed position at once, never followed an
// unsound one, and once it has settled shows exactly what the test's own analyser finds,
// level, review rows and the chosen move's line alike; a window told of every change
// shows what the session holds.
TEST_F(analysis_session, random_events_leave_it_showing_the_game) {
    constexpr int kSequences = 20;
    constexpr int kEvents = 60;
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        SCOPED_TRACE("sequence " + std::to_string(sequence));
        std::mt19937 rng(1000 + sequence);
        std::mt19937 choices(sequence);  // apart, so the game's events stay as they were
        const int size = 5 + 2 * static_cast<int>(rng() % 3);
        Start(size, static_cast<int>(rng() % 3), 1 + static_cast<int>(rng() % 3), 2);
        for (int event = 0; event < kEvents && !HasFatalFailure(); ++event) {
            GameController& g = play();
            const BoardState b = Completed();
            const int roll = static_cast<int>(rng() % 100);
            if (roll < 30 && !g.ComputerBusy() && !state().GameOver) {
                BoardState trial = b;
                const testing::Offered offered(trial);
                if (offered.count > 0) {
                    const int code = offered.Random(rng);
                    g.ChooseCell(PlacementOf(code));
                    g.ChoosePush(DirectionOf(code));
                }
            } else if (roll < 45) {
                g.ChoosePush(0);
            } else if (roll < 60) {
                ComputerAnswers();
            } else if (roll < 65) {
                g.TakeBack();
            } else if (roll < 72) {
                g.AskHint();
            } else if (roll < 82) {
                g.StepBackward();
            } else if (roll < 88) {
                g.StepForward();
                clock.RunAll();
            } else if (roll < 91) {
                g.NewGame();
            } else if (roll < 94) {
                g.ChooseLevel(static_cast<int>(rng() % 3));
            } else {
                const int recordSize = 5 + 2 * static_cast<int>(rng() % 3);
                Read(*testing::RandomRecord(recordSize, static_cast<int>(rng() % 12), rng), 0);
            }
            ASSERT_EQ(window.unsoundFollowed, 0) << Where();
            ASSERT_TRUE(testing::SamePosition(session->position(), Completed())) << Where();
            Settle();
            ExpectShowsTheGame();
            // A row of the candidate list chosen, or the choice given up, now and then.
            const LevelAnalysis* a = session->finished();
            if (a && a->count > 0 && choices() % 3 == 0) {
                const int row = static_cast<int>(choices() % (a->count + 1));
                session->ChooseMove(row == a->count ? 0 : a->moves[row].code);
                Settle();
                ExpectShowsTheGame();
            }
            EXPECT_EQ(Shown::Of(*session), told) << "a change the window was not told of";
        }
        play().Detach(&window);
        session.reset();
    }
}

}  // namespace
}  // namespace orbel
