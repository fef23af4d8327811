// Erasing rewritable discs in virtual recorders: a written CD-RW blanked quick and whole, a
// DVD+RW whose old volume must no longer read, and the refusals and stuck drives that must end
// in a clear failure instead of a report of success.
#include "BurnTestTools.h"

#include "base/Endian.h"
#include "disc/mmc/MediaDetection.h"

#include <sys/stat.h>

namespace disc_erase_test {

using namespace disctest;

namespace {

class EraseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QTemporaryDir tmp;
};

TEST_F(EraseTest, WrittenCdRwIsBlankAfterAQuickAndAFullErase) {
    for (const bool quick : {true, false}) {
        QTemporaryDir dir;
        BurnRig r("cd-rw", dir);
        ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok());
        ASSERT_EQ(r.rig.recorder->Medium().DiscStatus(), 1);
        const auto erased = r.Erase(quick);
        ASSERT_TRUE(erased.ok()) << erased.error();
        EXPECT_EQ(r.rig.recorder->Medium().DiscStatus(), 0) << (quick ? "quick" : "full");
        EXPECT_EQ(r.status.erasePercent.load(), 100);
        // A blank disc takes a first session again.
        const auto again = r.Burn({r.File("b.txt", "b")});
        ASSERT_TRUE(again.ok()) << again.error();
        EXPECT_EQ(r.Extract("b.txt", 0), "b");
    }
}

TEST_F(EraseTest, ErasedDvdPlusRwHoldsNoVolumeAndTakesANewOne) {
    BurnRig r("dvd+rw", tmp);
    ASSERT_TRUE(r.Burn({r.File("old.txt", "old")}).ok());
    const auto erased = r.Erase(true);
    ASSERT_TRUE(erased.ok()) << erased.error();
    EXPECT_EQ(ReadBytes(r.Image()).substr(16 * 2048, 2048), std::string(2048, '\0'));
    ASSERT_TRUE(r.Burn({r.File("new.txt", "new")}).ok());
    const std::string listing = r.List(0);
    EXPECT_NE(listing.find("new.txt"), std::string::npos);
    EXPECT_EQ(listing.find("old.txt"), std::string::npos) << "the old session is gone";
}

// Positions shown by a full erase; asks to stop once `stopAt` percent was shown.
class Positions final : public base::Progress {
public:
    explicit Positions(int stopAt = 101) : stopAt_(stopAt) {}
    void SetPosition(int percent) override {
        shown.push_back(percent);
        if (percent >= stopAt_)
            RequestCancel();
    }
    std::vector<int> shown;

private:
    int stopAt_;
};

// The address just past the last WRITE (10) in the recorder's log.
std::uint64_t WrittenUpTo(const BurnRig& r) {
    std::uint64_t end = 0;
    for (const auto& cdb : r.rig.recorder->CommandLog())
        if (cdb[0] == 0x2A)
            end = std::uint64_t{base::LoadBE<std::uint32_t>(&cdb[2])} +
                  base::LoadBE<std::uint16_t>(&cdb[7]);
    return end;
}

TEST_F(EraseTest, FullDvdPlusRwEraseOverwritesTheWholeDiscShowingProgressAndStopsOnCancel) {
    BurnRig r("dvd+rw", tmp);
    ASSERT_TRUE(r.Burn({r.File("old.txt", Pattern(100000, 1))}).ok());
    const std::uint32_t capacity = r.rig.recorder->Medium().Capacity();

    Positions half(50);
    const auto stopped = disc::EraseDisc(*r.rig.device, false, half, r.status);
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error(), "OPERATION ABORTED BY USER");
    EXPECT_LT(WrittenUpTo(r), capacity * 6ull / 10);
    EXPECT_GE(WrittenUpTo(r), capacity * 4ull / 10);

    Positions whole;
    const auto erased = disc::EraseDisc(*r.rig.device, false, whole, r.status);
    ASSERT_TRUE(erased.ok()) << erased.error();
    EXPECT_EQ(WrittenUpTo(r), capacity) << "the zeros reach the disc's last sector";
    EXPECT_TRUE(std::is_sorted(whole.shown.begin(), whole.shown.end()));
    EXPECT_GT(std::count_if(whole.shown.begin(), whole.shown.end(),
                            [](int p) { return p > 0 && p < 100; }),
              50)
        << "the bar moves while the disc is written";
    EXPECT_EQ(whole.shown.back(), 100);
    // Nothing old is left: the image is the disc's size, holds zeros and (kept sparse by the
    // virtual recorder) no written block.
    struct stat st {};
    ASSERT_EQ(::stat(r.Image().c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), std::uint64_t{capacity} * 2048);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);
    std::ifstream image(r.Image(), std::ios::binary);
    std::string head(1 << 20, 'x');
    image.read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(head.find_first_not_of('\0'), std::string::npos);
    // The format is closed at the end, as after every DVD+RW write.
    const auto log = r.rig.recorder->CommandLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const auto& cdb) {
        return cdb[0] == 0x5B && (cdb[2] & 0x07) == 3 && cdb[5] == 0xFF;
    }));
    ASSERT_TRUE(r.Burn({r.File("new.txt", "new")}).ok());
    const auto after = r.rig.recorder->CommandLog();
    const auto lastWrite =
        std::find_if(after.rbegin(), after.rend(), [](const auto& cdb) { return cdb[0] == 0x2A; });
    EXPECT_TRUE(std::any_of(after.rbegin(), lastWrite, [](const auto& cdb) {
        return cdb[0] == 0x5B && (cdb[2] & 0x07) == 3;
    })) << "the write closed the format too";
    EXPECT_EQ(r.Extract("new.txt", 0), "new");
}

TEST_F(EraseTest, WriteOnceDiscIsRefusedWithoutACommandThatChangesIt) {
    BurnRig r("cd-r", tmp);
    ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok());
    const std::string before = ReadBytes(r.Image());
    const auto erased = r.Erase(true);
    ASSERT_FALSE(erased.ok());
    EXPECT_EQ(erased.error(), "THE DISC IS NOT REWRITABLE");
    EXPECT_FALSE(r.Received(0xA1)) << "no BLANK";
    EXPECT_EQ(ReadBytes(r.Image()), before);
}

TEST_F(EraseTest, DriveThatNeverBecomesReadyEndsInAFailureNotAHang) {
    BurnRig r("cd-rw", tmp);
    ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok());
    disc::VirtualFaults faults;
    faults.stuckNotReady = 1000000;
    r.rig.recorder->SetFaults(faults);
    const auto erased = r.Erase(true);
    ASSERT_FALSE(erased.ok());
    EXPECT_NE(erased.error().find('['), std::string::npos) << erased.error();
    EXPECT_LT(r.rig.clock->slept, 2LL * 3600 * 1000) << "bounded by the estimate";
}

TEST_F(EraseTest, EstimatesFollowTheMediaType) {
    using namespace disc::media_type;
    EXPECT_EQ(disc::EraseEstimateSeconds(kCdRw, true), 150);
    EXPECT_EQ(disc::EraseEstimateSeconds(kCdRw, false), 4500);
    EXPECT_EQ(disc::EraseEstimateSeconds(kDvdPlusRw, true), 600);
    EXPECT_EQ(disc::EraseEstimateSeconds(kDvdRw, true), 180);
    EXPECT_EQ(disc::EraseEstimateSeconds(kDvdRwSequential, false), 4440);
}

} // namespace

} // namespace disc_erase_test
