// Erasing rewritable discs in virtual recorders: a written CD-RW blanked quick and whole, a
// DVD+RW whose old volume must no longer read, and the refusals and stuck drives that must end
// in a clear failure instead of a report of success.
#include "BurnTestTools.h"

#include "disc/MediaDetection.h"

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
