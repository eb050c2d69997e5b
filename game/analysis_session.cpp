#include "game/analysis_session.h"

#include <algorithm>
#include <utility>

#include "records/replay.h"

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
      line_(std::make_unique<Line>()),
      rows_(std::make_unique<Rows>()),
      deepenedPosition_(std::make_unique<BoardState>()),
      reviewedLine_(std::make_unique<Line>()),
      reviewBoard_(std::make_unique<BoardState>()),
      levelWork_(std::make_unique<LevelAnalysis>()),
      rowWork_(std::make_unique<ReviewedMove>()),
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
    Line& line = *line_;
    if (line.size != position_->BoardSize || lineLevel_ != reviewLevel_) ResetReview();
    // Rows stay while the game's moves up to them are the line's.
    const MoveHistory& h = game_.state().history;
    const int common = std::min(completed, line.count);
    int agree = 0;
    while (agree < common && line.placed[agree + 1] == h.HistoryPlaced[agree + 1] &&
           line.moved[agree + 1] == h.HistoryMoved[agree + 1])
        ++agree;
    if (agree < common) {
        PauseReview();
        line.count = agree;
        rowsDone_ = std::min(rowsDone_, agree);
        refusedAt_ = 0;
        ++reviewSerial_;
    }
    if (refusedAt_ > completed) refusedAt_ = 0;
    if (completed > line.count && refusedAt_ == 0) ExtendLine(completed);
    completed_ = completed;
    if (!busy && rowsDone_ < line.count && reviewingTo_ != line.count) StartReview();
}

// The game's next completed moves join the line, up to any the rules refuse (a game from a
// set-up position has no moves before it).
void AnalysisSession::ExtendLine(int completed) {
    Line& line = *line_;
    const MoveHistory& h = game_.state().history;
    BoardState& b = *next_;  // free until the next Follow
    StartPosition(b, line.size);
    for (int k = 1; k <= line.count; ++k) PlayRecordedMove(b, line.placed[k], line.moved[k]);
    for (int k = line.count + 1; k <= completed; ++k) {
        if (PlayRecordedMove(b, h.HistoryPlaced[k], h.HistoryMoved[k]) != RecordError::None) {
            refusedAt_ = k;
            return;
        }
        line.placed[k] = h.HistoryPlaced[k];
        line.moved[k] = h.HistoryMoved[k];
        line.count = k;
    }
}

void AnalysisSession::StartReview() {
    PauseReview();
    if (rowsDone_ >= line_->count) return;
    *reviewedLine_ = *line_;
    const int from = rowsDone_ + 1;
    reviewingTo_ = line_->count;
    reviewWorker_.Run([this, alive = std::weak_ptr<int>(alive_), serial = reviewSerial_, from,
                       level = lineLevel_](const std::atomic<bool>& stop) {
        const Running running(running_);
        const Line& line = *reviewedLine_;
        BoardState& b = *reviewBoard_;
        StartPosition(b, line.size);
        for (int k = 1; k < from; ++k) PlayRecordedMove(b, line.placed[k], line.moved[k]);
        for (int k = from; k <= line.count; ++k) {
            const int code = RecordedMoveCode(line.size, line.placed[k], line.moved[k]);
            if (!review_->ReviewMove(b, code, level, &stop, *rowWork_)) return;
            ++movesReviewed_;
            {
                const std::lock_guard lock(box_);
                if (rowBoxEnd_ == 0) rowBoxFirst_ = k;
                (*rowBox_)[k] = *rowWork_;
                rowBoxEnd_ = k + 1;
                rowBoxSerial_ = serial;
            }
            results_.Post([this, alive] {
                if (!alive.expired()) Collect();
            });
            PlayRecordedMove(b, line.placed[k], line.moved[k]);
        }
    });
}

void AnalysisSession::PauseReview() {
    reviewWorker_.Cancel();
    reviewingTo_ = 0;
    TakeResults();
}

void AnalysisSession::ResetReview() {
    PauseReview();
    line_->size = position_->BoardSize;
    line_->count = 0;
    lineLevel_ = reviewLevel_;
    rowsDone_ = 0;
    refusedAt_ = 0;
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
