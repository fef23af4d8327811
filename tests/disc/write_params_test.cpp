// The write parameters page per media type: write type, multi-session field, the underrun and
// test-write bits only where the drive has them, and the fixed packet fields of DVD media.
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/WriteParams.h"

#include <gtest/gtest.h>

namespace {

using Page = std::array<std::uint8_t, disc::kWriteParamsPageBytes>;
using namespace disc::media_type;

constexpr std::uint32_t kUnderrunCap = 0x40000;
constexpr std::uint32_t kTestCap = 0x800;

Page Build(int type, disc::WriteParamsOptions o, std::uint32_t caps = kUnderrunCap | kTestCap) {
    Page drive{};
    drive.fill(0xAA); // whatever the drive reported must not leak into the fields set here
    return disc::BuildWriteParamsPage(drive, type, o, caps, false);
}

TEST(WriteParamsTest, CdKeepsTheDiscOpenUnlessFinalizedOrTesting) {
    const Page open = Build(kCdR, {false, true, false});
    EXPECT_EQ(open[0], 0x05);
    EXPECT_EQ(open[1], 0x32);
    EXPECT_EQ(open[2] & 0x0F, 1) << "track at once";
    EXPECT_EQ(open[2] & 0x40, 0x40) << "underrun protection";
    EXPECT_EQ(open[3] >> 6, 3) << "next session allowed";
    EXPECT_EQ(open[4], 8) << "mode 1 data";
    EXPECT_EQ(open[14], 0);
    EXPECT_EQ(open[15], 150);
    EXPECT_EQ(Build(kCdRw, {false, true, true})[3] >> 6, 0) << "finalized";
    const Page test = Build(kCdR, {true, false, false});
    EXPECT_EQ(test[3] >> 6, 0);
    EXPECT_EQ(test[2] & 0x50, 0x10) << "test write without underrun protection";
    EXPECT_EQ(Build(kCdR, {true, true, false}, 0)[2] & 0x50, 0) << "bits only when capable";
}

TEST(WriteParamsTest, DvdMediaGetTheirWriteTypesAndPackets) {
    const Page minusR = Build(kDvdR, {false, true, false});
    EXPECT_EQ(minusR[2] & 0x0F, 0) << "incremental, never track at once";
    EXPECT_EQ(minusR[3] >> 6, 3);
    EXPECT_EQ(minusR[5], 0x10);
    EXPECT_EQ(minusR[13], 16);
    const Page minusRw = Build(kDvdRwSequential, {false, true, false});
    EXPECT_EQ(minusRw[2] & 0x2F, 0x20);
    EXPECT_EQ(minusRw[3], 0xC5);
    const Page plusRw = Build(kDvdPlusRw, {false, true, false});
    EXPECT_EQ(plusRw[3], 0x04);
    EXPECT_EQ(plusRw[5], 0x10);
    const Page plusR = Build(kDvdPlusR, {false, false, false});
    EXPECT_EQ(plusR[3], 0xC4);
    EXPECT_EQ(plusR[6], 0);
    EXPECT_EQ(plusR[13], 16);
    for (int i : {6, 7, 8, 9})
        EXPECT_EQ(minusR[static_cast<std::size_t>(i)], 0) << i;
}

} // namespace
