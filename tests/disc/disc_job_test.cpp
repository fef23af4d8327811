// Disc jobs on their worker thread: the counters move while the write runs, Cancel from another
// thread stops it with the abort text and no close, a second start is refused meanwhile, and
// the end is reported exactly once.
#include "BurnTestTools.h"

#include "disc/burn/DiscJob.h"

#include <chrono>
#include <thread>

namespace disc_job_test {

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

namespace {

// While one job holds a recorder, a second job on it is refused before it sends a command,
// whether it comes through the same device or through another opening of the same image (as
// a second program would).
TEST(DiscJobTest, ARecorderTakesOneJobAtATime) {
    QTemporaryDir tmp;
    BurnRig r("cd-r", tmp);
    VirtualRig other("cd-r", tmp.path());
    const std::string file = r.File("a.txt", "a");
    base::Status inner1, inner2, inner3;
    const auto outer = disc::WithRecorderHeld(*r.rig.device, [&] {
        disc::IsoImageBuilder b;
        b.InsertFile("\\", file);
        base::NoProgress progress;
        disc::DiscJobStatus status;
        inner1 = disc::WriteDisc(*r.rig.device, b, {}, progress, status);
        inner2 = disc::WriteDisc(*other.device, b, {}, progress, status);
        inner3 = disc::EraseDisc(*other.device, true, progress, status);
        return base::Status();
    });
    ASSERT_TRUE(outer.ok()) << outer.error();
    EXPECT_EQ(inner1.error(), "recorder busy");
    EXPECT_EQ(inner2.error(), "recorder busy");
    EXPECT_EQ(inner3.error(), "recorder busy");
    EXPECT_FALSE(r.Received(0x2A));
    // Let go, the recorder takes the next job.
    EXPECT_TRUE(r.Burn({file}).ok());
}

} // namespace

} // namespace disc_job_test
