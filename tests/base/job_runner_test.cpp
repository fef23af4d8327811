// The job runner: the job runs on another thread, a Cancel reaches it even when it came before
// the job opened its progress, one job at a time, a throwing job still ends (and says why), and a
// runner that goes away stops its job and waits for it.
#include "base/JobRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Spins until cancelled (or a time limit), counting its turns.
void WorkUntilCancelled(base::Progress& progress, std::atomic<int>& turns) {
    progress.Open();
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!progress.Cancelled() && std::chrono::steady_clock::now() < until) {
        ++turns;
        std::this_thread::sleep_for(1ms);
    }
    progress.Close();
}

TEST(JobRunner, RunsOnAWorkerAndCancelReachesIt) {
    base::JobRunner runner;
    base::NoProgress progress;
    std::atomic<int> turns{0};
    std::thread::id worker;
    std::atomic<bool> finished{false};
    // Cancel asked before the job has opened its progress still stops it.
    std::atomic<bool> go{false};
    ASSERT_TRUE(runner.Start(
        progress,
        [&] {
            worker = std::this_thread::get_id();
            while (!go.load())
                std::this_thread::sleep_for(1ms);
            WorkUntilCancelled(progress, turns);
        },
        [&] { finished = true; }));
    EXPECT_TRUE(runner.Running());
    EXPECT_FALSE(runner.Start(progress, [] {})); // one job at a time
    runner.Cancel();
    go = true;
    runner.Wait();
    EXPECT_TRUE(finished.load());
    EXPECT_FALSE(runner.Running());
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_LT(turns.load(), 1000); // stopped by the Cancel, not by the time limit
    EXPECT_EQ(runner.Failure(), "");

    // The next job starts clean: the earlier Cancel does not stop it at once.
    std::atomic<int> second{0};
    ASSERT_TRUE(runner.Start(progress, [&] {
        progress.Open();
        for (int i = 0; i < 20 && !progress.Cancelled(); ++i)
            ++second;
    }));
    runner.Wait();
    EXPECT_EQ(second.load(), 20);
}

TEST(JobRunner, AThrowingJobEndsAndSaysWhy) {
    base::JobRunner runner;
    base::NoProgress progress;
    bool finished = false;
    ASSERT_TRUE(runner.Start(
        progress, [] { throw std::runtime_error("disk on fire"); }, [&] { finished = true; }));
    runner.Wait();
    EXPECT_TRUE(finished);
    EXPECT_EQ(runner.Failure(), "disk on fire");
    EXPECT_TRUE(runner.Run(progress, [] {}));
    EXPECT_EQ(runner.Failure(), "");
}

TEST(JobRunner, GoingAwayStopsTheJobAndWaits) {
    base::NoProgress progress;
    std::atomic<int> turns{0};
    std::atomic<bool> ended{false};
    {
        base::JobRunner runner;
        ASSERT_TRUE(runner.Start(progress, [&] {
            WorkUntilCancelled(progress, turns);
            ended = true;
        }));
        while (turns.load() == 0)
            std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(ended.load());
    EXPECT_TRUE(progress.Cancelled());
}

} // namespace
