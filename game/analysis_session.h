// The analysis window's work without the window: after every picture of the game it decides
// what to analyse, deepens the position of the completed moves one level at a time and
// reviews the completed moves, each on a thread of its own, and stands still while the
// game's computer thinks or moves.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "computer/analysis.h"
#include "computer/search_worker.h"
#include "game/game.h"
#include "game/game_review.h"
#include "game/scheduler.h"

namespace orbel {

constexpr int kAnalysisDeepest = 7;  // the deepening's limit unless the player picks another

// A move that loses at least this much against the best is a mistake. A neighbour link of
// one's own counts 2 units (each orbel of the pair counts the other), so this is more than
// one link given away. `orbelfive-cli bench --review` counts how many of the computer's
// own moves and of random moves lose that much.
constexpr Tenths kMistakeLoss = Whole(3);

constexpr bool IsMistake(const ReviewedMove& move) {
    return move.loss >= kMistakeLoss;
}

// What the review says of a move, on the values held still: it turned a game the mover had
// not lost into a lost one, or it lost at least kMistakeLoss, or neither.
enum class Verdict { None, Mistake, LosesTheGame };

inline Verdict VerdictOf(const ReviewedMove& move) {
    if (OutcomeOf(move.steadyValue) == Outcome::Lost && OutcomeOf(move.steadyBest) != Outcome::Lost)
        return Verdict::LosesTheGame;
    return IsMistake(move) ? Verdict::Mistake : Verdict::None;
}

class AnalysisSession {
  public:
    enum class Standing {
        Stopped,        // nothing is followed
        ComputerMoves,  // the game's computer thinks or shows its move: nothing searches
        GameOver,       // the game has ended: only its review goes on
        Deepening,      // a level of the position is being searched
        Finished,       // the position is done to the deepest level
    };

    // Results come back through `results` (Post only) onto the game's thread. Both must
    // outlive the session.
    AnalysisSession(const Game& game, Scheduler& results, const AnalyserOptions& options = {});
    // Stops both searches and waits for them.
    ~AnalysisSession();
    AnalysisSession(const AnalysisSession&) = delete;
    AnalysisSession& operator=(const AnalysisSession&) = delete;

    // The game has shown a picture: the searches follow it, or stop (waiting for them)
    // while its computer thinks or moves. Cheap when nothing changed.
    void Follow();
    // Stops both searches and waits for them; what was found is kept for the next Follow.
    void Stop();
    // The move (MoveCode) whose expected line is wanted; 0 for the best. Its line is
    // searched with the levels, off the game's thread.
    void ChooseMove(int code);
    int chosen() const { return chosen_; }
    // The deepening's limit (1 to kDeepestLevel) and the review's level.
    void SetDeepest(int level);
    void SetReviewLevel(int level);
    int deepest() const { return deepest_; }
    int reviewLevel() const { return reviewLevel_; }

    // Runs on the game's thread whenever something a person sees of the session changed.
    void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

    Standing standing() const { return standing_; }
    // The position of the completed moves at the last Follow, and a number that grows
    // whenever it changes.
    const BoardState& position() const { return *position_; }
    unsigned serial() const { return serial_; }
    // The deepest level of position() finished so far, or null.
    const LevelAnalysis* finished() const { return hasFinished_ ? finished_.get() : nullptr; }
    // Time spent on the finished levels of position(), all together.
    double seconds() const { return seconds_; }
    // The line the search expects from position() on, at the finished level: the chosen
    // move's, or the best's (the first of the best set) when none is chosen or the chosen
    // one is no candidate. Null until it has been searched.
    const ExpectedLine* line() const;
    // The board shows position() for a person to play: no push in hand, no computer
    // moving, the game not over. Only then do marks of its moves belong on the board.
    bool BoardShowsPosition() const { return boardShows_; }

    // The completed moves at the last Follow, and how many of them have been reviewed;
    // moves 1 to reviewedMoves() have their rows.
    int completedMoves() const { return completed_; }
    int reviewedMoves() const { return std::min(rowsDone_, completed_); }
    const ReviewedMove& reviewed(int move) const { return (*rows_)[move]; }

    // A search runs on either thread.
    bool Searching() const { return running_.load() > 0; }
    // Moves the review has valued since the session began, reused rows not counted.
    uint64_t movesReviewed() const { return movesReviewed_.load(); }

