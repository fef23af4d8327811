#include "disc/scsi/ScsiDevice.h"

#include "disc/mmc/DriveCapabilities.h"
#include "disc/scsi/ScsiTexts.h"
#include "disc/scsi/SgIoTransport.h"
#include "disc/virtual/VirtualTransport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace disc {

namespace {

constexpr char kInvalidDevice[] = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";
constexpr std::uint32_t kMinimumWaitMs = 10000;

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

bool IsOptical(std::uint8_t type) {
    return type == 5 || type == 4;
}

// Commands whose failure is expected while probing a drive and never reported.
bool Unreported(std::uint8_t opcode) {
    switch (opcode) {
    case 0x00:
    case 0x01:
    case 0x04:
    case 0x12:
    case 0x1B:
    case 0x1E:
    case 0x23:
    case 0x35:
    case 0x43:
    case 0x46:
    case 0x51:
    case 0x52:
    case 0x55:
    case 0x5A:
    case 0x5C:
    case 0xB6:
    case 0xBB:
        return true;
    default:
        return false;
    }
}

} // namespace

DriveQuirks DriveQuirks::For(const std::string& vendor, const std::string& product) {
    DriveQuirks q;
    const std::string p = Trim(product);
    const std::string v = Trim(vendor);
    q.underrunProtectionAssumed = p == "CD-W512EB";
    q.linkSizeValidForced = p == "CRX175E" || p == "CD-RW  CRX800E";
    q.slowReady = p.rfind("UJDA", 0) == 0 || v.rfind("TDK", 0) == 0;
    std::string product16 = product;
    product16.resize(16, ' ');
    q.readyByTestUnitFirst = product16 == "DVD-RW  DVR-103 " || product16 == "DVD-RW  DVR-104 ";
    q.immediateClose = p != "CDRW321040X" || q.readyByTestUnitFirst;
    return q;
}

ScsiDevice::ScsiDevice(std::unique_ptr<Transport> transport, std::shared_ptr<WaitClock> clock)
    : transport_(std::move(transport)), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = std::make_shared<SteadyWaitClock>();
}

ScsiDevice::~ScsiDevice() = default;

base::Result<std::unique_ptr<Transport>> ScsiDevice::DefaultTransport() {
    const char* virtualSpec = std::getenv("REELPANE_VIRTUAL_RECORDERS");
    if (virtualSpec && *virtualSpec) {
        auto t = VirtualTransport::FromSpec(virtualSpec);
        if (!t)
            return base::Fail(t.error());
        return std::unique_ptr<Transport>(std::move(*t));
    }
    return std::unique_ptr<Transport>(std::make_unique<SgIoTransport>());
}

base::Status ScsiDevice::OpenTransport() {
    Deselect();
    deviceList_.clear();
    transportUp_ = false;
    if (!transport_) {
        auto t = DefaultTransport();
        if (!t)
            return base::Fail(t.error());
        transport_ = std::move(*t);
    }
    if (auto up = transport_->Init(); !up)
        return up;
    transportUp_ = true;
    FillDeviceList();
    if (deviceList_.empty())
        return base::Fail("no CD or DVD recorder found");
    return {};
}

base::Status ScsiDevice::ResetTransport() {
    if (!transport_)
        return OpenTransport();
    const auto keep = current_;
    base::Status reset = transport_->Reset();
    transportUp_ = reset.ok();
    FillDeviceList();
    if (keep && (!transportUp_ || !transport_->Find(*keep)))
        Deselect();
    return reset;
}

const std::vector<DriveInfo>& ScsiDevice::Drives() const {
    static const std::vector<DriveInfo> none;
    return transport_ && transportUp_ ? transport_->Drives() : none;
}

int ScsiDevice::HostAdapterCount() const {
    if (!transport_ || !transportUp_)
        return 0;
    const std::uint16_t info = transport_->SupportInfo();
    return (info >> 8) == 0x01 ? (info & 0xFF) : 0;
}

void ScsiDevice::FillDeviceList() {
    deviceList_.clear();
    deviceTitles_.clear();
    for (const auto& d : Drives()) {
        if (!IsOptical(d.PeripheralType()))
            continue;
        deviceTitles_.push_back(transport_ ? transport_->Title(d) : d.device);
        std::string entry = d.address.Text() + "," + d.device + " " + d.Vendor() + " " +
                            d.Product() + " " + d.Revision();
        if (d.PeripheralType() == 4)
            entry += " (not supported)";
        deviceList_.push_back(std::move(entry));
    }
}

std::string ScsiDevice::EntryFor(const std::string& name) const {
    for (const auto& d : Drives()) {
        if (!IsOptical(d.PeripheralType()))
            continue;
        if (d.address.Text() != name && d.device != name)
            continue;
        const std::string prefix = d.address.Text() + ",";
        for (const auto& e : deviceList_)
            if (e.rfind(prefix, 0) == 0)
                return e;
    }
    return {};
}

void ScsiDevice::Deselect() {
    current_.reset();
    deviceId_.clear();
    inquiry_.fill(0);
    quirks_ = DriveQuirks{};
    capabilities_ = DriveCapabilities{};
    mediaType_ = 0;
}

const DriveInfo* ScsiDevice::CurrentDrive() const {
    if (!current_ || !transport_)
        return nullptr;
    return transport_->Find(*current_);
}

