// One thread that runs searches one at a time, for a player or an analysis that must not
// keep the window waiting.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orbel {

class SearchWorker {
  public:
    // A search to run; it returns soon after `stop` is raised.
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    SearchWorker();
    // Stops the running job and ends the thread.
    ~SearchWorker();
    SearchWorker(const SearchWorker&) = delete;
    SearchWorker& operator=(const SearchWorker&) = delete;

    // Stops any job and hands `job` to the thread; returns at once.
    void Run(Job job);
    // A job not yet begun is dropped; a running one is stopped. Returns once it has
    // returned.
    void Cancel();

  private:
    void Work();

    Job job_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool jobPending_ = false;
    bool running_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace orbel
