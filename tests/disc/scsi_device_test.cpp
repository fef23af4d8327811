// The device layer over a scripted transport: selection by full address, commands with nothing
// selected, reply buffers, the busy flag, the one-time failure report and the model quirks.
#include "DiscTestSupport.h"

#include "disc/mmc/MmcCommands.h"

#include <gtest/gtest.h>

namespace scsi_device_test {

using namespace disc;
using disctest::Drive;
using disctest::ScriptedTransport;

namespace {

std::unique_ptr<ScriptedTransport> Script(ScriptedTransport::Answer answer,
                                          std::vector<DriveInfo> drives = {}) {
    if (drives.empty())
        drives = {Drive(*DriveAddress::Parse("12:0:3:0"), "/dev/sr0"),
                  Drive(*DriveAddress::Parse("1:0:0:0"), "/dev/sr1", "DISK", 0),
                  Drive(*DriveAddress::Parse("3:0:1:0"), "/dev/sr2", "WORM", 4)};
    return std::make_unique<ScriptedTransport>(std::move(drives), std::move(answer));
}

// Answers INQUIRY from the drive's data and everything else as done.
ScriptedTransport::Answer Plain(const ScriptedTransport* const* self) {
    return [self](RequestBlock& b) {
        if (b.Opcode() == 0x12) {
            const DriveInfo* d = (*self)->Find(b.address);
            disctest::Reply(b, std::vector<std::uint8_t>(d->inquiry.begin(), d->inquiry.end()));
            return;
        }
        b.status = request_status::kDone;
    };
}

} // namespace

TEST(ScsiDevice, ListsOpticalDrivesWithHostTwelve) {
    ScriptedTransport* t = nullptr;
    auto owned = Script(Plain(&t));
    t = owned.get();
    ScsiDevice device(std::move(owned));
    ASSERT_TRUE(device.OpenTransport());
    ASSERT_EQ(device.DeviceList().size(), 2u);
    EXPECT_EQ(device.DeviceList()[0], "12:0:3:0,/dev/sr0 HL-DT-ST DVDRAM GH24NSD1  LG00");
    EXPECT_EQ(device.DeviceList()[1],
              "3:0:1:0,/dev/sr2 HL-DT-ST WORM             LG00 (not supported)");
    EXPECT_EQ(device.HostAdapterCount(), 13);

    ASSERT_TRUE(device.SelectDevice(device.DeviceList()[0]));
    EXPECT_EQ(device.DeviceId(), device.DeviceList()[0]);
    EXPECT_EQ(device.DisplayName(), "HL-DT-ST DVDRAM GH24NSD1  LG00");
    RequestBlock b = RequestBlock::Command(0x00, 6);
    ASSERT_TRUE(device.ExecCommand(b, 5000));
    EXPECT_EQ(t->sent.back().address.host, 12u) << "a two-digit host is read whole";
    EXPECT_EQ(t->sent.back().address.target, 3u);
    EXPECT_EQ(device.EntryFor("/dev/sr0"), device.DeviceList()[0]);
    EXPECT_EQ(device.EntryFor("12:0:3:0"), device.DeviceList()[0]);
    EXPECT_EQ(device.EntryFor("/dev/sr1"), "");
}

TEST(ScsiDevice, InvalidEntriesDeselect) {
    ScriptedTransport* t = nullptr;
    auto owned = Script(Plain(&t));
    t = owned.get();
    ScsiDevice device(std::move(owned));
    ASSERT_TRUE(device.OpenTransport());
    ASSERT_TRUE(device.SelectDevice(device.DeviceList()[0]));
    EXPECT_EQ(device.SelectDevice("1:0:0:0,/dev/sr1 DISK").error(), // not optical
              "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
    EXPECT_FALSE(device.Selected());
    EXPECT_FALSE(device.SelectDevice("7:0:0:0,/dev/sr9"));
    EXPECT_FALSE(device.SelectDevice("garbage entry"));
    EXPECT_EQ(device.SelectDevice("1:0").error(), "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
    EXPECT_EQ(device.SelectDevice("").error(), "no recorder selected");
}

TEST(ScsiDevice, NothingSelectedFailsAndSendsNothing) {
    ScriptedTransport* t = nullptr;
    auto owned = Script(Plain(&t));
    t = owned.get();
    ScsiDevice device(std::move(owned));
    RequestBlock before = RequestBlock::Command(0x00, 6);
    EXPECT_FALSE(device.ExecCommand(before, 5000)) << "no transport up yet";
    ASSERT_TRUE(device.OpenTransport());
    RequestBlock b = RequestBlock::Command(0x2A, 10);
    std::vector<std::uint8_t> data(2048);
    b.SetDataOut(data.data(), 2048);
    const ScsiReply sent = device.ExecCommand(b, 5000);
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error(), "NO DEVICE");
    EXPECT_TRUE(sent.SenseBytes().empty());
    EXPECT_FALSE(sent.Transient());
    EXPECT_EQ(b.status, request_status::kNoDevice);
    EXPECT_TRUE(t->sent.empty());
    MmcCommands mmc(device);
    EXPECT_FALSE(mmc.Write10(0, 1, data)) << "a write that reached no drive is no success";
}

TEST(ScsiDevice, ReplyBufferZeroedAndBusyFlagSet) {
    ScriptedTransport* t = nullptr;
    auto owned = Script([&t](RequestBlock& b) {
        if (b.Opcode() == 0x12) {
            const DriveInfo* d = t->Find(b.address);
            disctest::Reply(b, std::vector<std::uint8_t>(d->inquiry.begin(), d->inquiry.end()));
        } else if (b.Opcode() == 0x51) {
            b.transferred = 0;
            b.status = request_status::kDone; // sends nothing back
        } else {
            b.status = request_status::kError;
            b.targetStatus = target_status::kBusy;
        }
    });
    t = owned.get();
    ScsiDevice device(std::move(owned));
    ASSERT_TRUE(device.OpenTransport());
    ASSERT_TRUE(device.SelectDevice(device.DeviceList()[0]));
    std::vector<std::uint8_t> reply(56, 0xEE);
    MmcCommands mmc(device);
    EXPECT_TRUE(mmc.ReadDiscInformation(reply));
    EXPECT_EQ(std::count(reply.begin(), reply.end(), 0), 56);
    EXPECT_EQ(mmc.Transferred(), 0u);
    const ScsiReply busy = mmc.TestUnitReady();
    EXPECT_FALSE(busy);
    EXPECT_TRUE(busy.Busy());
    EXPECT_TRUE(busy.Transient()) << "a busy drive is waited for";
    EXPECT_EQ(busy.error(), "TARGET BUSY");
}

TEST(ScsiDevice, OnlyTheFirstCommandCanBeReported) {
    int reports = 0;
    ScriptedTransport* t = nullptr;
    auto owned = Script([&t](RequestBlock& b) {
        if (b.Opcode() == 0x12) {
            const DriveInfo* d = t->Find(b.address);
            disctest::Reply(b, std::vector<std::uint8_t>(d->inquiry.begin(), d->inquiry.end()));
        } else {
            b.SetCheckCondition(0x05, 0x21, 0x02);
        }
    });
    t = owned.get();
    ScsiDevice device(std::move(owned));
    device.OnDebugMessage([&](const std::string&, std::uint8_t) { ++reports; });
    ASSERT_TRUE(device.OpenTransport());
    ASSERT_TRUE(device.SelectDevice(device.DeviceList()[0]));
    // The selection's INQUIRY was the first command; a failing write after it stays unreported.
    RequestBlock w = RequestBlock::Command(0x2A, 10);
    const ScsiReply refused = device.ExecCommand(w, 1000);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error(), "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
    EXPECT_EQ(refused.Sense().asc, 0x21);
    EXPECT_FALSE(refused.Transient());
    EXPECT_EQ(reports, 0);
}

TEST(ScsiDevice, FailureReportLine) {
    RequestBlock b = RequestBlock::Command(0x2A, 10);
    b.address = *DriveAddress::Parse("12:0:3:0");
    b.direction = DataDirection::Out;
    b.dataLength = 0x10000;
    b.SetCheckCondition(0x05, 0x21, 0x02);
    EXPECT_EQ(ScsiDevice::FailureReport(b, "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)"),
              "12:0:3:0 <04> [10000] (2A) {50|0A} - 2A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
              "00= 00 02 70 05 ASC:21,ASQ:02 ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
}

TEST(ScsiDevice, QuirksByModel) {
    EXPECT_TRUE(DriveQuirks::For("SONY", "CD-W512EB").underrunProtectionAssumed);
    EXPECT_TRUE(DriveQuirks::For("SONY", "CRX175E").linkSizeValidForced);
    EXPECT_TRUE(DriveQuirks::For("MATSHITA", "UJDA780 DVD/CDRW").slowReady);
    EXPECT_TRUE(DriveQuirks::For("TDK     ", "anything").slowReady);
    EXPECT_FALSE(DriveQuirks::For("CDRW321040X", "CDRW321040X").immediateClose);
    EXPECT_TRUE(DriveQuirks::For("PIONEER", "DVD-RW  DVR-104 ").readyByTestUnitFirst);
    EXPECT_FALSE(DriveQuirks::For("PIONEER", "DVD-RW  DVR-105 ").readyByTestUnitFirst);
    const DriveQuirks plain = DriveQuirks::For("HL-DT-ST", "DVDRAM GH24NSD1 ");
    EXPECT_TRUE(plain.immediateClose);
    EXPECT_FALSE(plain.slowReady || plain.linkSizeValidForced || plain.underrunProtectionAssumed);
}

} // namespace scsi_device_test
