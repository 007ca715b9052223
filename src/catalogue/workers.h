// Work spread over the machine's cores with results taken in the order the work was given:
// saving compresses blocks on workers while the calling thread writes them out in catalogue
// order, loading and searching read media ahead on workers while the calling thread uses them
// in turn. Workers share nothing but the queue: each task owns what it works on until its
// finishing step, which runs on the calling thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The threads loading, saving and searching may use: SHELVIX_THREADS when it holds a number
// from 1 up, otherwise the machine's cores. 1 runs everything on the calling thread.
int WorkerThreads();

class TOrderedWork {
public:
    // With one thread no worker starts: each task runs whole, work then finish, inside Submit.
    // `window` bounds the tasks given but not yet finished (0: four per thread), and with it
    // the memory their results hold.
    explicit TOrderedWork(int threads = WorkerThreads(), size_t window = 0);
    // Tasks not yet begun are dropped and running ones waited for; their finishing steps do
    // not run.
    ~TOrderedWork();
    TOrderedWork(const TOrderedWork&) = delete;
    TOrderedWork& operator=(const TOrderedWork&) = delete;

    // Gives `work` to a worker (`work` may be empty). `finish` runs later on this thread, after
    // the finishing steps of every earlier task. Returns once the window has room again,
    // running the finishing steps that are due. An exception thrown by a `work` comes out of
    // the call that would run its `finish`, and the tasks behind it are dropped.
    void Submit(std::function<void()> work, std::function<void()> finish);
    // Runs every outstanding finishing step.
    void Finish();
    // Drops the tasks not yet begun and waits for the running ones; no finishing step runs.
    void Abandon();
    // Runs on this thread about every `milliseconds` while it waits for a worker.
    void SetWaiting(std::function<void()> waiting, int milliseconds = 20);

    int Threads() const { return threads_; }

private:
    struct Task {
        std::function<void()> work, finish;
        bool started = false, done = false;
        std::exception_ptr failure;
    };
    void WorkerLoop();
    // Waits for the oldest task and runs its finishing step.
    void FinishOldest();

    const int threads_;
    const size_t window_;
    std::function<void()> waiting_;
    int waitMilliseconds_ = 20;
    std::mutex mutex_;
    std::condition_variable wake_;     // workers: a task came, or the end
    std::condition_variable finished_; // the calling thread: a task is done
    std::deque<std::shared_ptr<Task>> tasks_; // given, in order, until finished
    size_t next_ = 0;                  // the first task in tasks_ no worker has taken
    bool ending_ = false;
    std::vector<std::thread> workers_;
};

// One job at a time on a thread of its own, for work the calling thread must not wait for
// (finding while the user types, reading contents in the background). The job reads the stop
// flag it is given; Stop sets it and waits for the job to end, so that its owner may then free
// what the job was using.
class TBackgroundJob {
public:
    TBackgroundJob() = default;
    ~TBackgroundJob() { Stop(); }
    TBackgroundJob(const TBackgroundJob&) = delete;
    TBackgroundJob& operator=(const TBackgroundJob&) = delete;

    // Stops the job before, then starts `job`.
    void Start(std::function<void(const std::atomic<bool>& stop)> job);
    void Stop();
    // Asks the job to end without waiting for it.
    void RequestStop() { stop_ = true; }
    // The job has returned: Stop would not wait.
    bool Ended() const { return ended_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{true};
};
