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

bool IsCandidate(const LevelAnalysis& a, int code) {
    return std::any_of(a.moves, a.moves + a.count,
                       [code](const AnalysedMove& m) { return m.code == code; });
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
      bestLine_(std::make_unique<Line>()),
      chosenLine_(std::make_unique<Line>()),
      line_(std::make_unique<GameMoves>()),
      rows_(std::make_unique<Rows>()),
      deepenedPosition_(std::make_unique<BoardState>()),
      reviewedLine_(std::make_unique<GameMoves>()),
      levelWork_(std::make_unique<LevelAnalysis>()),
      levelBefore_(std::make_unique<LevelAnalysis>()),
      bestLineWork_(std::make_unique<Line>()),
      chosenLineWork_(std::make_unique<Line>()),
      levelBox_(std::make_unique<LevelAnalysis>()),
      bestLineBox_(std::make_unique<Line>()),
      chosenLineBox_(std::make_unique<Line>()),
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
    // The computer's search starts only after this picture: it gets every core. Both
    // searches stop here and nowhere else for it.
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

void AnalysisSession::ChooseMove(int code) {
    if (code == chosen_) return;
    const Seen before = Now();
    chosen_ = code;
    if (following_ && !computerMoves_ && !over_) DeepenAsWanted();
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
    if (over) PauseDeepening();
    if (!busy && !over) DeepenAsWanted();
}

// Starts the deepening where levels or lines are wanted that the running one does not
// search.
void AnalysisSession::DeepenAsWanted() {
    const bool levelsLeft = (hasFinished_ ? finished_->level : 0) < deepest_;
    const bool linesLeft = MissingLine(false) != 0 || MissingLine(true) != 0;
    const bool runningFits =
        deepeningTo_ == deepest_ && (chosen_ == 0 || deepeningChosen_ == chosen_);
    if ((levelsLeft || linesLeft) && !runningFits) StartDeepening();
}

bool AnalysisSession::Holds(const Line& held, int code) const {
    return hasFinished_ && held.serial == serial_ && held.level == finished_->level &&
           held.code == code;
}

// The move of the finished level whose line is wanted and not yet held, or 0: the first
// of the best set, or the chosen move when it is another candidate.
int AnalysisSession::MissingLine(bool ofChosen) const {
    if (!hasFinished_ || finished_->best.count == 0) return 0;
    const int best = finished_->best.codes[0];
    if (!ofChosen) return Holds(*bestLine_, best) ? 0 : best;
    if (chosen_ == 0 || chosen_ == best || !IsCandidate(*finished_, chosen_)) return 0;
    return Holds(*chosenLine_, chosen_) ? 0 : chosen_;
}

const ExpectedLine* AnalysisSession::line() const {
    if (!hasFinished_ || finished_->best.count == 0) return nullptr;
    const int best = finished_->best.codes[0];
    const int code = chosen_ != 0 && IsCandidate(*finished_, chosen_) ? chosen_ : best;
    const Line& held = code == best ? *bestLine_ : *chosenLine_;
    return Holds(held, code) ? &held.moves : nullptr;
}

// One job: the lines missing at the finished level, then every level left, each with the
// line of its best move and of the chosen one.
void AnalysisSession::StartDeepening() {
    PauseDeepening();
    const int from = hasFinished_ ? finished_->level + 1 : 1;
    const int bestMissing = MissingLine(false);
    const int chosenMissing = MissingLine(true);
    if (from > deepest_ && bestMissing == 0 && chosenMissing == 0) return;
    *deepenedPosition_ = *position_;
    if (hasFinished_)
        *levelBefore_ = *finished_;
    else
        levelBefore_->level = 0;
    deepeningTo_ = deepest_;
    deepeningChosen_ = chosen_;
    deepeningWorker_.Run([this, alive = std::weak_ptr<int>(alive_), serial = serial_, from,
                          to = deepest_, chosen = chosen_, bestMissing,
                          chosenMissing](const std::atomic<bool>& stop) {
        const Running running(running_);
        const auto post = [this, &alive] {
            results_.Post([this, alive] {
                if (!alive.expired()) Collect();
            });
        };
        // A line of the analysis just finished, handed over as soon as it is found.
        const auto line = [&](int code, int level, bool ofChosen) {
            Line& work = ofChosen ? *chosenLineWork_ : *bestLineWork_;
            if (!deepening_->ExpectLine(*deepenedPosition_, code, level, &stop, work.moves))
                return false;
            work.serial = serial;
            work.level = level;
            work.code = code;
            {
                const std::lock_guard lock(box_);
                std::swap(ofChosen ? chosenLineBox_ : bestLineBox_,
                          ofChosen ? chosenLineWork_ : bestLineWork_);
                (ofChosen ? chosenLineBoxFull_ : bestLineBoxFull_) = true;
            }
            post();
            return true;
        };
        const int finishedLevel = from - 1;
        if (bestMissing != 0 && !line(bestMissing, finishedLevel, false)) return;
        if (chosenMissing != 0 && !line(chosenMissing, finishedLevel, true)) return;
        for (int level = from; level <= to; ++level) {
            if (!deepening_->AnalyseLevel(*deepenedPosition_, level, &stop, *levelWork_)) return;
            CarryOver(*levelBefore_, *levelWork_);
            *levelBefore_ = *levelWork_;
            {
                const std::lock_guard lock(box_);
                std::swap(levelBox_, levelWork_);
                levelBoxSerial_ = serial;
                levelBoxFull_ = true;
            }
            post();
            const LevelAnalysis& done = *levelBefore_;
            if (done.best.count == 0) continue;
            const int best = done.best.codes[0];
            if (!line(best, level, false)) return;
            if (chosen != 0 && chosen != best && IsCandidate(done, chosen) &&
                !line(chosen, level, true))
                return;
        }
    });
}

void AnalysisSession::PauseDeepening() {
    deepeningWorker_.Cancel();
    deepeningTo_ = 0;
    deepeningChosen_ = 0;
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
            reviewedMoves(), completed_,  line(),  linesTaken_};
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
    // A line is kept until another of its kind comes; line() tells whether it fits.
    for (const bool ofChosen : {false, true}) {
        bool& full = ofChosen ? chosenLineBoxFull_ : bestLineBoxFull_;
        std::unique_ptr<Line>& box = ofChosen ? chosenLineBox_ : bestLineBox_;
        if (full && box->serial == serial_) {
            std::swap(ofChosen ? chosenLine_ : bestLine_, box);
            ++linesTaken_;
            taken = true;
        }
        full = false;
    }
    if (rowBoxEnd_ > 0 && rowBoxSerial_ == reviewSerial_ && rowBoxFirst_ == rowsDone_ + 1) {
        for (int k = rowBoxFirst_; k < rowBoxEnd_; ++k) (*rows_)[k] = (*rowBox_)[k];
        rowsDone_ = rowBoxEnd_ - 1;
        taken = true;
    }
    rowBoxEnd_ = 0;
    return taken;
}

}  // namespace orbel
