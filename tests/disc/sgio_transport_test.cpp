// The SG_IO transport against a made-up sysfs tree and an injected ioctl: which drives it finds,
// the requests it builds, and how it reads what the kernel returns.
#include "DiscTestSupport.h"

#include "disc/mmc/MmcCommands.h"
#include "disc/scsi/ScsiTexts.h"
#include "disc/scsi/SgIoTransport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>

using namespace disc;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text << "\n";
}

// A block device "name" whose device link leads to a SCSI device folder "address".
void AddDrive(const fs::path& root, const std::string& name, const std::string& address,
              const std::string& type, const std::string& model) {
    const fs::path scsi = root / "devices" / address;
    Write(scsi / "type", type);
    Write(scsi / "vendor", "HL-DT-ST");
    Write(scsi / "model", model);
    Write(scsi / "rev", "1.00");
    fs::create_directories(root / "block" / name);
    fs::create_symlink(fs::path("../../devices") / address, root / "block" / name / "device");
}

struct Kernel {
    std::vector<std::string> opened;
    std::vector<int> openFlags;
    int openResult = 3;
    int closes = 0;
    std::vector<sg_io_hdr_t> requests;
    std::vector<std::vector<std::uint8_t>> cdbs;
    std::function<int(sg_io_hdr_t&)> answer = [](sg_io_hdr_t&) { return 0; };
    std::vector<int> openResults; // consumed first, then openResult

    SgIoCalls Calls() {
        SgIoCalls c;
        c.open = [this](const std::string& path, int flags) {
            opened.push_back(path);
            openFlags.push_back(flags);
            if (!openResults.empty()) {
                const int r = openResults.front();
                openResults.erase(openResults.begin());
                return r;
            }
            return openResult;
        };
        c.close = [this](int) { ++closes; };
        c.ioctl = [this](int, sg_io_hdr_t& h) {
            requests.push_back(h);
            cdbs.emplace_back(h.cmdp, h.cmdp + h.cmd_len);
            return answer(h);
        };
        c.groupOf = [](const std::string&) { return std::string("cdrom"); };
        c.sleep = [](int) {};
        return c;
    }
};

class SgIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        AddDrive(root, "sr0", "12:0:3:0", "5", "DVDRAM GH24NSD1");
        AddDrive(root, "sr1", "2:0:0:0", "5", "BD-RE BH16NS40");
        AddDrive(root, "sda", "0:0:0:0", "0", "DISK");
        fs::create_directories(root / "block" / "loop0");
    }
    std::unique_ptr<SgIoTransport> Make() {
        auto t = std::make_unique<SgIoTransport>((root / "block").string(), "/dev", kernel.Calls());
        EXPECT_TRUE(t->Init());
        return t;
    }
    QTemporaryDir dir;
    fs::path root;
    Kernel kernel;
};

} // namespace

TEST_F(SgIoTest, FindsOpticalDrivesByFullAddressInOrder) {
    auto t = Make();
    ASSERT_EQ(t->Drives().size(), 2u);
    EXPECT_EQ(t->Drives()[0].address.Text(), "2:0:0:0");
    EXPECT_EQ(t->Drives()[0].device, "/dev/sr1");
    EXPECT_EQ(t->Drives()[1].address.Text(), "12:0:3:0");
    EXPECT_EQ(t->Drives()[1].device, "/dev/sr0");
    EXPECT_EQ(t->Drives()[1].Product(), "DVDRAM GH24NSD1 ");
    EXPECT_EQ(t->Drives()[1].PeripheralType(), 5);
    // Adapter count: one above the highest host number.
    EXPECT_EQ(t->SupportInfo(), 0x010D);
    EXPECT_TRUE(kernel.opened.empty()) << "enumeration opens no device";
}

TEST_F(SgIoTest, NoSysfsMeansNoDrivesAndTheDeviceSaysSo) {
    auto t = std::make_unique<SgIoTransport>((root / "missing").string(), "/dev", kernel.Calls());
    ASSERT_TRUE(t->Init());
    EXPECT_TRUE(t->Drives().empty());
    EXPECT_EQ(t->SupportInfo(), 0xE800);
    ScsiDevice device(std::move(t));
    const auto opened = device.OpenTransport();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(device.DeviceList().empty());
    RequestBlock b = RequestBlock::Command(0x00, 6);
    EXPECT_FALSE(device.ExecCommand(b, 5000));
    EXPECT_EQ(b.status, request_status::kNoDevice);
}

