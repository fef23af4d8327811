// The virtual recorder as the device layer sees it: every media profile through ReadDiscState
// and WaitReady, the write rules of each kind of disc, sessions and their gaps, faults ending in
// the right texts, and the disc surviving in its state file.
#include "DiscTestSupport.h"

#include "base/Endian.h"
#include "disc/mmc/DriveCapabilities.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <gtest/gtest.h>

#include <QFile>

namespace virtual_recorder_test {

using namespace disc;
using disctest::VirtualRig;

namespace {

// Sets the write parameters page: write type, data block type, multi-session field.
bool SetWriteParameters(ScsiDevice& device, std::uint8_t writeType, std::uint8_t blockType,
                        std::uint8_t multiSession) {
    MmcCommands mmc(device);
    std::vector<std::uint8_t> reply(512);
    if (!mmc.ModeSense10(0x05, false, reply))
        return false;
    const auto at = LocateModePage(Reply(reply.data(), mmc.Transferred()), 0x05);
    if (!at)
        return false;
    const std::size_t length = 2 + reply[*at + 1];
    std::vector<std::uint8_t> list(8, 0);
    list.insert(list.end(), reply.begin() + static_cast<std::ptrdiff_t>(*at),
                reply.begin() + static_cast<std::ptrdiff_t>(*at + length));
    list[8 + 2] = writeType;
    list[8 + 3] = static_cast<std::uint8_t>((multiSession << 6) | 4);
    list[8 + 4] = blockType;
    return static_cast<bool>(mmc.ModeSelect10(list));
}

std::vector<std::uint8_t> Sectors(std::uint32_t count, std::uint8_t fill) {
    return std::vector<std::uint8_t>(count * kSectorSize, fill);
}

ScsiReply WriteAt(ScsiDevice& device, std::uint32_t lba, std::uint16_t count,
                  std::uint8_t fill = 0x5A) {
    MmcCommands mmc(device);
    return mmc.Write10(lba, count, Sectors(count, fill));
}

TrackInformation Track(ScsiDevice& device, std::uint32_t number) {
    MmcCommands mmc(device);
    std::vector<std::uint8_t> reply(40);
    EXPECT_EQ(mmc.ReadTrackInformation(number, reply).error(), "");
    auto t = ParseTrackInformation(Reply(reply.data(), mmc.Transferred()));
    EXPECT_TRUE(t);
    return t ? *t : TrackInformation{};
}

std::vector<std::uint8_t> Format(std::uint8_t type, bool immediate) {
    std::vector<std::uint8_t> list(12, 0);
    list[1] = immediate ? 0x02 : 0x00;
    list[3] = 8;
    base::StoreBE<std::uint32_t>(&list[4], 0xFFFFFFFFu);
    list[8] = static_cast<std::uint8_t>(type << 2);
    return list;
}

struct ProfileCase {
    const char* name;
    int mediaType;
    std::uint32_t capacity;
    const char* status;
    int sessions;
};

class EveryProfile : public ::testing::TestWithParam<ProfileCase> {
protected:
    QTemporaryDir dir;
};

} // namespace

TEST_P(EveryProfile, AnswersDiscStateAndReadiness) {
    const ProfileCase& c = GetParam();
    VirtualRig rig(c.name, dir.path());
    ScsiDevice& device = *rig.device;
    EXPECT_GT(device.Capabilities().maxWriteSpeed, 0u);
    EXPECT_GT(device.Capabilities().writeSpeed, 0u);

    EXPECT_TRUE(WaitReady(device, 3000, 500));
    EXPECT_EQ(rig.clock->slept, 0);
    const DiscState st = ReadDiscState(device);
    EXPECT_TRUE(st.present);
    EXPECT_EQ(device.KnownMediaType(), c.mediaType);
    EXPECT_EQ(GetMediaType(device), c.mediaType);
    EXPECT_EQ(st.capacity, c.capacity);
    EXPECT_EQ(st.freeBlocks, c.capacity);
    EXPECT_EQ(st.firstAddress, 0u);
    EXPECT_EQ(st.StatusText(), c.status);
    EXPECT_EQ(SessionCount(device), c.sessions);
    EXPECT_EQ(IsErasable(device), std::string(c.name).find("rw") != std::string::npos ||
                                      std::string(c.name) == "dvd-ram");

    // Becoming ready after a tray cycle: the unit attention, then ready.
    MmcCommands mmc(device);
    ASSERT_TRUE(mmc.Eject());
    EXPECT_FALSE(ReadDiscState(device).present);
    EXPECT_EQ(mmc.TestUnitReady().error(), "NOT READY (MEDIUM NOT PRESENT - TRAY OPEN)");
    EXPECT_LE(rig.clock->slept, 3000);
    ASSERT_TRUE(mmc.Load());
    EXPECT_TRUE(WaitReady(device, 3000, 500));
    EXPECT_TRUE(ReadDiscState(device).present);

    // A drive becoming ready for a few polls.
    VirtualFaults f;
    f.notReadyCommands = 3;
    rig.recorder->SetFaults(f);
    const std::int64_t before = rig.clock->slept;
    EXPECT_TRUE(WaitReady(device, 10000, 500));
    EXPECT_GT(rig.clock->slept, before);
    EXPECT_LE(rig.clock->slept - before, 10000);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, EveryProfile,
    ::testing::Values(ProfileCase{"cd-r", media_type::kCdR, 359849, "blank", 0},
                      ProfileCase{"cd-rw", media_type::kCdRw, 359849, "blank", 0},
                      ProfileCase{"dvd-r", media_type::kDvdR, 2295104, "blank", 0},
                      ProfileCase{"dvd-rw", media_type::kDvdRwSequential, 2295104, "blank", 0},
                      ProfileCase{"dvd+r", media_type::kDvdPlusR, 2295104, "blank", 0},
                      ProfileCase{"dvd+rw", media_type::kDvdPlusRw, 2295104, "blank", 0},
                      ProfileCase{"dvd-ram", media_type::kDvdRam, 2236704, "overwritable", 1}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == '-' || ch == '+')
                ch = ch == '+' ? 'P' : '_';
        return n;
    });

