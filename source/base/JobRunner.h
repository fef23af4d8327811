// The one runner of long work (save, load, import, export): a job runs as a dedicated task of the
// process's thread pool (base::ThreadPool), on a thread no other work holds meanwhile, and reports
// through the Progress it is handed. The runner knows no front end: the window wraps it in queued
// signals (its progress posts to the interface thread), the console tool runs a job and waits. One
// job at a time; a runner that is destroyed asks its job to stop and waits.
#pragma once

#include "base/Job.h"

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace base {

class JobRunner {
public:
    // Background: the worker (and every dedicated task it spawns on the pool) runs at a lower
    // priority than the interface thread, so the window keeps repainting on a busy machine; the
    // work takes the same time when the cores are otherwise free. The pool retires the lowered
    // thread when the job ends, so unrelated work never runs lowered; the short shares a job
    // hands the pool (ParallelFor) run at the pool's normal priority.
    enum class Priority { Normal, Background };

    explicit JobRunner(Priority priority = Priority::Normal) : priority_(priority) {}
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;
    ~JobRunner();

    // Runs job on a worker thread, then finished on the same thread. The progress must outlive
    // the job; the runner only asks it to stop (Cancel). False, running nothing, while a job
    // still runs. A job that throws ends as if it had returned; Failure() tells why.
    bool Start(Progress& progress, std::function<void()> job, std::function<void()> finished = {});
    // Start, then Wait: the console tool's way.
    bool Run(Progress& progress, std::function<void()> job);

    // True from Start until the job and its finished call have returned.
    bool Running() const { return running_.load(std::memory_order_acquire); }
    // Asks the running job (if any) to stop; safe from any thread.
    void Cancel();
    // Waits until the worker has ended (returns at once when none ran).
    void Wait();
    // What the last job threw ("" when it ended normally).
    std::string Failure() const;

private:
    const Priority priority_;
    std::atomic<bool> running_{false};
    mutable std::mutex lock_;
    Progress* progress_ = nullptr; // the running job's, under lock_
    std::string failure_;          // under lock_
    std::future<void> worker_;
    std::atomic<std::thread::id> workerId_{}; // the thread running the job
};

} // namespace base
