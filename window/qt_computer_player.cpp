#include "window/qt_computer_player.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace orbel {

QtComputerPlayer::QtComputerPlayer(RootSearch search)
    : player_(search ? std::make_unique<ComputerPlayer>(std::move(search))
                     : std::make_unique<ComputerPlayer>()),
      position_(std::make_unique<BoardState>()),
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

void QtComputerPlayer::Start(const BoardState& position, int level,
                             std::function<void(const BestMoves&)> done) {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        *position_ = position;
        level_ = level;
        jobRequest_ = ++request_;
        jobPending_ = true;
    }
    done_ = std::move(done);
    wake_.notify_one();
}

// Once this returns the worker is idle and the token is down again; a result already
// queued finds no one waiting for it.
void QtComputerPlayer::Cancel() {
    ++request_;
    done_ = nullptr;
    std::unique_lock lock(mutex_);
    jobPending_ = false;
    if (!searching_) return;
    cancel_.store(true);
    idle_.wait(lock, [this] { return !searching_; });
    cancel_.store(false);
}

void QtComputerPlayer::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return jobPending_ || quit_; });
        if (quit_) return;
        jobPending_ = false;
        searching_ = true;
        const int level = level_;
        const unsigned request = jobRequest_;
        lock.unlock();

        const BestMoves best = player_->Choose(*position_, level, cancel_);

        lock.lock();
        searching_ = false;
        if (!cancel_.load())
            QMetaObject::invokeMethod(
                &context_, [this, request, best] { Deliver(request, best); }, Qt::QueuedConnection);
        idle_.notify_all();
    }
}

void QtComputerPlayer::Deliver(unsigned request, const BestMoves& best) {
    if (request != request_ || !done_) return;
    // The handler may start the next search, which replaces done_.
    const auto done = std::move(done_);
    done_ = nullptr;
    done(best);
}

void QtScheduler::After(float seconds, std::function<void()> then) {
    const int ms = std::max(0, static_cast<int>(std::lround(seconds * 1000.0f)));
    QTimer::singleShot(ms, &context_, std::move(then));
}

}  // namespace orbel