TEST(VirtualCd, SessionsStartAfterLeadOutLeadInAndPreGap) {
    QTemporaryDir dir;
    VirtualRig rig("cd-r", dir.path());
    ScsiDevice& device = *rig.device;
    MmcCommands mmc(device);
    EXPECT_EQ(device.Capabilities().writeModes,
              write_mode::kRaw | write_mode::kSessionAtOnce | write_mode::kTrackAtOnce);
    // The probe leaves raw-ish settings behind; a 2048-byte write needs Mode 1 blocks.
    EXPECT_EQ(WriteAt(device, 0, 1).error(), "ILLEGAL REQUEST (ILLEGAL MODE FOR THIS TRACK)");
    ASSERT_TRUE(SetWriteParameters(device, 1, 8, 3));

    ASSERT_TRUE(WriteAt(device, 0, 100));
    EXPECT_EQ(WriteAt(device, 50, 1).error(), "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
    const TrackInformation open = Track(device, 0xFF);
    EXPECT_TRUE(open.nextWritableValid);
    EXPECT_EQ(open.nextWritable, 100u);
    ASSERT_TRUE(WriteAt(device, 100, 20));
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kTrack, 1));
    EXPECT_EQ(Track(device, 1).size, 122u) << "two run-out blocks of track-at-once";
    EXPECT_EQ(Track(device, 0xFF).start, 122u + 150) << "the next track's pre-gap";
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kSession, 0));

    const std::uint32_t second = 122 + 6750 + 4500 + 150;
    EXPECT_EQ(Track(device, 0xFF).start, second);
    EXPECT_EQ(SessionCount(device), 1);
    DiscState st = ReadDiscState(device);
    EXPECT_EQ(st.StatusText(), "appendable");
    EXPECT_EQ(st.firstAddress, second);
    EXPECT_EQ(st.lastSession, 1);
    EXPECT_EQ(st.freeBlocks, 359849u - second);

    ASSERT_TRUE(WriteAt(device, second, 10));
    ASSERT_TRUE(mmc.CloseTrackSession(true, close_function::kSession, 0));
    EXPECT_EQ(WaitReady(device, 60000, 1000).error(), "");
    const std::uint32_t third = second + 12 + 2250 + 4500 + 150;
    EXPECT_EQ(Track(device, 0xFF).start, third);
    EXPECT_EQ(SessionCount(device), 2);

    // The table of contents lists the closed sessions; the session information names the last.
    std::vector<std::uint8_t> toc(12);
    ASSERT_TRUE(mmc.ReadToc(1, false, 0, toc));
    const auto sessions = ParseSessionInformation(Reply(toc.data(), mmc.Transferred()));
    ASSERT_TRUE(sessions);
    EXPECT_EQ(sessions->lastSession, 2);
    EXPECT_EQ(sessions->startOfLastSession, second);
    std::vector<std::uint8_t> full(114);
    ASSERT_TRUE(mmc.ReadToc(0, true, 0, full));
    const auto parsed = ParseToc(Reply(full.data(), mmc.Transferred()), true);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->lastTrack, 2);
    EXPECT_EQ(*parsed->LeadOut(), second + 12);

    // Data written can be read back as written.
    std::vector<std::uint8_t> back(kSectorSize);
    ASSERT_TRUE(mmc.Read10(second, 1, back));
    EXPECT_EQ(back, Sectors(1, 0x5A));
    EXPECT_FALSE(mmc.Read10(200, 1, back)) << "the pre-gap holds no data";
}

