// MMC wrappers, capabilities, media detection and the reply readers, over scripted replies.
#include "DiscTestSupport.h"

#include "base/Endian.h"
#include "disc/mmc/DriveCapabilities.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <gtest/gtest.h>

#include <map>

using namespace disc;
using disctest::Drive;
using disctest::ScriptedTransport;

namespace {

// A drive answering from a table of replies by operation code (MODE SENSE by page and page
// control); commands without a reply fail with ILLEGAL REQUEST.
struct TableDrive {
    std::map<int, std::vector<std::uint8_t>> replies;
    ScriptedTransport* transport = nullptr;

    static int Key(const RequestBlock& b) {
        if (b.Opcode() == 0x5A)
            return 0x5A00 | b.cdb[2];
        if (b.Opcode() == 0x46)
            return 0x4600 | b.cdb[3];
        if (b.Opcode() == 0x43)
            return 0x4300 | b.cdb[2];
        return b.Opcode();
    }
    std::unique_ptr<ScsiDevice> Make() {
        auto t = std::make_unique<ScriptedTransport>(
            std::vector<DriveInfo>{Drive(*DriveAddress::Parse("0:0:0:0"), "/dev/sr0")},
            [this](RequestBlock& b) {
                if (b.Opcode() == 0x12) {
                    const auto& q = transport->Drives()[0].inquiry;
                    disctest::Reply(b, std::vector<std::uint8_t>(q.begin(), q.end()));
                    return;
                }
                const auto it = replies.find(Key(b));
                if (it == replies.end()) {
                    b.SetCheckCondition(0x05, 0x24, 0x00);
                    return;
                }
                disctest::Reply(b, it->second);
            });
        transport = t.get();
        auto device =
            std::make_unique<ScsiDevice>(std::move(t), std::make_shared<disctest::FakeClock>());
        EXPECT_TRUE(device->OpenTransport());
        EXPECT_TRUE(device->SelectDevice(device->DeviceList()[0]));
        return device;
    }
};

std::vector<std::uint8_t> ModeReply(std::vector<std::uint8_t> page, std::size_t descriptor = 0) {
    std::vector<std::uint8_t> r(8 + descriptor, 0);
    base::StoreBE<std::uint16_t>(&r[6], static_cast<std::uint16_t>(descriptor));
    r.insert(r.end(), page.begin(), page.end());
    base::StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
    return r;
}

std::vector<std::uint8_t> CapPage(std::uint16_t maxWrite, std::uint16_t write,
                                  std::uint16_t maxRead) {
    std::vector<std::uint8_t> p(32, 0);
    p[0] = 0x2A;
    p[1] = 30;
    p[2] = 0x3B;
    p[3] = 0x37;
    base::StoreBE<std::uint16_t>(&p[8], maxRead);
    base::StoreBE<std::uint16_t>(&p[18], maxWrite);
    base::StoreBE<std::uint16_t>(&p[20], write);
    return p;
}

std::vector<std::uint8_t> Config(std::uint16_t profile, std::uint16_t feature, std::uint8_t flags) {
    std::vector<std::uint8_t> r(16, 0);
    base::StoreBE<std::uint32_t>(r.data(), 12);
    base::StoreBE<std::uint16_t>(&r[6], profile);
    base::StoreBE<std::uint16_t>(&r[8], feature);
    r[10] = flags;
    r[11] = 4;
    return r;
}

std::vector<std::uint8_t> DiscInfo(std::uint8_t byte2, std::uint8_t sessions) {
    std::vector<std::uint8_t> r(34, 0);
    r[1] = 32;
    r[2] = byte2;
    r[3] = 1;
    r[4] = sessions;
    return r;
}

} // namespace

TEST(Capabilities, CurrentWriteSpeedZeroShows1385) {
    TableDrive drive;
    drive.replies[0x5A80 | 0x2A] = ModeReply(CapPage(0, 0, 0));
    drive.replies[0x5A2A] = ModeReply(CapPage(0, 0, 4234), 8); // with a block descriptor
    auto device = drive.Make();
    const auto& caps = device->Capabilities();
    EXPECT_EQ(caps.writeSpeed, 1385u);
    EXPECT_EQ(caps.maxWriteSpeed, 1385u);
    EXPECT_EQ(caps.maxReadSpeed, 4234u);
    EXPECT_TRUE(caps.bits & capability::kCdRWrite);
    EXPECT_TRUE(caps.bits & capability::kDvdRWrite);
    EXPECT_FALSE(caps.bits & capability::kDvdPlusRWrite);
    EXPECT_EQ(SpeedText(media_type::kDvdPlusR, caps.writeSpeed), "1.0X (1,385 KB/s)");
}

