#include "computer/search_worker.h"

#include <utility>

namespace orbel {

SearchWorker::SearchWorker() : thread_([this] { Work(); }) {}

SearchWorker::~SearchWorker() {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SearchWorker::Run(Job job) {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        jobPending_ = true;
    }
    wake_.notify_one();
}

void SearchWorker::Cancel() {
    std::unique_lock lock(mutex_);
    jobPending_ = false;
    job_ = nullptr;
    if (!running_) return;
    stop_.store(true);
    idle_.wait(lock, [this] { return !running_; });
    stop_.store(false);
}

void SearchWorker::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return jobPending_ || quit_; });
        if (quit_) return;
        jobPending_ = false;
        running_ = true;
        const Job job = std::move(job_);
        job_ = nullptr;
        lock.unlock();

        job(stop_);

        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
}

}  // namespace orbel