TEST(VirtualCd, ClosingWithoutMultiSessionFinishesTheDisc) {
    QTemporaryDir dir;
    VirtualRig rig("cd-rw", dir.path());
    ScsiDevice& device = *rig.device;
    MmcCommands mmc(device);
    ASSERT_TRUE(SetWriteParameters(device, 1, 8, 0));
    ASSERT_TRUE(WriteAt(device, 0, 30));
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kTrack, 1));
    EXPECT_EQ(mmc.CloseTrackSession(false, close_function::kTrack, 1).error(),
              "ILLEGAL REQUEST (COMMAND SEQUENCE ERROR)")
        << "no open track";
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kSession, 0));
    const DiscState st = ReadDiscState(device);
    EXPECT_EQ(st.StatusText(), "closed");
    EXPECT_EQ(st.freeBlocks, 0u);
    EXPECT_EQ(SessionCount(device), 1);
    EXPECT_FALSE(WriteAt(device, 32 + 11400, 1));
    // Blanking gives a blank disc again and forgets the image's data.
    ASSERT_TRUE(mmc.Blank(blank_type::kMinimal, true));
    EXPECT_TRUE(WaitReady(device, 60000, 1000));
    EXPECT_EQ(ReadDiscState(device).StatusText(), "blank");
    EXPECT_EQ(QFile(QString::fromStdString(rig.recorder->ImagePath())).size(), 0);
}

TEST(VirtualDvd, SessionGapsAreTheDrivesOwn) {
    struct Case {
        const char* profile;
        std::uint8_t function;
        std::uint32_t gap;
    };
    for (const Case& c : {Case{"dvd-r", close_function::kSession, 28688},
                          Case{"dvd-rw", close_function::kSession, 28688},
                          Case{"dvd+r", close_function::kSession, 12304}}) {
        QTemporaryDir dir;
        VirtualRig rig(c.profile, dir.path());
        ScsiDevice& device = *rig.device;
        MmcCommands mmc(device);
        EXPECT_EQ(device.Capabilities().writeModes & write_mode::kTrackAtOnce,
                  std::string(c.profile) == "dvd+r" ? write_mode::kTrackAtOnce : 0)
            << c.profile;
        ASSERT_TRUE(SetWriteParameters(device, 2, 8, 3)) << c.profile;
        ASSERT_EQ(WriteAt(device, 0, 100).error(), "") << c.profile;
        ASSERT_EQ(mmc.CloseTrackSession(false, c.function, 0).error(), "") << c.profile;
        const std::uint32_t next = 112 + c.gap; // tracks end on 16-block ECC boundaries
        EXPECT_EQ(Track(device, 2).start, next) << c.profile;
        EXPECT_NE(next, 102u + 11400);
        EXPECT_EQ(SessionCount(device), 1) << c.profile;
        EXPECT_EQ(ReadDiscState(device).StatusText(), "appendable");
        ASSERT_TRUE(WriteAt(device, next, 16));
    }
}

