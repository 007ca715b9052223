#include "workers.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

int WorkerThreads() {
    if (const char* text = std::getenv("SHELVIX_THREADS")) {
        char* end = nullptr;
        const long asked = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && asked >= 1) return static_cast<int>(std::min(asked, 256L));
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? static_cast<int>(std::min(cores, 256u)) : 1;
}

TOrderedWork::TOrderedWork(int threads, size_t window)
    : threads_(std::max(threads, 1)), window_(window ? window : size_t(threads_) * 4) {
    if (threads_ == 1) return;
    workers_.reserve(size_t(threads_));
    for (int i = 0; i < threads_; ++i) workers_.emplace_back([this] { WorkerLoop(); });
}

TOrderedWork::~TOrderedWork() {
    Abandon();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void TOrderedWork::SetWaiting(std::function<void()> waiting, int milliseconds) {
    waiting_ = std::move(waiting);
    waitMilliseconds_ = std::max(milliseconds, 1);
}

void TOrderedWork::WorkerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || next_ < tasks_.size(); });
        if (ending_) return;
        std::shared_ptr<Task> task = tasks_[next_++];
        task->started = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            if (task->work) task->work();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        task->failure = failure;
        task->done = true;
        finished_.notify_all();
    }
}

void TOrderedWork::Submit(std::function<void()> work, std::function<void()> finish) {
    if (threads_ == 1) {
        if (work) work();
        if (finish) finish();
        return;
    }
    auto task = std::make_shared<Task>();
    task->work = std::move(work);
    task->finish = std::move(finish);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    // The finishing steps already due run now, so results leave memory as early as they can.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (tasks_.empty() || (!tasks_.front()->done && tasks_.size() < window_)) break;
        }
        FinishOldest();
    }
}

void TOrderedWork::Finish() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (tasks_.empty()) return;
        }
        FinishOldest();
    }
}

void TOrderedWork::FinishOldest() {
    std::shared_ptr<Task> task;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!tasks_.front()->done) {
            if (!waiting_) {
                finished_.wait(lock, [this] { return tasks_.front()->done; });
                break;
            }
            if (finished_.wait_for(lock, std::chrono::milliseconds(waitMilliseconds_),
                                   [this] { return tasks_.front()->done; }))
                break;
            lock.unlock();
            waiting_();
            lock.lock();
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
        if (next_ > 0) --next_;
    }
    if (task->failure) {
        Abandon();
        std::rethrow_exception(task->failure);
    }
    if (task->finish) task->finish();
}

void TOrderedWork::Abandon() {
    std::unique_lock<std::mutex> lock(mutex_);
    tasks_.erase(tasks_.begin() + static_cast<std::ptrdiff_t>(next_), tasks_.end());
    finished_.wait(lock, [this] {
        for (const auto& task : tasks_)
            if (!task->done) return false;
        return true;
    });
    tasks_.clear();
    next_ = 0;
}

void TBackgroundJob::Start(std::function<void(const std::atomic<bool>&)> job) {
    Stop();
    stop_ = false;
    ended_ = false;
    thread_ = std::thread([this, job = std::move(job)] {
        job(stop_);
        ended_ = true;
    });
}

void TBackgroundJob::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}
