// The computer's search on a worker thread, with its result handed back to the window's
// thread; and the window's pauses on Qt timers.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "computer/computer_player.h"
#include "game/background_computer.h"
#include "game/scheduler.h"

namespace orbel {

// One worker thread for the player's whole life, asking the one ComputerPlayer it owns;
// a result reaches the window only if no Cancel came after its Start.
class QtComputerPlayer final : public BackgroundComputer {
  public:
    // An empty `search` plays with the fast search.
    explicit QtComputerPlayer(RootSearch search = {});
    ~QtComputerPlayer() override;
    QtComputerPlayer(const QtComputerPlayer&) = delete;
    QtComputerPlayer& operator=(const QtComputerPlayer&) = delete;

    void Start(const BoardState& position, int level,
               std::function<void(const BestMoves&)> done) override;
    void Cancel() override;

  private:
    void Work();
    void Deliver(unsigned request, const BestMoves& best);

    std::unique_ptr<ComputerPlayer> player_;
    std::unique_ptr<BoardState> position_;
    std::atomic<bool> cancel_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool jobPending_ = false;
    bool searching_ = false;
    bool quit_ = false;
    int level_ = 1;
    unsigned jobRequest_ = 0;

    // Window's thread only: a result is for the newest request, or for no one.
    unsigned request_ = 0;
    std::function<void(const BestMoves&)> done_;
    QObject context_;
    std::thread worker_;
};

// Pauses as single-shot timers; they die with the scheduler, so a closed window gets no
// late call.
class QtScheduler final : public Scheduler {
  public:
    void After(float seconds, std::function<void()> then) override;

  private:
    QObject context_;
};

}  // namespace orbel
