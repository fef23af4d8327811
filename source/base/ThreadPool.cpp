#include "base/ThreadPool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace base {

namespace {

// Linux keeps a nice value per thread; a new thread starts with its creator's.
int ThisThreadsNice() {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

// Lowers the calling thread to `nice` when it runs above it. A refusal leaves it as it is: the
// work is the same, only slower to yield.
void LowerThisThreadTo(int nice) {
    if (nice > ThisThreadsNice())
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
}

// Threads a finished dedicated task may leave idle besides the short-work workers, so the next
// export's encoders find threads ready without the pool keeping every thread it ever made.
constexpr std::size_t kSpareThreads = 4;

} // namespace

int ThreadPool::UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

ThreadPool& ThreadPool::Shared() {
    static ThreadPool pool(std::max(2, UsableCores()), UsableCores());
    return pool;
}

ThreadPool::ThreadPool(int workers, int parallelism)
    : workers_(std::max(1, workers)), parallelism_(parallelism > 0 ? parallelism : workers_),
      baseNice_(::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()))) {}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    // A task still running may add a thread for work it queues, so join until none is left.
    for (;;) {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(mutex_);
            threads = std::move(threads_);
            threads_.clear();
            for (auto& t : retired_)
                threads.push_back(std::move(t));
            retired_.clear();
        }
        if (threads.empty())
            return;
        for (auto& t : threads)
            t.join();
    }
}

std::size_t ThreadPool::Threads() const {
    std::lock_guard lock(mutex_);
    return threads_.size();
}

void ThreadPool::Enqueue(Task task, bool dedicated) {
    std::unique_lock lock(mutex_);
    JoinRetired(lock);
    if (dedicated) {
        dedicated_.push_back([nice = ThisThreadsNice(), task = std::move(task)] {
            LowerThisThreadTo(nice);
            task();
        });
    } else {
        short_.push_back(std::move(task));
    }
    try {
        Grow();
    } catch (...) {
        // No thread to be had: the task is not taken.
        (dedicated ? dedicated_ : short_).pop_back();
        throw;
    }
    lock.unlock();
    wake_.notify_one();
}

void ThreadPool::Grow() {
    // Every dedicated task waiting gets an idle thread of its own (idle threads take dedicated
    // tasks first), so it starts at once.
    while (idle_ < dedicated_.size())
        AddThread();
    // Short work keeps up to workers_ threads that no dedicated task holds or will take.
    while (!short_.empty() && idle_ < dedicated_.size() + short_.size() &&
           threads_.size() - dedicatedRunning_ - dedicated_.size() <
               static_cast<std::size_t>(workers_))
        AddThread();
}

void ThreadPool::AddThread() {
    threads_.push_back(std::thread([this] { Work(); }));
    ++idle_; // idle from its start: it goes straight to the queues
}

void ThreadPool::JoinRetired(std::unique_lock<std::mutex>& lock) {
    if (retired_.empty())
        return;
    std::vector<std::thread> done = std::move(retired_);
    retired_.clear();
    lock.unlock();
    for (auto& t : done)
        t.join(); // each has left its loop already
    lock.lock();
}

void ThreadPool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || !dedicated_.empty() || !short_.empty(); });
        if (dedicated_.empty() && short_.empty())
            break; // stopped, and nothing left to run
        --idle_;
        const bool dedicated = !dedicated_.empty();
        std::deque<Task>& from = dedicated ? dedicated_ : short_;
        Task task = std::move(from.front());
        from.pop_front();
        if (dedicated)
            ++dedicatedRunning_;
        lock.unlock();
        task(); // a Pending's Run or a ParallelFor share: neither lets an exception out
        task = nullptr;
        const bool lowered = ThisThreadsNice() > baseNice_;
        lock.lock();
        if (dedicated)
            --dedicatedRunning_;
        const bool surplus = dedicated && threads_.size() - dedicatedRunning_ >
                                              static_cast<std::size_t>(workers_) + kSpareThreads;
        if ((lowered || surplus) && !stop_) {
            // Leaves the pool; the next caller (or the destructor) joins it.
            const auto self = std::find_if(threads_.begin(), threads_.end(), [](const auto& t) {
                return t.get_id() == std::this_thread::get_id();
            });
            retired_.push_back(std::move(*self));
            threads_.erase(self);
            return;
        }
        ++idle_;
    }
}

void ThreadPool::ParallelFor(int count, const std::function<void(int first, int last)>& body) {
    if (count <= 0)
        return;
    const int shares = std::min(count, parallelism_);
    if (shares <= 1) {
        body(0, count);
        return;
    }
    // The shares are claimed one by one, by workers and by the caller. A helper that starts
    // after every share was claimed finds nothing to do; it only holds the state alive.
    struct State {
        const std::function<void(int, int)>* Body = nullptr;
        int Count = 0;
        int Shares = 0;
        std::atomic<int> Next{0};
        std::mutex Mutex;
        std::condition_variable Finished;
        int Done = 0; // under Mutex
        std::exception_ptr Error;
        void RunShares() {
            for (int share = Next.fetch_add(1); share < Shares; share = Next.fetch_add(1)) {
                std::exception_ptr error;
                try {
                    const auto first =
                        static_cast<int>(static_cast<long long>(Count) * share / Shares);
                    const auto last =
                        static_cast<int>(static_cast<long long>(Count) * (share + 1) / Shares);
                    (*Body)(first, last);
                } catch (...) {
                    error = std::current_exception();
                }
                std::lock_guard lock(Mutex);
                if (error && !Error)
                    Error = error;
                if (++Done == Shares)
                    Finished.notify_all();
            }
        }
    };
    auto state = std::make_shared<State>();
    state->Body = &body;
    state->Count = count;
    state->Shares = shares;
    try {
        for (int i = 1; i < shares; ++i)
            Enqueue([state] { state->RunShares(); }, false);
    } catch (const std::system_error&) {
        // No thread to be had: the caller runs the shares no helper took.
    }
    state->RunShares();
    std::unique_lock lock(state->Mutex);
    state->Finished.wait(lock, [&] { return state->Done == state->Shares; });
    if (state->Error)
        std::rethrow_exception(state->Error);
}

} // namespace base
