// The computer's search on a worker thread, with its result handed back to the window's
// thread; and the window's pauses on Qt timers.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "computer/play_search.h"
#include "computer/search.h"
#include "game/computer_player.h"

namespace orbel {

// Any search that leaves the same root values as SearchRootValues may stand in for it;
// the game plays with the fast one.
using SearchFunction = bool (*)(BoardState&, SearchTables&, SearchRun&);

// One worker thread for the player's whole life, searching its own copy of the position in
// its own tables, so a computer move allocates nothing.
class QtComputerPlayer final : public ComputerPlayer {
  public:
    explicit QtComputerPlayer(SearchFunction search = PlaySearch);
    ~QtComputerPlayer() override;
    QtComputerPlayer(const QtComputerPlayer&) = delete;
    QtComputerPlayer& operator=(const QtComputerPlayer&) = delete;

    void Choose(const BoardState& position, int level,
                std::function<void(const BestMoves&)> done) override;
    void Cancel() override;

  private:
    void Work();
    void Deliver(unsigned generation);
    void WaitUntilIdle(std::unique_lock<std::mutex>& lock);

    const SearchFunction search_;
    std::unique_ptr<BoardState> position_;
    std::unique_ptr<SearchTables> tables_;
    BestMoves best_;
    std::atomic<bool> stop_{false};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool jobPending_ = false;
    bool searching_ = false;
    bool quit_ = false;
    int jobLevel_ = 1;
    unsigned jobGeneration_ = 0;

    // Window's thread only: a result is delivered only while its generation is current.
    unsigned generation_ = 0;
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
