#include "computer/computer_player.h"

#include <utility>

namespace orbel {

ComputerPlayer::ComputerPlayer()
    : fast_(std::make_unique<FastSearch>()),
      search_([fast = fast_.get()](BoardState& b, SearchTables& t, SearchRun& run) {
          return fast->RootValues(b, t, run);
      }),
      tables_(std::make_unique<SearchTables>()),
      position_(std::make_unique<BoardState>()),
      job_(std::make_unique<BoardState>()),
      worker_([this] { Work(); }) {}

ComputerPlayer::ComputerPlayer(RootSearch search)
    : search_(std::move(search)),
      tables_(std::make_unique<SearchTables>()),
      position_(std::make_unique<BoardState>()),
      job_(std::make_unique<BoardState>()),
      worker_([this] { Work(); }) {}

ComputerPlayer::~ComputerPlayer() {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

BestMoves ComputerPlayer::Choose(const BoardState& position, int level,
                                 const std::atomic<bool>& cancel) {
    *position_ = position;
    SearchRun run;
    run.level = level;
    run.stop = &cancel;
    BestMoves best;
    if (!search_(*position_, *tables_, run) || run.Stopped()) return best;
    best.value = BestRootValue(*tables_);
    best.count = BestRootMoves(*tables_, best.codes);
    return best;
}

void ComputerPlayer::Start(const BoardState& position, int level, Answer answer) {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        *job_ = position;
        jobLevel_ = level;
        jobAnswer_ = std::move(answer);
        jobPending_ = true;
    }
    wake_.notify_one();
}

// A search not yet begun is dropped unanswered; a running one is stopped and answers empty.
void ComputerPlayer::Cancel() {
    std::unique_lock lock(mutex_);
    jobPending_ = false;
    jobAnswer_ = nullptr;
    if (!searching_) return;
    cancel_.store(true);
    idle_.wait(lock, [this] { return !searching_; });
    cancel_.store(false);
}

void ComputerPlayer::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return jobPending_ || quit_; });
        if (quit_) return;
        jobPending_ = false;
        searching_ = true;
        const Answer answer = std::move(jobAnswer_);
        jobAnswer_ = nullptr;
        const int level = jobLevel_;
        lock.unlock();

        // Start and Cancel wait for the search, so the job stays as it was given.
        answer(Choose(*job_, level, cancel_));

        lock.lock();
        searching_ = false;
        idle_.notify_all();
    }
}

int PickBestMove(const BestMoves& best, RandomSource& random) {
    if (best.count == 0) return 0;
    return best.codes[CoinFlipWalk(
        best.count, [](int) { return 0; }, random)];
}

}  // namespace orbel