  private:
    using Rows = std::array<ReviewedMove, kMoveCapacity + 1>;
    // What a person sees, to tell whether it changed.
    struct Seen {
        Standing standing;
        bool boardShows;
        unsigned serial;
        int level;
        int reviewed;
        int completed;
        const ExpectedLine* line;
        unsigned lines;
        bool operator==(const Seen&) const = default;
    };
    // An expected line and what it is the line of.
    struct Line {
        unsigned serial = 0;
        int level = 0;
        int code = 0;
        ExpectedLine moves;
    };

    void FollowPosition(bool busy, bool over);
    void FollowMoves(bool busy);
    void DeepenAsWanted();
    int MissingLine(bool ofChosen) const;
    bool Holds(const Line& held, int code) const;
    void StartDeepening();
    void StartReview();
    void PauseDeepening();
    void PauseReview();
    void ResetReview();
    void UpdateStanding();
    Seen Now() const;
    void Collect();
    bool TakeResults();

    const Game& game_;
    Scheduler& results_;
    int deepest_ = kAnalysisDeepest;
    int reviewLevel_ = kReviewLevel;
    std::function<void()> changed_;
    Standing standing_ = Standing::Stopped;
    bool boardShows_ = false;
    bool following_ = false;
    // The game at the last Follow.
    bool computerMoves_ = false;
    bool over_ = false;

    // The deepening, on the game's thread.
    std::unique_ptr<BoardState> next_;
    std::unique_ptr<BoardState> position_;
    unsigned serial_ = 0;      // grows with every new position
    int deepeningTo_ = 0;      // the level the running deepening stops at; 0 when none runs
    int deepeningChosen_ = 0;  // the chosen move whose lines the running deepening searches
    std::unique_ptr<LevelAnalysis> finished_;
    bool hasFinished_ = false;
    double seconds_ = 0;
    int chosen_ = 0;
    std::unique_ptr<Line> bestLine_;  // of the first of finished_'s best set
    std::unique_ptr<Line> chosenLine_;
    unsigned linesTaken_ = 0;

    // The review, on the game's thread: the line is a prefix of the game's completed moves.
    std::unique_ptr<GameMoves> line_;
    int lineSize_ = 0;
    std::unique_ptr<Rows> rows_;
    int rowsDone_ = 0;     // rows 1..rowsDone_ hold the line's moves
    int completed_ = 0;    // completed moves at the last Follow
    int reviewingTo_ = 0;  // the move the running review stops at; 0 when none runs
    int lineLevel_ = 0;
    unsigned reviewSerial_ = 0;  // grows whenever rows are dropped

    // What the searches read: written before a job starts, while its thread is idle.
    std::unique_ptr<BoardState> deepenedPosition_;
    std::unique_ptr<GameMoves> reviewedLine_;
    std::unique_ptr<LevelAnalysis> levelWork_;
    std::unique_ptr<LevelAnalysis> levelBefore_;  // the level the next one carries over from
    std::unique_ptr<Line> bestLineWork_;
    std::unique_ptr<Line> chosenLineWork_;

    // Results handed from the searches to the game's thread.
    std::mutex box_;
    std::unique_ptr<LevelAnalysis> levelBox_;
    unsigned levelBoxSerial_ = 0;
    bool levelBoxFull_ = false;
    std::unique_ptr<Line> bestLineBox_;
    bool bestLineBoxFull_ = false;
    std::unique_ptr<Line> chosenLineBox_;
    bool chosenLineBoxFull_ = false;
    std::unique_ptr<Rows> rowBox_;
    unsigned rowBoxSerial_ = 0;
    int rowBoxFirst_ = 0;
    int rowBoxEnd_ = 0;  // rows rowBoxFirst_ .. rowBoxEnd_ - 1 wait to be collected

    std::atomic<int> running_{0};
    std::atomic<uint64_t> movesReviewed_{0};
    // Posted results run only while the session lives.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    std::unique_ptr<Analyser> deepening_;
    std::unique_ptr<Analyser> review_;
    // Last, so their threads end before anything they use.
    SearchWorker deepeningWorker_;
    SearchWorker reviewWorker_;
};

}  // namespace orbel