TEST(VirtualDvd, PlusRFinalizes) {
    QTemporaryDir dir;
    VirtualRig rig("dvd+r", dir.path());
    MmcCommands mmc(*rig.device);
    ASSERT_TRUE(WriteAt(*rig.device, 0, 16));
    EXPECT_EQ(mmc.CloseTrackSession(false, close_function::kTrack, 2).error(),
              "ILLEGAL REQUEST (INVALID FIELD IN CDB)")
        << "track 1 is open";
    EXPECT_TRUE(rig.recorder->Medium().OpenTrack().has_value());
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kTrack, 1));
    ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kFinalize, 0));
    EXPECT_EQ(ReadDiscState(*rig.device).StatusText(), "closed");
    EXPECT_FALSE(WriteAt(*rig.device, 16 + 12304, 16));
    EXPECT_EQ(mmc.Blank(blank_type::kFull, false).error(),
              "ILLEGAL REQUEST (CANNOT FORMAT MEDIUM - INCOMPATIBLE MEDIUM)");
}

TEST(VirtualDvd, OverwritableMediaWriteAnywhereOnceFormatted) {
    QTemporaryDir dir;
    VirtualRig plus("dvd+rw", dir.path(), "plus.img");
    MmcCommands mmc(*plus.device);
    EXPECT_EQ(WriteAt(*plus.device, 0, 1).error(), "ILLEGAL REQUEST (MEDIUM NOT FORMATTED)");
    EXPECT_FALSE(mmc.FormatUnit(Format(0x00, false))) << "DVD+RW formats with type 26h";
    ASSERT_TRUE(mmc.FormatUnit(Format(0x26, true)));
    const ScsiReply formatting = mmc.TestUnitReady();
    EXPECT_EQ(formatting.error(), "NOT READY (LOGICAL UNIT NOT READY, FORMAT IN PROGRESS)");
    EXPECT_TRUE(formatting.Transient()) << "a format in progress is waited for";
    EXPECT_TRUE(WaitReady(*plus.device, 60000, 1000));
    ASSERT_TRUE(WriteAt(*plus.device, 5000, 3, 0x11));
    ASSERT_TRUE(WriteAt(*plus.device, 7, 1, 0x22));
    std::vector<std::uint8_t> back(3 * kSectorSize);
    ASSERT_TRUE(mmc.Read10(5000, 3, back));
    EXPECT_EQ(back, Sectors(3, 0x11));
    EXPECT_EQ(ReadDiscState(*plus.device).StatusText(), "overwritable");
    EXPECT_EQ(plus.device->KnownMediaType(), media_type::kDvdPlusRw);

    VirtualRig rw("dvd-rw", dir.path(), "rw.img");
    MmcCommands rwm(*rw.device);
    ASSERT_TRUE(rwm.FormatUnit(Format(0x15, false)));
    EXPECT_EQ(GetMediaType(*rw.device), media_type::kDvdRwRestricted);
    EXPECT_FALSE(WriteAt(*rw.device, 8, 16)) << "restricted overwrite: whole ECC blocks only";
    EXPECT_FALSE(WriteAt(*rw.device, 16, 8));
    ASSERT_TRUE(WriteAt(*rw.device, 32, 16));
    ASSERT_TRUE(rwm.Blank(blank_type::kFull, false));
    EXPECT_EQ(GetMediaType(*rw.device), media_type::kDvdRwSequential);

    VirtualRig ram("dvd-ram", dir.path(), "ram.img");
    ASSERT_TRUE(WriteAt(*ram.device, 1234, 1));
    ASSERT_TRUE(WriteAt(*ram.device, 3, 1));
    EXPECT_EQ(WriteAt(*ram.device, 2236704 - 1, 2).error(),
              "ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)");
}