TEST_F(SgIoTest, InquiryComesFromSysfsWithoutTheDrive) {
    auto t = Make();
    RequestBlock b = RequestBlock::Command(0x12, 6);
    std::uint8_t reply[96] = {};
    b.SetDataIn(reply, sizeof reply);
    b.address = *DriveAddress::Parse("12:0:3:0");
    EXPECT_EQ(t->Send(b), request_status::kDone);
    EXPECT_EQ(reply[0], 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(reply + 8), 8), "HL-DT-ST");
    EXPECT_EQ(b.transferred, 36u);
    EXPECT_TRUE(kernel.requests.empty());
}

TEST_F(SgIoTest, BuildsTheRequestFromTheBlock) {
    auto t = Make();
    kernel.answer = [](sg_io_hdr_t& h) {
        if (h.dxfer_direction == SG_DXFER_FROM_DEV) {
            std::memset(h.dxferp, 0xAB, 8);
            h.resid = static_cast<int>(h.dxfer_len) - 8;
        }
        return 0;
    };
    RequestBlock b = RequestBlock::Command(0x51, 10);
    b.cdb[8] = 56;
    std::uint8_t reply[56] = {};
    b.SetDataIn(reply, sizeof reply);
    b.timeoutMs = 12345;
    b.address = *DriveAddress::Parse("12:0:3:0");
    EXPECT_EQ(t->Send(b), request_status::kDone);
    ASSERT_EQ(kernel.requests.size(), 1u);
    const sg_io_hdr_t& h = kernel.requests[0];
    EXPECT_EQ(h.interface_id, 'S');
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(h.cmd_len, 10);
    EXPECT_EQ(h.dxfer_len, 56u);
    EXPECT_EQ(h.timeout, 12345u);
    EXPECT_EQ(h.mx_sb_len, kSenseCapacity);
    EXPECT_EQ(kernel.cdbs[0][0], 0x51);
    EXPECT_EQ(kernel.cdbs[0][8], 56);
    EXPECT_EQ(b.transferred, 8u) << "the short transfer is honoured";
    EXPECT_EQ(kernel.opened.at(0), "/dev/sr0");
    EXPECT_EQ(kernel.openFlags.at(0) & (O_RDWR | O_NONBLOCK | O_EXCL), O_RDWR | O_NONBLOCK);

    RequestBlock w = RequestBlock::Command(0x2A, 10);
    std::vector<std::uint8_t> data(2048, 1);
    w.SetDataOut(data.data(), 2048);
    w.address = b.address;
    t->Send(w);
    EXPECT_EQ(kernel.requests.back().dxfer_direction, SG_DXFER_TO_DEV);
    RequestBlock n = RequestBlock::Command(0x00, 6);
    n.address = b.address;
    t->Send(n);
    EXPECT_EQ(kernel.requests.back().dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(kernel.requests.back().dxfer_len, 0u);
    EXPECT_EQ(kernel.opened.size(), 1u) << "the handle stays open between commands";
}

TEST_F(SgIoTest, SuccessNeedsStatusHostAndDriverToAgree) {
    auto t = Make();
    struct Case {
        unsigned char status;
        unsigned short host;
        unsigned short driver;
        std::uint8_t expectStatus;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0, request_status::kDone, ""},
        {0, 0x03, 0, request_status::kError, "COMMAND TIMEOUT"},
        {0, 0, 0x06, request_status::kError, "COMMAND TIMEOUT"},
        {0, 0x01, 0, request_status::kError, "SELECTION TIMEOUT"},
        {0, 0, 0x04, request_status::kError, "UNKNOWN"},
        {0x08, 0, 0, request_status::kError, "TARGET BUSY"},
        {0x02, 0, 0x08, request_status::kError, "NOT READY (MEDIUM NOT PRESENT)"},
    };
    for (const Case& c : cases) {
        kernel.answer = [&c](sg_io_hdr_t& h) {
            h.status = c.status;
            h.host_status = c.host;
            h.driver_status = c.driver;
            if (c.status == 0x02) {
                h.sbp[0] = 0x70;
                h.sbp[2] = 0x02;
                h.sbp[7] = 10;
                h.sbp[12] = 0x3A;
                h.sb_len_wr = 18;
            }
            return 0;
        };
        RequestBlock b = RequestBlock::Command(0x00, 6);
        b.address = *DriveAddress::Parse("2:0:0:0");
        EXPECT_EQ(t->Send(b), c.expectStatus) << c.text;
        EXPECT_EQ(FailureText(b), c.text);
    }
}

