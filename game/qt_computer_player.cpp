#include "game/qt_computer_player.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace orbel {

QtComputerPlayer::QtComputerPlayer(SearchFunction search)
    : search_(search),
      position_(std::make_unique<BoardState>()),
      tables_(std::make_unique<SearchTables>()),
      worker_([this] { Work(); }) {}

QtComputerPlayer::~QtComputerPlayer() {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void QtComputerPlayer::Choose(const BoardState& position, int level,
                              std::function<void(const BestMoves&)> done) {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        *position_ = position;
        jobLevel_ = level;
        jobGeneration_ = ++generation_;
        jobPending_ = true;
    }
    done_ = std::move(done);
    wake_.notify_one();
}

// Once this returns the worker is idle and no result of an earlier search can be
// delivered, because the generation has moved on.
void QtComputerPlayer::Cancel() {
    ++generation_;
    done_ = nullptr;
    std::unique_lock lock(mutex_);
    jobPending_ = false;
    if (searching_) {
        stop_.store(true, std::memory_order_relaxed);
        WaitUntilIdle(lock);
        stop_.store(false, std::memory_order_relaxed);
    }
}

void QtComputerPlayer::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
    idle_.wait(lock, [this] { return !searching_; });
}

void QtComputerPlayer::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return jobPending_ || quit_; });
        if (quit_) return;
        jobPending_ = false;
        searching_ = true;
        const unsigned generation = jobGeneration_;
        SearchRun run;
        run.level = jobLevel_;
        run.stop = &stop_;
        lock.unlock();

        const bool finished = search_(*position_, *tables_, run);
        if (finished) best_.count = BestRootMoves(*tables_, best_.codes);

        lock.lock();
        searching_ = false;
        if (finished && !stop_.load(std::memory_order_relaxed))
            QMetaObject::invokeMethod(
                &context_, [this, generation] { Deliver(generation); }, Qt::QueuedConnection);
        idle_.notify_all();
    }
}

void QtComputerPlayer::Deliver(unsigned generation) {
    if (generation != generation_ || !done_) return;
    // The handler may start the next search, which replaces done_ and refills best_.
    const auto done = std::move(done_);
    done_ = nullptr;
    const BestMoves best = best_;
    done(best);
}

void QtScheduler::After(float seconds, std::function<void()> then) {
    const int ms = std::max(0, static_cast<int>(std::lround(seconds * 1000.0f)));
    QTimer::singleShot(ms, &context_, std::move(then));
}

}  // namespace orbel
