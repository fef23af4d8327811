// Disc jobs on their worker thread: the counters move while the write runs, Cancel from another
// thread stops it with the abort text and no close, a second start is refused meanwhile, and
// the end is reported exactly once.
#include "BurnTestTools.h"

#include "disc/DiscJob.h"

#include <chrono>
#include <thread>

using namespace disctest;

namespace {

TEST(DiscJobTest, CancelFromAnotherThreadStopsTheWriteWithoutAClose) {
    QTemporaryDir tmp;
    BurnRig r("cd-r", tmp);
    disc::IsoImageBuilder builder;
    ASSERT_EQ(builder.InsertFile("\\", r.File("big.bin", Pattern(60u << 20, 1))),
              disc::InsertResult::Added);
    disc::DiscJob job;
    std::atomic<int> calls{0};
    std::string reported;
    ASSERT_TRUE(job.StartWrite(*r.rig.device, builder, {}, {}, [&](const base::Status& s) {
        reported = s.ok() ? "" : s.error();
        ++calls;
    }));
    EXPECT_FALSE(job.StartErase(*r.rig.device, true)) << "one job at a time";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (job.Running() && job.Status().bytesWritten.load() == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    job.Cancel();
    const auto result = job.Wait();
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(reported, "OPERATION ABORTED BY USER");
    EXPECT_FALSE(job.Running());
    EXPECT_FALSE(r.Received(0x5B)) << "no close after a cancel";
}

TEST(DiscJobTest, FinishedJobReportsSuccessAndTheNextOneMayStart) {
    QTemporaryDir tmp;
    BurnRig r("cd-rw", tmp);
    disc::IsoImageBuilder builder;
    ASSERT_EQ(builder.InsertFile("\\", r.File("a.txt", "a")), disc::InsertResult::Added);
    disc::DiscJob job;
    ASSERT_TRUE(job.StartWrite(*r.rig.device, builder, {}));
    const auto written = job.Wait();
    ASSERT_TRUE(written.ok()) << written.error();
    EXPECT_EQ(job.Status().bytesWritten.load(), 300 * 2048);
    ASSERT_TRUE(job.StartErase(*r.rig.device, true));
    const auto erased = job.Wait();
    EXPECT_TRUE(erased.ok()) << erased.error();
    EXPECT_EQ(r.rig.recorder->Medium().DiscStatus(), 0);
}

} // namespace