TEST_F(SgIoTest, PermissionNamesTheDeviceAndGroup) {
    kernel.openResult = -EACCES;
    auto t = Make();
    RequestBlock b = RequestBlock::Command(0x00, 6);
    b.address = *DriveAddress::Parse("12:0:3:0");
    EXPECT_EQ(t->Send(b), request_status::kInvalidRequest);
    EXPECT_NE(b.transportMessage.find("/dev/sr0"), std::string::npos);
    EXPECT_NE(b.transportMessage.find("\"cdrom\""), std::string::npos);
    const auto access = t->CheckAccess(t->Drives()[1]);
    ASSERT_FALSE(access);
    EXPECT_EQ(access.error(), SgIoTransport::PermissionMessage("/dev/sr0", "cdrom"));
}

TEST_F(SgIoTest, CommandFilterRefusalIsNotAMissingPermission) {
    auto t = Make();
    kernel.answer = [](sg_io_hdr_t&) { return -EPERM; };
    RequestBlock b = RequestBlock::Command(0x01, 6);
    b.address = *DriveAddress::Parse("12:0:3:0");
    EXPECT_NE(t->Send(b), request_status::kDone);
    EXPECT_EQ(b.transportMessage.find("no permission"), std::string::npos);
    EXPECT_NE(b.transportMessage.find("REWIND UNIT"), std::string::npos);
}

TEST_F(SgIoTest, ReadOnlyFallbackThenWriteRefusedAsPermission) {
    kernel.openResults = {-EACCES, 7}; // read-write refused, read-only granted
    auto t = Make();
    kernel.answer = [](sg_io_hdr_t& h) { return h.cmdp[0] == 0x2A ? -EPERM : 0; };
    RequestBlock r = RequestBlock::Command(0x00, 6);
    r.address = *DriveAddress::Parse("12:0:3:0");
    EXPECT_EQ(t->Send(r), request_status::kDone);
    EXPECT_EQ(kernel.openFlags.at(1) & O_ACCMODE, O_RDONLY);
    RequestBlock w = RequestBlock::Command(0x2A, 10);
    w.address = r.address;
    t->Send(w);
    EXPECT_NE(w.transportMessage.find("\"cdrom\""), std::string::npos);
}

TEST_F(SgIoTest, VanishedDriveIsNoDevice) {
    auto t = Make();
    kernel.answer = [](sg_io_hdr_t&) { return -ENODEV; };
    RequestBlock b = RequestBlock::Command(0x00, 6);
    b.address = *DriveAddress::Parse("2:0:0:0");
    EXPECT_EQ(t->Send(b), request_status::kNoDevice);
    EXPECT_EQ(kernel.closes, 1);
    RequestBlock nowhere = RequestBlock::Command(0x00, 6);
    nowhere.address = *DriveAddress::Parse("9:0:0:0");
    EXPECT_EQ(t->Send(nowhere), request_status::kNoDevice);
}

TEST_F(SgIoTest, ExclusiveOpenRetriesWhileBusy) {
    auto t = Make();
    kernel.openResults = {-EBUSY, -EBUSY, 9};
    const auto address = *DriveAddress::Parse("12:0:3:0");
    ASSERT_TRUE(t->SetExclusive(address, true));
    EXPECT_EQ(kernel.opened.size(), 3u);
    EXPECT_TRUE(kernel.openFlags.back() & O_EXCL);

    kernel.openResults = {-EBUSY, -EBUSY, -EBUSY, -EBUSY, -EBUSY, -EBUSY};
    const auto other = *DriveAddress::Parse("2:0:0:0");
    const auto busy = t->SetExclusive(other, true);
    ASSERT_FALSE(busy);
    EXPECT_EQ(busy.error(), "/dev/sr1 is in use by another program");
}

TEST_F(SgIoTest, CloseAfterCommandClosesTheHandle) {
    auto t = Make();
    ScsiDevice device(std::move(t));
    ASSERT_TRUE(device.OpenTransport());
    ASSERT_EQ(device.DeviceList().size(), 2u);
    EXPECT_EQ(device.DeviceList()[1].rfind("12:0:3:0,/dev/sr0 HL-DT-ST DVDRAM GH24NSD1  1.00", 0),
              0u)
        << device.DeviceList()[1];
    ASSERT_TRUE(device.SelectDevice(device.DeviceList()[1]));
    const int before = kernel.closes;
    MmcCommands mmc(device);
    EXPECT_TRUE(mmc.Eject());
    EXPECT_EQ(kernel.closes, before + 1);
}