TEST(VirtualFaultsTest, BusyAndNotReadyEndInTextsNeverAHang) {
    QTemporaryDir dir;
    VirtualRig rig("dvd-r", dir.path());
    ScsiDevice& device = *rig.device;
    VirtualFaults f;
    f.busyCommands = 4;
    rig.recorder->SetFaults(f);
    EXPECT_TRUE(WaitReady(device, 10000, 500));

    f = {};
    f.busyCommands = 1000000;
    rig.recorder->SetFaults(f);
    const std::int64_t start = rig.clock->now;
    const base::Status late = WaitReady(device, 10000, 500);
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), "the drive did not become ready in time (TARGET BUSY)");
    EXPECT_LE(rig.clock->now - start, 10000);

    // A not-ready state that waiting does not cure ends at once.
    f = {};
    f.stuckNotReady = 1000000;
    rig.recorder->SetFaults(f);
    const std::int64_t stuck = rig.clock->now;
    const base::Status notReady = WaitReady(device, 600000, 500);
    ASSERT_FALSE(notReady);
    EXPECT_EQ(rig.clock->now, stuck);
    // The drive's own account travels in the result.
    EXPECT_EQ(notReady.error(), "NOT READY (LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE)");
}

TEST(VirtualFaultsTest, MediumNoMediumVanishAndTimeout) {
    QTemporaryDir dir;
    VirtualRig rig("dvd+r", dir.path());
    ScsiDevice& device = *rig.device;
    MmcCommands mmc(device);
    ASSERT_TRUE(WriteAt(device, 0, 32));
    VirtualFaults f;
    f.mediumErrorAt = 20;
    rig.recorder->SetFaults(f);
    std::vector<std::uint8_t> back(4 * kSectorSize);
    const ScsiReply unread = mmc.Read10(18, 4, back);
    EXPECT_EQ(unread.error(), "MEDIUM ERROR (UNRECOVERED READ ERROR)");
    ASSERT_TRUE(unread.Sense().information);
    EXPECT_EQ(*unread.Sense().information, 20u);
    ASSERT_GE(unread.SenseBytes().size(), 13u);
    EXPECT_EQ(unread.SenseBytes()[12], 0x11) << "the raw sense keeps ASC at byte 12";
    EXPECT_FALSE(unread.Transient());
    EXPECT_TRUE(mmc.Read10(21, 4, back));

    f = {};
    f.timeoutOpcode = 0x2A;
    rig.recorder->SetFaults(f);
    EXPECT_EQ(WriteAt(device, 32, 16).error(), "COMMAND TIMEOUT");
    EXPECT_TRUE(WriteAt(device, 32, 16)) << "the timeout hit one command";

    rig.recorder->RemoveMedium();
    EXPECT_EQ(mmc.TestUnitReady().error(), "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
    EXPECT_FALSE(ReadDiscState(device).present);

    f = {};
    f.vanished = true;
    rig.recorder->SetFaults(f);
    EXPECT_EQ(mmc.TestUnitReady().error(), "NO DEVICE");
    EXPECT_FALSE(WaitReady(device, 5000, 500));
}

TEST(VirtualFaultsTest, DeferredDescriptorSyncAndCloseErrors) {
    QTemporaryDir dir;
    VirtualRig rig("dvd-r", dir.path());
    ScsiDevice& device = *rig.device;
    MmcCommands mmc(device);
    ASSERT_TRUE(WriteAt(device, 0, 16));
    VirtualFaults f;
    f.deferredError = true;
    f.descriptorSense = true;
    rig.recorder->SetFaults(f);
    const ScsiReply deferred = mmc.TestUnitReady();
    EXPECT_EQ(deferred.error(), "MEDIUM ERROR (WRITE ERROR)");
    EXPECT_TRUE(deferred.Sense().deferred);
    EXPECT_TRUE(deferred.Sense().descriptorFormat);
    const ScsiReply refused = WriteAt(device, 0, 16);
    EXPECT_EQ(refused.error(), "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
    EXPECT_TRUE(refused.Sense().descriptorFormat);
    EXPECT_FALSE(refused.Sense().deferred) << "the deferred error went with the earlier reply";

    f = {};
    f.failSynchronizeCache = true;
    f.failClose = true;
    rig.recorder->SetFaults(f);
    EXPECT_EQ(mmc.SynchronizeCache(false, 60000).error(), "MEDIUM ERROR (WRITE ERROR)");
    EXPECT_EQ(mmc.CloseTrackSession(false, close_function::kSession, 0).error(),
              "MEDIUM ERROR (SESSION FIXATION ERROR)");
}

TEST(VirtualState, TheDiscSurvivesInItsStateFile) {
    QTemporaryDir dir;
    std::string saved;
    {
        VirtualRig rig("cd-r", dir.path());
        ASSERT_TRUE(SetWriteParameters(*rig.device, 1, 8, 3));
        ASSERT_TRUE(WriteAt(*rig.device, 0, 40, 0x77));
        MmcCommands mmc(*rig.device);
        ASSERT_TRUE(mmc.CloseTrackSession(false, close_function::kSession, 0));
        ASSERT_TRUE(mmc.SynchronizeCache(false, 60000));
        saved = rig.recorder->Medium().Serialize();
    }
    VirtualRig again("cd-r", dir.path());
    EXPECT_EQ(again.recorder->Medium().Serialize(), saved);
    EXPECT_EQ(SessionCount(*again.device), 1);
    std::vector<std::uint8_t> back(kSectorSize);
    MmcCommands mmc(*again.device);
    ASSERT_TRUE(mmc.Read10(39, 1, back));
    EXPECT_EQ(back, Sectors(1, 0x77));

    const std::string image = dir.path().toStdString() + "/disc.img";
    const auto wrongKind = VirtualTransport::FromSpec("dvd+r=" + image);
    ASSERT_FALSE(wrongKind);
    EXPECT_NE(wrongKind.error().find("holds a cd-r disc, not dvd+r"), std::string::npos);
}

TEST(VirtualState, InconsistentStatesAreRefused) {
    EXPECT_TRUE(VirtualMedium::Parse("kind=cd-r\n"));
    EXPECT_TRUE(VirtualMedium::Parse("kind=cd-r\nleadout=12\ntrack=0,10,0,12,1,1\n"));
    for (const char* bad :
         {"", "kind=bd-r\n", "kind=cd-r\nformatted=1\n", "kind=cd-r\nleadout=12\n",
          "kind=cd-r\ntrack=0,10,0,12,1,2\n",                    // session never opened
          "kind=cd-r\ntrack=0,10,0,0,0,1\ntrack=20,1,0,0,0,1\n", // open track not last
          "kind=cd-r\ntrack=359000,1000,0,0,0,1\n",              // beyond the disc
          "kind=cd-r\nleadout=99\ntrack=0,10,0,12,1,1\n",        // lead-out elsewhere
          "kind=cd-r\ntrack=0,10,0,12,1\n", "kind=cd-r\ntrack=0,10,0,12,1,1,7\n",
          "kind=cd-r\nfinalized=1\n", "kind=dvd+rw\nformatted=1\n", "kind=cd-r\nweird=1\n",
          "kind=dvd-ram\nformatted=1\ntrack=0,0,0,5,1,1\n",
          "kind=dvd-rw\ntrack=0,5,300,14,1,1\n"}) // closed short of its reservation
        EXPECT_FALSE(VirtualMedium::Parse(bad)) << bad;
}

TEST(VirtualTransportSpec, VariableValues) {
    const auto two = ParseVirtualRecorderList("cd-r=/tmp/a.img;;dvd+rw=/tmp/b c.img;");
    ASSERT_TRUE(two);
    ASSERT_EQ(two->size(), 2u);
    EXPECT_EQ((*two)[1].imagePath, "/tmp/b c.img");
    EXPECT_EQ((*two)[1].kind, VirtualMedium::Kind::DvdPlusRw);
    EXPECT_FALSE(ParseVirtualRecorderList("cd-r"));
    EXPECT_FALSE(ParseVirtualRecorderList("cd-r="));
    EXPECT_FALSE(ParseVirtualRecorderList("bd-r=/x"));
}

TEST(VirtualTransportSpec, ResetKeepsTheSelectedDrive) {
    QTemporaryDir dir;
    VirtualRig rig("cd-rw", dir.path());
    ASSERT_TRUE(rig.device->ResetTransport());
    EXPECT_TRUE(rig.device->Selected());
    EXPECT_EQ(rig.device->DeviceList().size(), 1u);
    MmcCommands mmc(*rig.device);
    EXPECT_TRUE(mmc.TestUnitReady());
}

} // namespace virtual_recorder_test
