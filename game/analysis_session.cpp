#include "game/analysis_session.h"

#include <algorithm>
#include <utility>

#include "game/game_review.h"

namespace orbel {

namespace {

// One analyser thread each: the deepening and the review share the cores, never the
// computer's turn.
AnalyserOptions OneThread(AnalyserOptions options) {
    options.threads = 1;
    return options;
}

bool SamePosition(const BoardState& a, const BoardState& b) {
    return a.BoardSize == b.BoardSize && a.SideToMove == b.SideToMove &&
           a.MoveNumber == b.MoveNumber &&
           std::equal(a.Board + 1, a.Board + 1 + a.CellCount(), b.Board + 1);
}

// Counts a search as running for as long as it lives.
class Running {
  public:
    explicit Running(std::atomic<int>& count) : count_(count) { ++count_; }
    ~Running() { --count_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    std::atomic<int>& count_;
};

}  // namespace

AnalysisSession::AnalysisSession(const Game& game, Scheduler& results,
                                 const AnalyserOptions& options)
    : game_(game),
      results_(results),
      next_(std::make_unique<BoardState>()),
      position_(std::make_unique<BoardState>()),
      finished_(std::make_unique<LevelAnalysis>()),
      line_(std::make_unique<GameMoves>()),
      rows_(std::make_unique<Rows>()),
      deepenedPosition_(std::make_unique<BoardState>()),
      reviewedLine_(std::make_unique<GameMoves>()),
      levelWork_(std::make_unique<LevelAnalysis>()),
      levelBox_(std::make_unique<LevelAnalysis>()),
      rowBox_(std::make_unique<Rows>()),
      deepening_(std::make_unique<Analyser>(OneThread(options))),
      review_(std::make_unique<Analyser>(OneThread(options))) {}

AnalysisSession::~AnalysisSession() {
    deepeningWorker_.Cancel();
    reviewWorker_.Cancel();
}

void AnalysisSession::Follow() {
    const Seen before = Now();
    const GameState& state = game_.state();
    const bool busy = game_.controller().ComputerBusy();
    following_ = true;
    computerMoves_ = busy;
    over_ = state.GameOver;
    game_.controller().CompletedPosition(*next_);
    // The computer's search starts only after this picture: it gets every core.
    if (busy) {
        PauseDeepening();
        PauseReview();
    }
    FollowPosition(busy, over_);
    FollowMoves(busy);
    boardShows_ = !busy && !over_ && state.Phase != TurnPhase::Pushed;
    UpdateStanding();
    if (!(Now() == before) && changed_) changed_();
}

void AnalysisSession::Stop() {
    const Seen before = Now();
    PauseDeepening();
    PauseReview();
    following_ = false;
    boardShows_ = false;
    UpdateStanding();
    if (!(Now() == before) && changed_) changed_();
}

void AnalysisSession::SetDeepest(int level) {
    deepest_ = std::clamp(level, 1, kDeepestLevel);
    PauseDeepening();
    if (following_) Follow();
}

void AnalysisSession::SetReviewLevel(int level) {
    reviewLevel_ = std::clamp(level, 1, kDeepestLevel);
    if (following_) Follow();
}

// ---- The position ---------------------------------------------------------------------

void AnalysisSession::FollowPosition(bool busy, bool over) {
    if (serial_ == 0 || !SamePosition(*next_, *position_)) {
        PauseDeepening();
        std::swap(next_, position_);
        ++serial_;
        hasFinished_ = false;
        seconds_ = 0;
    }
    if (busy || over) {
        PauseDeepening();
        return;
    }
    const int done = hasFinished_ ? finished_->level : 0;
    if (done < deepest_ && deepeningTo_ != deepest_) StartDeepening();
}

void AnalysisSession::StartDeepening() {
    PauseDeepening();
    const int from = hasFinished_ ? finished_->level + 1 : 1;
    if (from > deepest_) return;
    *deepenedPosition_ = *position_;
    deepeningTo_ = deepest_;
    deepeningWorker_.Run([this, alive = std::weak_ptr<int>(alive_), serial = serial_, from,
                          to = deepest_](const std::atomic<bool>& stop) {
        const Running running(running_);
        for (int level = from; level <= to; ++level) {
            if (!deepening_->AnalyseLevel(*deepenedPosition_, level, &stop, *levelWork_)) return;
            {
                const std::lock_guard lock(box_);
                std::swap(levelBox_, levelWork_);
                levelBoxSerial_ = serial;
                levelBoxFull_ = true;
            }
            results_.Post([this, alive] {
                if (!alive.expired()) Collect();
            });
        }
    });
}

void AnalysisSession::PauseDeepening() {
    deepeningWorker_.Cancel();
    deepeningTo_ = 0;
    TakeResults();
}

// ---- The review -----------------------------------------------------------------------

void AnalysisSession::FollowMoves(bool busy) {
    const int completed = position_->MoveNumber - 1;
    GameMoves& line = *line_;
    if (lineSize_ != position_->BoardSize || lineLevel_ != reviewLevel_) ResetReview();
    // Rows stay while the game's moves up to them are the line's.
    const GameMoves& played = game_.state().history.Played;
    const int agree = line.SharedWith(played);
    if (agree < std::min(line.count(), played.count())) {
        PauseReview();
        line.Keep(agree);
        rowsDone_ = std::min(rowsDone_, agree);
        ++reviewSerial_;
    }
    // The game's next completed moves join the line (a game from a set-up position has none).
    for (int k = line.count() + 1; k <= std::min(completed, played.count()); ++k)
        line.Add(played[k]);
    completed_ = completed;
    if (!busy && rowsDone_ < line.count() && reviewingTo_ != line.count()) StartReview();
}

void AnalysisSession::StartReview() {
    PauseReview();
    if (rowsDone_ >= line_->count()) return;
    *reviewedLine_ = *line_;
    const int from = rowsDone_ + 1;
    reviewingTo_ = line_->count();
    reviewWorker_.Run([this, alive = std::weak_ptr<int>(alive_), serial = reviewSerial_, from,
                       size = lineSize_, level = lineLevel_](const std::atomic<bool>& stop) {
        const Running running(running_);
        const auto report = [&](const ReviewedMove& row) {
            ++movesReviewed_;
            {
                const std::lock_guard lock(box_);
                if (rowBoxEnd_ == 0) rowBoxFirst_ = row.moveNumber;
                (*rowBox_)[row.moveNumber] = row;
                rowBoxEnd_ = row.moveNumber + 1;
                rowBoxSerial_ = serial;
            }
            results_.Post([this, alive] {
                if (!alive.expired()) Collect();
            });
        };
        ReviewGame(*review_, size, *reviewedLine_, level, &stop, report, from);
    });
}

void AnalysisSession::PauseReview() {
    reviewWorker_.Cancel();
    reviewingTo_ = 0;
    TakeResults();
}

void AnalysisSession::ResetReview() {
    PauseReview();
    lineSize_ = position_->BoardSize;
    line_->Clear();
    lineLevel_ = reviewLevel_;
    rowsDone_ = 0;
    ++reviewSerial_;
}

// ---- What a person sees ---------------------------------------------------------------

void AnalysisSession::UpdateStanding() {
    if (!following_)
        standing_ = Standing::Stopped;
    else if (computerMoves_)
        standing_ = Standing::ComputerMoves;
    else if (over_)
        standing_ = Standing::GameOver;
    else if (hasFinished_ && finished_->level >= deepest_)
        standing_ = Standing::Finished;
    else
        standing_ = Standing::Deepening;
}

AnalysisSession::Seen AnalysisSession::Now() const {
    return {standing_,       boardShows_, serial_, hasFinished_ ? finished_->level : 0,
            reviewedMoves(), completed_};
}

// The one place results reach the game's thread: a level of an older position, or rows
// of moves the game has since left, are dropped here.
void AnalysisSession::Collect() {
    const Seen before = Now();
    if (!TakeResults()) return;
    UpdateStanding();
    if (!(Now() == before) && changed_) changed_();
}

bool AnalysisSession::TakeResults() {
    const std::lock_guard lock(box_);
    bool taken = false;
    if (levelBoxFull_ && levelBoxSerial_ == serial_) {
        std::swap(finished_, levelBox_);
        hasFinished_ = true;
        seconds_ += finished_->seconds;
        taken = true;
    }
    levelBoxFull_ = false;
    if (rowBoxEnd_ > 0 && rowBoxSerial_ == reviewSerial_ && rowBoxFirst_ == rowsDone_ + 1) {
        for (int k = rowBoxFirst_; k < rowBoxEnd_; ++k) (*rows_)[k] = (*rowBox_)[k];
        rowsDone_ = rowBoxEnd_ - 1;
        taken = true;
    }
    rowBoxEnd_ = 0;
    return taken;
}

}  // namespace orbel