TEST(Capabilities, DefaultsRaiseMaximaAndFeaturesAddDvdPlus) {
    TableDrive drive;
    drive.replies[0x5A80 | 0x2A] = ModeReply(CapPage(22160, 0, 22160));
    drive.replies[0x5A2A] = ModeReply(CapPage(8467, 4234, 7056));
    drive.replies[0x462A] = Config(0x1A, 0x2A, 0x01);
    drive.replies[0x462F] = Config(0x1A, 0x2F, 0x04); // reported, not current
    auto device = drive.Make();
    const auto& caps = device->Capabilities();
    EXPECT_EQ(caps.maxWriteSpeed, 22160u);
    EXPECT_EQ(caps.maxReadSpeed, 22160u);
    EXPECT_EQ(caps.writeSpeed, 4234u);
    EXPECT_TRUE(caps.bits & capability::kDvdPlusRwWrite);
    EXPECT_TRUE(caps.bits & capability::kDvdPlusRRead);
}

TEST(Capabilities, FailingPageLeavesSpeedsZero) {
    TableDrive drive;
    auto device = drive.Make();
    const base::Status read = ReadCapabilities(*device);
    EXPECT_FALSE(read);
    EXPECT_EQ(device->Capabilities().writeSpeed, 0u);
    EXPECT_EQ(device->Capabilities().maxWriteSpeed, 0u);
    EXPECT_EQ(read.error(), "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
}

TEST(Capabilities, SetCdSpeedZeroAsksForTheMaximum) {
    TableDrive drive;
    drive.replies[0xBB] = {};
    auto device = drive.Make();
    ASSERT_TRUE(SetSpeeds(*device, 0, 0));
    const RequestBlock& sent = drive.transport->sent.back();
    EXPECT_EQ(sent.cdb[0], 0xBB);
    EXPECT_EQ(sent.cdbLength, 12);
    EXPECT_EQ(base::LoadBE<std::uint16_t>(&sent.cdb[2]), 0xFFFF);
    EXPECT_EQ(base::LoadBE<std::uint16_t>(&sent.cdb[4]), 0xFFFF);
    ASSERT_TRUE(SetSpeeds(*device, 1385, 5540));
    EXPECT_EQ(base::LoadBE<std::uint16_t>(&drive.transport->sent.back().cdb[4]), 5540);
}

TEST(MediaType, BlankDvdPlusRIsTypeEleven) {
    TableDrive drive;
    drive.replies[0x4600] = Config(0x1B, 0x0000, 0x03);
    auto device = drive.Make();
    const int type = GetMediaType(*device);
    EXPECT_EQ(type, media_type::kDvdPlusR);
    EXPECT_EQ(type, 11);
    EXPECT_STREQ(MediaName(type), "DVD+R");
}

TEST(MediaType, FallsBackToAtipAndDiscInformation) {
    TableDrive drive;
    std::vector<std::uint8_t> atip(28, 0);
    atip[1] = 26;
    atip[6] = 0xC0;
    drive.replies[0x4304] = atip;
    auto device = drive.Make();
    EXPECT_EQ(GetMediaType(*device), media_type::kCdRw);
    drive.replies[0x4304][6] = 0x80;
    EXPECT_EQ(GetMediaType(*device), media_type::kCdR);
    drive.replies[0x4304][6] = 0x00;
    EXPECT_EQ(GetMediaType(*device), media_type::kCdRom);
    drive.replies.erase(0x4304);
    drive.replies[0x51] = DiscInfo(0x10, 1);
    EXPECT_EQ(GetMediaType(*device), media_type::kCdRw);
    drive.replies.clear();
    EXPECT_EQ(GetMediaType(*device), media_type::kUnknown);
    drive.replies[0x00] = {};
    EXPECT_EQ(GetMediaType(*device), media_type::kCdRom);
}

TEST(Sessions, AppendableDiscWithEmptyLastSessionCountsOneLess) {
    TableDrive drive;
    auto device = drive.Make();
    drive.replies[0x51] = DiscInfo(0x01, 2); // appendable, last session empty
    EXPECT_EQ(SessionCount(*device), 1);
    drive.replies[0x51] = DiscInfo(0x01 | 0x04, 2); // last session incomplete
    EXPECT_EQ(SessionCount(*device), 2);
    drive.replies[0x51] = DiscInfo(0x02 | 0x0C, 3); // complete
    EXPECT_EQ(SessionCount(*device), 3);
    drive.replies[0x51] = DiscInfo(0x00, 1); // blank
    EXPECT_EQ(SessionCount(*device), 0);
    drive.replies[0x51] = DiscInfo(0x01, 0); // nonsense: never below zero
    EXPECT_EQ(SessionCount(*device), 0);
}

TEST(Erasable, FromDiscInformationElseByMediaType) {
    TableDrive drive;
    drive.replies[0x4600] = Config(0x1A, 0, 3);
    auto device = drive.Make();
    EXPECT_TRUE(IsErasable(*device)) << "DVD+RW when the disc information fails";
    drive.replies[0x51] = DiscInfo(0x00, 1);
    EXPECT_FALSE(IsErasable(*device));
}

TEST(Replies, ShortRepliesAreRefused) {
    const std::vector<std::uint8_t> tiny = {0, 2, 1};
    EXPECT_FALSE(ParseDiscInformation(tiny));
    EXPECT_FALSE(ParseTrackInformation(tiny));
    EXPECT_FALSE(ParseAtip(tiny));
    EXPECT_FALSE(ParseFormatCapacities(tiny));
    EXPECT_FALSE(ParseConfiguration(tiny));
    EXPECT_FALSE(ParseBufferCapacity(tiny));
    EXPECT_FALSE(ParseReadCapacity(tiny));
    EXPECT_FALSE(LocateModePage(tiny, 0x2A));
    // The length field limits the reply even when more bytes came.
    std::vector<std::uint8_t> info(40, 0xFF);
    info[0] = 0;
    info[1] = 4;
    EXPECT_FALSE(ParseTrackInformation(info));
}

TEST(Replies, FormatCapacitySelection) {
    auto make = [](std::vector<std::pair<std::uint32_t, std::uint32_t>> descriptors) {
        std::vector<std::uint8_t> r(4, 0);
        r[3] = static_cast<std::uint8_t>(descriptors.size() * 8);
        for (auto [blocks, word] : descriptors) {
            std::uint8_t d[8];
            base::StoreBE<std::uint32_t>(d, blocks);
            base::StoreBE<std::uint32_t>(d + 4, word);
            r.insert(r.end(), d, d + 8);
        }
        return *ParseFormatCapacities(r);
    };
    EXPECT_EQ(make({{100, 0x00000800}, {200, 0x00000800}}).SelectedBlocks(), 100u);
    EXPECT_EQ(make({{100, 0x02000800}, {200, 0x98000000}}).SelectedBlocks(), 200u);
    EXPECT_EQ(make({{100, 0x01000800}, {200, 0x54000010}, {300, 0x00000800}}).SelectedBlocks(),
              300u);
    EXPECT_EQ(make({{100, 0x03000800}}).SelectedBlocks(), 100u);
}

TEST(Replies, ModePageLocation) {
    EXPECT_EQ(*LocateModePage(ModeReply(CapPage(1, 1, 1)), 0x2A), 8u);
    EXPECT_EQ(*LocateModePage(ModeReply(CapPage(1, 1, 1), 8), 0x2A), 16u);
    std::vector<std::uint8_t> odd(7, 0);
    const auto page = CapPage(1, 1, 1);
    odd.insert(odd.end(), page.begin(), page.end());
    odd[6] = 0x55; // a nonsense descriptor length
    EXPECT_EQ(*LocateModePage(odd, 0x2A), 7u);
    EXPECT_FALSE(LocateModePage(ModeReply(CapPage(1, 1, 1)), 0x05));
}

TEST(SpeedTexts, CdAndDvdSteps) {
    EXPECT_EQ(SpeedText(media_type::kCdR, 8467), "48X (8,467 KB/s)");
    EXPECT_EQ(SpeedText(media_type::kDvdR, 22160), "16.0X (22,160 KB/s)");
    EXPECT_EQ(SpeedText(media_type::kDvdRam, 6925), "5.0X (6,925 KB/s)");
    EXPECT_EQ(SpeedText(media_type::kCdRw, 1764), "10X (1,764 KB/s)");
}
