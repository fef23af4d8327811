// ThreadPool: the one place the program starts threads. Two kinds of work run on it:
//  - Spawn: a long-lived task that may block (an encoder fed by a queue, a file read ahead, a
//    long job). It starts at once on a thread that no other work holds meanwhile: the pool grows
//    by a thread when none is idle, so a dedicated task never waits behind others and never
//    starves the short work.
//  - Post and ParallelFor: short pieces of work (a slide composed ahead, the rows of a frame).
//    The pool keeps `workers` threads for them besides those its dedicated tasks hold.
//    ParallelFor runs a share on the calling thread and takes back every share no worker has
//    started, so it finishes even when every worker is busy or the caller is a worker itself.
// Post and Spawn hand back a std::future: its get() returns the task's value or rethrows what
// the task threw.
//
// Priority: a dedicated task runs at the priority of the thread that spawned it (a job lowered to
// the background lowers what it spawns). Linux lets no thread raise its priority again, so a
// thread whose task lowered it leaves the pool when the task ends: unrelated work never runs
// lowered. Short work runs at the pool's own priority.
//
// The destructor runs what is queued and joins every thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace base {

class ThreadPool {
public:
    // workers: threads kept for short work (at least 1); parallelism: the shares ParallelFor
    // splits work into (0: as many as workers).
    explicit ThreadPool(int workers, int parallelism = 0);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // The process's pool: a worker per core the process may use, and at least two; ParallelFor
    // splits work into one share per core.
    static ThreadPool& Shared();
    // Cores the process may run on (taskset and cgroups narrow it); at least 1.
    static int UsableCores();

    int Workers() const { return workers_; }
    int Parallelism() const { return parallelism_; }
    // Threads alive now (for tests and diagnostics).
    std::size_t Threads() const;

    template <typename F> auto Post(F&& task) { return Queue(std::forward<F>(task), false); }
    template <typename F> auto Spawn(F&& task) { return Queue(std::forward<F>(task), true); }

    // Calls body(first, last) over [0, count) split into at most Parallelism() shares of
    // consecutive items, some on workers and one or more on the calling thread; returns when
    // every share is done. What a share throws reaches the caller (the first, once all ended).
    void ParallelFor(int count, const std::function<void(int first, int last)>& body);

private:
    using Task = std::function<void()>;

    // The task and the promise of its result. The task is destroyed before the result is set,
    // so what it holds is gone once the caller sees the result (as when a thread ends).
    template <typename F, typename R> struct Pending {
        std::optional<F> Task;
        std::promise<R> Result;
        void Run() {
            try {
                if constexpr (std::is_void_v<R>) {
                    (*Task)();
                    Task.reset();
                    Result.set_value();
                } else {
                    R value = (*Task)();
                    Task.reset();
                    Result.set_value(std::move(value));
                }
            } catch (...) {
                Task.reset();
                Result.set_exception(std::current_exception());
            }
        }
    };
    template <typename F> auto Queue(F&& task, bool dedicated) {
        using Fn = std::decay_t<F>;
        using R = std::invoke_result_t<Fn&>;
        auto pending = std::make_shared<Pending<Fn, R>>();
        pending->Task.emplace(std::forward<F>(task));
        std::future<R> result = pending->Result.get_future();
        Enqueue([pending] { pending->Run(); }, dedicated);
        return result;
    }
    void Enqueue(Task task, bool dedicated);
    void Grow();      // under mutex_
    void AddThread(); // under mutex_
    void Work();
    void JoinRetired(std::unique_lock<std::mutex>& lock);

    const int workers_;
    const int parallelism_;
    const int baseNice_; // the process's priority, which pool threads keep
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> dedicated_;
    std::deque<Task> short_;
    std::vector<std::thread> threads_;
    std::vector<std::thread> retired_; // left the pool; joined by the next caller
    std::size_t idle_ = 0;             // threads waiting for work, or about to
    std::size_t dedicatedRunning_ = 0;
    bool stop_ = false;
};

} // namespace base
