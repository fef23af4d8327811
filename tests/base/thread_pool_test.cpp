// The thread pool and the bounded queue: items keep their order and a full queue holds its
// producer back; Close lets the rest drain; results and exceptions reach the caller; ParallelFor
// finishes from inside a pool task while every worker is busy; dedicated tasks each start at
// once; a lowered task never leaves a worker lowered; destruction runs what is queued and joins.
#include "base/BoundedQueue.h"
#include "base/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

int ThisThreadsNice() {
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

// A gate that tasks wait at until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

TEST(BoundedQueue, KeepsOrderHoldsAFullQueuesProducerAndDrainsAfterClose) {
    base::ThreadPool pool(2);
    base::BoundedQueue<int> queue(2);
    int item = 0;
    ASSERT_TRUE(queue.Push(0));
    ASSERT_TRUE(queue.Push(1));
    item = 2;
    EXPECT_FALSE(queue.TryPush(item)) << "the queue is full";
    // A producer pushing into the full queue waits until an item is taken.
    auto producer = pool.Spawn([&] {
        for (int i = 2; i < 100; ++i)
            if (!queue.Push(i))
                return i;
        return 100;
    });
    EXPECT_EQ(producer.wait_for(50ms), std::future_status::timeout);
    EXPECT_LE(queue.Size(), 2u);
    std::vector<int> got;
    for (int i = 0; i < 60; ++i) {
        auto popped = queue.Pop();
        ASSERT_TRUE(popped);
        got.push_back(*popped);
        queue.Done();
    }
    // Closing wakes the waiting producer, refuses its pushes, and leaves what waits to be taken.
    queue.Close();
    const int refused = producer.get();
    EXPECT_FALSE(queue.Push(-1));
    while (auto popped = queue.Pop()) {
        got.push_back(*popped);
        queue.Done();
    }
    ASSERT_EQ(static_cast<int>(got.size()), refused);
    for (int i = 0; i < refused; ++i)
        EXPECT_EQ(got[static_cast<std::size_t>(i)], i);
    queue.WaitDone(); // everything pushed was handled
    int out = 0;
    EXPECT_EQ(queue.PopFor(out, 1ms), base::BoundedQueue<int>::Popped::Ended);
}

TEST(BoundedQueue, PopForTimesOutAndWaitDoneCountsClearedItems) {
    base::BoundedQueue<int> queue(4);
    int out = 0;
    EXPECT_EQ(queue.PopFor(out, 5ms), base::BoundedQueue<int>::Popped::TimedOut);
    ASSERT_TRUE(queue.Push(7));
    ASSERT_TRUE(queue.Push(8));
    ASSERT_EQ(queue.PopFor(out, 5ms), base::BoundedQueue<int>::Popped::Item);
    EXPECT_EQ(out, 7);
    queue.Clear(); // 8 is dropped: only the popped 7 is unfinished
    queue.Done();
    queue.WaitDone();
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(ThreadPool, ResultsAndExceptionsReachTheCaller) {
    base::ThreadPool pool(2);
    auto value = pool.Post([] { return 42; });
    auto thrown = pool.Post([]() -> int { throw std::runtime_error("no picture"); });
    auto spawned = pool.Spawn([] { throw std::logic_error("no sound"); });
    EXPECT_EQ(value.get(), 42);
    EXPECT_THROW(
        {
            try {
                thrown.get();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "no picture");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_THROW(spawned.get(), std::logic_error);
    // What a task holds is released before its caller sees the result, as when a thread ends.
    auto held = std::make_shared<int>(5);
    EXPECT_EQ(pool.Spawn([held] { return *held; }).get(), 5);
    EXPECT_EQ(held.use_count(), 1);

    // ParallelFor covers every item once, in shares of consecutive items, and hands on a throw
    // only once every share has ended.
    std::vector<std::atomic<int>> seen(1000);
    pool.ParallelFor(1000, [&](int first, int last) {
        for (int i = first; i < last; ++i)
            ++seen[static_cast<std::size_t>(i)];
    });
    for (const auto& s : seen)
        EXPECT_EQ(s.load(), 1);
    std::atomic<int> ended{0};
    EXPECT_THROW(pool.ParallelFor(2,
                                  [&](int first, int) {
                                      if (first == 0)
                                          throw std::runtime_error("share");
                                      std::this_thread::sleep_for(20ms);
                                      ++ended;
                                  }),
                 std::runtime_error);
    EXPECT_EQ(ended.load(), 1);
}

TEST(ThreadPool, ParallelForInsideATaskFinishesWhileEveryWorkerIsBusy) {
    base::ThreadPool pool(2);
    Gate gate;
    auto blocker = pool.Post([&] { gate.Wait(); });
    // The second worker runs a task that splits work: no worker is free for its other share.
    auto splitter = pool.Post([&] {
        std::atomic<int> sum{0};
        pool.ParallelFor(100, [&](int first, int last) {
            for (int i = first; i < last; ++i)
                sum += i;
        });
        return sum.load();
    });
    ASSERT_EQ(splitter.wait_for(10s), std::future_status::ready) << "ParallelFor deadlocked";
    EXPECT_EQ(splitter.get(), 4950);
    EXPECT_EQ(blocker.wait_for(0ms), std::future_status::timeout);
    gate.Open();
    blocker.get();
}

TEST(ThreadPool, DedicatedTasksEachStartAtOnce) {
    // One worker, and three dedicated tasks that only end once all three run together.
    base::ThreadPool pool(1);
    Gate shortGate;
    auto busy = pool.Post([&] { shortGate.Wait(); });
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    std::vector<std::future<bool>> tasks;
    for (int i = 0; i < 3; ++i)
        tasks.push_back(pool.Spawn([&] {
            std::unique_lock lock(mutex);
            ++started;
            changed.notify_all();
            return changed.wait_for(lock, 10s, [&] { return started == 3; });
        }));
    for (auto& t : tasks)
        EXPECT_TRUE(t.get());
    // Short work is not starved by them either.
    EXPECT_EQ(pool.Post([] { return 1; }).get(), 1);
    shortGate.Open();
    busy.get();
}

TEST(ThreadPool, ALoweredTaskLowersWhatItSpawnsAndLeavesNoWorkerLowered) {
    const int base = ThisThreadsNice();
    if (base >= 15)
        GTEST_SKIP() << "the test runs too low to lower a task further";
    base::ThreadPool pool(1);
    auto spawnedNice = pool.Spawn([&] {
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), base + 3);
        return pool.Spawn([] { return ThisThreadsNice(); }).get();
    });
    EXPECT_EQ(spawnedNice.get(), base + 3);
    // Whichever thread takes the next tasks runs them at the process's priority.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pool.Post([] { return ThisThreadsNice(); }).get(), base);
        EXPECT_EQ(pool.Spawn([] { return ThisThreadsNice(); }).get(), base);
    }
}

TEST(ThreadPool, DestructionRunsWhatIsQueuedAndJoins) {
    std::atomic<int> ran{0};
    // Made before the pool: the pool's destruction runs tasks that still wait at it.
    Gate gate;
    {
        base::ThreadPool pool(2);
        for (int i = 0; i < 50; ++i)
            (void)pool.Post([&] {
                gate.Wait();
                ++ran;
            });
        (void)pool.Spawn([&] {
            std::this_thread::sleep_for(20ms);
            ++ran;
        });
        EXPECT_GE(pool.Threads(), 3u);
        gate.Open();
    }
    EXPECT_EQ(ran.load(), 51);
}

} // namespace