std::string ScsiDevice::DisplayName() const {
    if (!current_)
        return {};
    auto field = [this](std::size_t at, std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t c = inquiry_[at + i];
            s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : ' ';
        }
        return s;
    };
    return field(8, 8) + " " + field(16, 16) + " " + field(32, 4);
}

base::Status ScsiDevice::SelectDevice(const std::string& entry) {
    Deselect();
    if (entry.empty())
        return base::Fail("no recorder selected");
    if (entry.size() <= 4)
        return base::Fail(kInvalidDevice);
    const std::size_t comma = entry.find(',');
    const auto address = DriveAddress::Parse(
        std::string_view(entry).substr(0, comma == std::string::npos ? entry.size() : comma));
    const DriveInfo* drive =
        (address && transport_ && transportUp_) ? transport_->Find(*address) : nullptr;
    if (!drive)
        return base::Fail(kInvalidDevice);
    current_ = *address;
    deviceId_ = entry;

    RequestBlock inquiry = RequestBlock::Command(0x12, 6);
    inquiry.cdb[4] = static_cast<std::uint8_t>(inquiry_.size());
    std::array<std::uint8_t, 128> reply{};
    inquiry.SetDataIn(reply.data(), static_cast<std::uint32_t>(reply.size()));
    if (!ExecCommand(inquiry, 10000) || !IsOptical(reply[0] & 0x1F)) {
        Deselect();
        return base::Fail(kInvalidDevice);
    }
    inquiry_ = reply;
    std::string vendor(reinterpret_cast<const char*>(&reply[8]), 8);
    std::string product(reinterpret_cast<const char*>(&reply[16]), 16);
    quirks_ = DriveQuirks::For(vendor, product);

    // Failing to read the capabilities leaves the speeds 0; the drive stays selected.
    (void)ReadCapabilities(*this);
    if (onDeviceChange_)
        onDeviceChange_();
    capabilities_.writeModes = ProbeWriteModes(*this);
    return {};
}

ScsiReply ScsiDevice::ExecCommand(RequestBlock& block, std::uint32_t timeoutMs) {
    std::lock_guard guard(execMutex_);
    block.ClearResult();

    if (!transport_ || !transportUp_ || !current_) {
        // Nothing reached a drive: a failure, never a pending status read as success.
        block.status = request_status::kNoDevice;
        return ScsiReply(base::Fail(FailureText(block)), block);
    }
    block.address = *current_;
    block.timeoutMs = std::max(timeoutMs, kMinimumWaitMs);
    block.closeAfter = block.closeAfter || closeAfterEach_;
    if (block.direction == DataDirection::In && block.data && block.dataLength)
        std::memset(block.data, 0, block.dataLength);

    transport_->Send(block);
    if (block.status == request_status::kPending) {
        // The drive never answered: mark the timeout before anything reads the block.
        block.status = request_status::kError;
        block.hostStatus = host_status::kCommandTimeout;
    }
    ScsiReply reply(block.Succeeded() ? base::Status() : base::Fail(FailureText(block)), block);
    Report(block, reply);
    return reply;
}

std::string ScsiDevice::FailureReport(const RequestBlock& block, const std::string& failure) {
    std::uint8_t flags = 0x40;
    if (block.direction == DataDirection::In)
        flags |= 0x08;
    else if (block.direction == DataDirection::Out)
        flags |= 0x10;
    char head[160];
    std::snprintf(head, sizeof head, "%u:%u:%X:%u <%02X> [%05X] (%02X) {%02X|%02X} -",
                  block.address.host, block.address.channel, block.address.target,
                  block.address.lun, block.status, block.dataLength & 0xFFFFF, block.Opcode(),
                  flags, block.cdbLength);
    std::string line = head;
    for (std::uint8_t b : block.cdb) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    const SenseData sense = DecodeSense(std::span(block.sense.data(), block.senseLength));
    char tail[96];
    std::snprintf(tail, sizeof tail, "= %02X %02X %02X %02X ASC:%02X,ASQ:%02X ", block.hostStatus,
                  block.targetStatus, block.sense[0], block.sense[2], sense.asc, sense.ascq);
    return line + tail + failure;
}

void ScsiDevice::Report(const RequestBlock& block, const ScsiReply& reply) {
    if (reportSuppressed_)
        return;
    reportSuppressed_ = true;
    if (reply || Unreported(block.Opcode()))
        return;
    if (reply.Sense().asc == 0x04 && reply.Sense().ascq == 0x08)
        return;
    if (onDebug_)
        onDebug_(FailureReport(block, reply.error()), 0);
}

base::Status WithRecorderHeld(ScsiDevice& device, const std::function<base::Status()>& work) {
    const DriveInfo* drive = device.CurrentDrive();
    Transport* transport = device.GetTransport();
    if (drive == nullptr || transport == nullptr)
        return base::Fail("NO RECORDER SELECTED");
    // One job per recorder in this process; the transport keeps other processes out.
    static std::mutex heldLock;
    static std::set<std::string> held;
    const std::string name = drive->device;
    {
        std::lock_guard guard(heldLock);
        if (!held.insert(name).second)
            return base::Fail("recorder busy");
    }
    const DriveAddress address = drive->address;
    base::Status result = transport->SetExclusive(address, true);
    if (result) {
        result = work();
        (void)transport->SetExclusive(address, false);
    }
    std::lock_guard guard(heldLock);
    held.erase(name);
    return result;
}

} // namespace disc
