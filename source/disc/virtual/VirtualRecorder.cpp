#include "disc/virtual/VirtualRecorder.h"

#include "base/AtomicFile.h"
#include "base/Endian.h"
#include "disc/scsi/SenseData.h"
#include "disc/virtual/VirtualRecorderCodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

using namespace virtual_recorder;

base::Result<std::shared_ptr<VirtualRecorder>> VirtualRecorder::Open(VirtualMedium::Kind kind,
                                                                     std::string imagePath) {
    VirtualMedium medium(kind);
    std::ifstream state(imagePath + ".state", std::ios::binary);
    if (state) {
        std::stringstream text;
        text << state.rdbuf();
        auto parsed = VirtualMedium::Parse(text.str());
        if (!parsed)
            return base::Fail(imagePath + ".state: " + parsed.error());
        if (parsed->GetKind() != kind)
            return base::Fail(imagePath + ".state holds a " +
                              VirtualMedium::KindName(parsed->GetKind()) + " disc, not " +
                              VirtualMedium::KindName(kind));
        medium = *parsed;
    }
    const int fd = ::open(imagePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return base::Fail("cannot open the disc image " + imagePath + ": " + std::strerror(errno));
    std::shared_ptr<VirtualRecorder> r(
        new VirtualRecorder(std::move(medium), std::move(imagePath)));
    r->imageFd_ = fd;
    return r;
}

VirtualRecorder::VirtualRecorder(VirtualMedium medium, std::string imagePath)
    : medium_(std::move(medium)), imagePath_(std::move(imagePath)) {}

VirtualRecorder::~VirtualRecorder() {
    Release();
    SaveLocked();
    if (imageFd_ >= 0)
        ::close(imageFd_);
}

std::array<std::uint8_t, kInquiryCacheSize> VirtualRecorder::Inquiry() const {
    return DriveInfo::MakeInquiry(5, "REELPANE", "VIRTUAL RECORDER", "1.0");
}

base::Status VirtualRecorder::Hold() {
    std::lock_guard lock(mutex_);
    if (holdFd_ >= 0)
        return base::Fail("recorder busy");
    // A lock of its own open file, so that holders in this process exclude each other too.
    const int fd = ::open(imagePath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return base::Fail("cannot open the disc image " + imagePath_ + ": " + std::strerror(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return base::Fail("recorder busy");
    }
    holdFd_ = fd;
    return {};
}

void VirtualRecorder::Release() {
    std::lock_guard lock(mutex_);
    if (holdFd_ >= 0)
        ::close(holdFd_);
    holdFd_ = -1;
}

void VirtualRecorder::SetFaults(const VirtualFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

VirtualFaults VirtualRecorder::Faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void VirtualRecorder::RemoveMedium() {
    std::lock_guard lock(mutex_);
    present_ = false;
}

void VirtualRecorder::InsertMedium(const VirtualMedium& medium) {
    std::lock_guard lock(mutex_);
    medium_ = medium;
    present_ = true;
    trayOpen_ = false;
    unitAttention_ = true;
    SaveLocked();
}

VirtualMedium VirtualRecorder::Medium() const {
    std::lock_guard lock(mutex_);
    return medium_;
}

bool VirtualRecorder::TrayOpen() const {
    std::lock_guard lock(mutex_);
    return trayOpen_;
}

std::vector<std::array<std::uint8_t, kCommandBlockCapacity>> VirtualRecorder::CommandLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

base::Status VirtualRecorder::Save() const {
    std::lock_guard lock(mutex_);
    return WriteState(base::AtomicFile::Durability::Flushed);
}

void VirtualRecorder::SaveLocked() const {
    // After every change of the layout, left to the system's write-back; a failure shows when
    // the state is next read, and Save() reports it.
    (void)WriteState(base::AtomicFile::Durability::WriteBack);
}

base::Status VirtualRecorder::WriteState(base::AtomicFile::Durability durability) const {
    base::AtomicFile file(StatePath());
    if (auto opened = file.Open(); !opened)
        return opened;
    const std::string state = medium_.Serialize();
    if (auto written = file.Write(state.data(), state.size()); !written)
        return written;
    return file.Commit(durability);
}

void VirtualRecorder::Check(RequestBlock& b, SenseCode code, std::optional<std::uint64_t> info) {
    b.status = request_status::kError;
    b.hostStatus = host_status::kOk;
    b.targetStatus = target_status::kCheckCondition;
    b.sense.fill(0);
    b.senseLength = static_cast<std::uint8_t>(
        EncodeSense(b.sense, faults_.descriptorSense, false, code.key, code.asc, code.ascq, info));
}

void VirtualRecorder::Answer(RequestBlock& b, const std::uint8_t* data, std::size_t size,
                             std::size_t allocation) {
    std::size_t n = std::min(size, allocation);
    if (b.direction == DataDirection::In && b.data)
        n = std::min<std::size_t>(n, b.dataLength);
    else
        n = 0;
    if (n)
        std::memcpy(b.data, data, n);
    b.transferred = static_cast<std::uint32_t>(n);
    b.status = request_status::kDone;
}

void VirtualRecorder::StartOperation(std::uint8_t ascq, int polls) {
    operationAscq_ = ascq;
    operationPolls_ = polls;
    operationTotal_ = polls;
}

bool VirtualRecorder::MediumCommand(std::uint8_t opcode) const {
    switch (opcode) {
    case 0x03: // REQUEST SENSE
    case 0x12: // INQUIRY
    case 0x1B: // START STOP UNIT
    case 0x1E: // PREVENT/ALLOW MEDIUM REMOVAL
    case 0x46: // GET CONFIGURATION
    case 0x4A: // GET EVENT STATUS
    case 0x55: // MODE SELECT
    case 0x5A: // MODE SENSE
    case 0x5C: // READ BUFFER CAPACITY
    case 0xBB: // SET CD SPEED
        return false;
    default:
        return true;
    }
}

void VirtualRecorder::Execute(RequestBlock& b) {
    std::lock_guard lock(mutex_);
    b.ClearResult();
    log_.push_back(b.cdb);
    if (log_.size() > kLogLimit)
        log_.erase(log_.begin());
    const std::uint8_t op = b.Opcode();

    if (faults_.vanished) {
        b.status = request_status::kNoDevice;
        return;
    }
    if (faults_.timeoutOpcode == kAnyOpcode || faults_.timeoutOpcode == op) {
        faults_.timeoutOpcode = -1;
        b.status = request_status::kError;
        b.hostStatus = host_status::kCommandTimeout;
        return;
    }
    if (faults_.busyCommands > 0) {
        --faults_.busyCommands;
        b.status = request_status::kError;
        b.targetStatus = target_status::kBusy;
        return;
    }
    if (faults_.deferredError && op != 0x12 && op != 0x03) {
        faults_.deferredError = false;
        b.status = request_status::kError;
        b.targetStatus = target_status::kCheckCondition;
        b.senseLength = static_cast<std::uint8_t>(EncodeSense(b.sense, faults_.descriptorSense,
                                                              true, kWriteError.key,
                                                              kWriteError.asc, kWriteError.ascq));
        return;
    }
    if (op == 0x03) {
        RequestSense(b);
        return;
    }
    if (MediumCommand(op)) {
        if (unitAttention_) {
            unitAttention_ = false;
            Check(b, kMediumChanged);
            return;
        }
        if (faults_.notReadyCommands > 0) {
            --faults_.notReadyCommands;
            Check(b, {0x02, 0x04, 0x01});
            return;
        }
        if (faults_.stuckNotReady > 0) {
            --faults_.stuckNotReady;
            Check(b, {0x02, 0x04, 0x00});
            return;
        }
        if (operationPolls_ > 0) {
            --operationPolls_;
            Check(b, {0x02, 0x04, operationAscq_});
            return;
        }
        if (!present_ || trayOpen_) {
            Check(b, {0x02, 0x3A, static_cast<std::uint8_t>(trayOpen_ ? 0x02 : 0x01)});
            return;
        }
    }
    Dispatch(b);
}

void VirtualRecorder::RequestSense(RequestBlock& b) {
    SenseCode code;
    std::optional<std::uint16_t> progress;
    if (faults_.notReadyCommands > 0) {
        --faults_.notReadyCommands;
        code = {0x02, 0x04, 0x01};
    } else if (faults_.stuckNotReady > 0) {
        --faults_.stuckNotReady;
        code = {0x02, 0x04, 0x00};
    } else if (operationPolls_ > 0) {
        --operationPolls_;
        code = {0x02, 0x04, operationAscq_};
        const int done = operationTotal_ - operationPolls_;
        progress = static_cast<std::uint16_t>(done * 65535 / std::max(1, operationTotal_));
    } else if (!present_ || trayOpen_) {
        code = {0x02, 0x3A, static_cast<std::uint8_t>(trayOpen_ ? 0x02 : 0x01)};
    }
    std::uint8_t sense[40] = {};
    const bool descriptor = faults_.descriptorSense || (b.cdb[1] & 0x01);
    const std::size_t n = EncodeSense(sense, descriptor, false, code.key, code.asc, code.ascq,
                                      std::nullopt, progress);
    Answer(b, sense, n, b.cdb[4]);
}

void VirtualRecorder::Dispatch(RequestBlock& b) {
    const std::uint8_t op = b.Opcode();
    switch (op) {
    case 0x00: // TEST UNIT READY
    case 0x01: // REZERO UNIT
        b.status = request_status::kDone;
        return;
    case 0x04:
        FormatUnit(b);
        return;
    case 0x12: {
        const auto data = Inquiry();
        Answer(b, data.data(), data.size(), b.cdb[4]);
        return;
    }
    case 0x1B:
        StartStop(b);
        return;
    case 0x1E:
        preventRemoval_ = b.cdb[4] & 0x01;
        b.status = request_status::kDone;
        return;
    case 0x23: {
        const auto r = FormatCapacitiesReply();
        Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x25: {
        std::uint8_t r[8] = {};
        base::StoreBE<std::uint32_t>(r, medium_.LastRecorded().value_or(0));
        base::StoreBE<std::uint32_t>(r + 4, kBlock);
        Answer(b, r, sizeof r, sizeof r);
        return;
    }
    case 0x28:
        Read(b);
        return;
    case 0x2A:
        Write(b);
        return;
    case 0x35:
        SynchronizeCache(b);
        return;
    case 0x43: {
        const auto r = TocReply(b.cdb[2] & 0x0F, b.cdb[1] & 0x02, b.cdb[6]);
        if (r.empty())
            Check(b, kInvalidField);
        else
            Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x46: {
        const auto r = ConfigurationReply(b.cdb[1] & 0x03, Be16(b, 2));
        Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x51: {
        const auto r = DiscInformationReply();
        Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x52: {
        const auto r = TrackInformationReply(b.cdb[1] & 0x03, Be32(b, 2));
        if (r.empty())
            Check(b, kInvalidField);
        else
            Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x53: {
        const SenseCode c = medium_.Reserve(Be32(b, 5));
        if (c.Failed())
            Check(b, c);
        else {
            b.status = request_status::kDone;
            SaveLocked();
        }
        return;
    }
    case 0x54: // SEND OPC INFORMATION
        if (medium_.Sequential() || medium_.Formatted())
            b.status = request_status::kDone;
        else
            Check(b, kIncompatibleMedium);
        return;
    case 0x55:
        ModeSelect(b);
        return;
    case 0x5A: {
        const std::uint8_t page = b.cdb[2] & 0x3F;
        const std::uint8_t control = b.cdb[2] >> 6;
        std::vector<std::uint8_t> pages;
        if (page == 0x2A || page == 0x3F) {
            const auto p = CapabilitiesPage(control);
            pages.insert(pages.end(), p.begin(), p.end());
        }
        if (page == 0x05 || page == 0x3F) {
            auto p = WriteParametersPage();
            if (control == 1)
                std::fill(p.begin() + 2, p.end(), 0);
            pages.insert(pages.end(), p.begin(), p.end());
        }
        if (pages.empty()) {
            Check(b, kInvalidField);
            return;
        }
        std::vector<std::uint8_t> r(8, 0);
        r.insert(r.end(), pages.begin(), pages.end());
        base::StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
        Answer(b, r.data(), r.size(), Be16(b, 7));
        return;
    }
    case 0x5B:
        CloseTrackSession(b);
        return;
    case 0x5C: {
        std::uint8_t r[12] = {};
        base::StoreBE<std::uint16_t>(r, 10);
        base::StoreBE<std::uint32_t>(r + 4, 2 * 1024 * 1024);
        base::StoreBE<std::uint32_t>(r + 8, 2 * 1024 * 1024);
        Answer(b, r, sizeof r, Be16(b, 7));
        return;
    }
    case 0xA1:
        Blank(b);
        return;
    case 0xB6:
        SetStreaming(b);
        return;
    case 0xBB:
        SetCdSpeed(b);
        return;
    case 0xBF:
        SendDvdStructure(b);
        return;
    default:
        Check(b, kInvalidOpcode);
        return;
    }
}

void VirtualRecorder::FormatUnit(RequestBlock& b) {
    const auto list = Outgoing(b);
    if (!(b.cdb[1] & 0x10) || list.size() < 12) {
        Check(b, list.size() < 12 && (b.cdb[1] & 0x10) ? kListLength : kInvalidField);
        return;
    }
    const SenseCode c = medium_.Format(list[8] >> 2);
    if (c.Failed()) {
        Check(b, c);
        return;
    }
    if (imageFd_ >= 0 && ::ftruncate(imageFd_, 0) != 0) {
        Check(b, kWriteError);
        return;
    }
    SaveLocked();
    if (list[1] & 0x02)
        StartOperation(0x04, kOperationPolls);
    b.status = request_status::kDone;
}

void VirtualRecorder::StartStop(RequestBlock& b) {
    const std::uint8_t bits = b.cdb[4] & 0x03;
    if (bits == 0x02) { // eject
        if (preventRemoval_) {
            Check(b, kRemovalPrevented);
            return;
        }
        trayOpen_ = true;
    } else if (bits == 0x03) { // load
        if (trayOpen_ && present_)
            unitAttention_ = true;
        trayOpen_ = false;
    }
    b.status = request_status::kDone;
}

} // namespace disc
