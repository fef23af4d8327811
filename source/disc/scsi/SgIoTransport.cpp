#include "disc/scsi/SgIoTransport.h"

#include "disc/scsi/CommandNames.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace fs = std::filesystem;

namespace {

// Linux host-byte values of the SCSI mid layer.
constexpr std::uint16_t kDidOk = 0x00;
constexpr std::uint16_t kDidNoConnect = 0x01;
constexpr std::uint16_t kDidTimeOut = 0x03;
constexpr std::uint16_t kDidBadTarget = 0x04;
constexpr std::uint16_t kDidAbort = 0x05;
constexpr std::uint16_t kDidParity = 0x06;
constexpr std::uint16_t kDidReset = 0x08;
// Driver-byte values (the low three bits; 08h only says sense data came back).
constexpr std::uint16_t kDriverTimeout = 0x06;
constexpr std::uint8_t kUnknownHostStatus = 0xFF;

constexpr int kExclusiveTries = 5;
constexpr int kExclusiveRetryMs = 200;

std::string ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\r' ||
                             line.back() == '\t'))
        line.pop_back();
    return line;
}

bool IsOpticalName(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0)
        return false;
    return std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::uint8_t HostStatusOf(const sg_io_hdr_t& h) {
    switch (h.host_status) {
    case kDidOk:
        break;
    case kDidNoConnect:
    case kDidBadTarget:
        return host_status::kSelectionTimeout;
    case kDidTimeOut:
    case kDidAbort:
        return host_status::kCommandTimeout;
    case kDidParity:
        return host_status::kParityError;
    case kDidReset:
        return host_status::kBusReset;
    default:
        return kUnknownHostStatus;
    }
    const unsigned driver = h.driver_status & 0x07;
    if (driver == kDriverTimeout)
        return host_status::kCommandTimeout;
    if (driver != 0)
        return kUnknownHostStatus;
    return host_status::kOk;
}

} // namespace

SgIoCalls SgIoCalls::System() {
    SgIoCalls c;
    c.open = [](const std::string& path, int flags) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    };
    c.close = [](int fd) { ::close(fd); };
    c.ioctl = [](int fd, sg_io_hdr_t& header) {
        return ::ioctl(fd, SG_IO, &header) == 0 ? 0 : -errno;
    };
    c.groupOf = [](const std::string& path) -> std::string {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || st.st_gid == 0)
            return {};
        std::vector<char> buffer(4096);
        struct group g {};
        struct group* found = nullptr;
        if (::getgrgid_r(st.st_gid, &g, buffer.data(), buffer.size(), &found) != 0 || !found)
            return std::to_string(st.st_gid);
        return found->gr_name;
    };
    c.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return c;
}

SgIoTransport::SgIoTransport(std::string sysfsBlockRoot, std::string deviceRoot, SgIoCalls calls)
    : sysfsRoot_(std::move(sysfsBlockRoot)), deviceRoot_(std::move(deviceRoot)),
      calls_(std::move(calls)) {}

SgIoTransport::~SgIoTransport() {
    CloseAll();
}

base::Status SgIoTransport::Init() {
    drives_.clear();
    std::error_code ec;
    fs::directory_iterator it(sysfsRoot_, ec);
    if (ec)
        return {}; // no block devices to look at: no drives, which is no failure
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (!IsOpticalName(name))
            continue;
        const fs::path device = it->path() / "device";
        // The device link points at the SCSI device, whose folder is named h:c:t:l.
        fs::path target = fs::read_symlink(device, ec);
        if (ec) {
            ec.clear();
            target = fs::weakly_canonical(device, ec);
            if (ec)
                continue;
        }
        const auto address = DriveAddress::Parse(target.filename().string());
        if (!address)
            continue;
        const std::string typeText = ReadLine(device / "type");
        int type = 5;
        if (!typeText.empty()) {
            // A type that is no number names no drive this program could use.
            const std::size_t digits = typeText.find_first_not_of(" \t");
            if (digits == std::string::npos)
                continue;
            const char* first = typeText.data() + digits;
            if (std::from_chars(first, typeText.data() + typeText.size(), type).ec != std::errc())
                continue;
        }
        DriveInfo info;
        info.address = *address;
        info.device = deviceRoot_ + "/" + name;
        info.inquiry = DriveInfo::MakeInquiry(static_cast<std::uint8_t>(type & 0x1F),
                                              ReadLine(device / "vendor"),
                                              ReadLine(device / "model"), ReadLine(device / "rev"));
        drives_.push_back(std::move(info));
    }
    std::sort(drives_.begin(), drives_.end(), [](const DriveInfo& a, const DriveInfo& b) {
        return std::tie(a.address.host, a.address.channel, a.address.target, a.address.lun) <
               std::tie(b.address.host, b.address.channel, b.address.target, b.address.lun);
    });
    return {};
}

std::string SgIoTransport::PermissionMessage(const std::string& device, const std::string& group) {
    if (group.empty())
        return "no permission to use " + device + " (reading and writing it is needed)";
    return "no permission to use " + device + ": the group \"" + group +
           "\" grants access to it (add the user to that group and log in again)";
}

int SgIoTransport::OpenHandle(const DriveInfo& drive, Handle& handle, bool exclusive) {
    if (handle.fd >= 0)
        return 0;
    const int base = O_NONBLOCK | (exclusive ? O_EXCL : 0);
    int fd = calls_.open(drive.device, O_RDWR | base);
    bool writable = true;
    if ((fd == -EACCES || fd == -EROFS) && !exclusive) {
        // Reading commands still work through a read-only descriptor.
        const int ro = calls_.open(drive.device, O_RDONLY | base);
        if (ro >= 0) {
            fd = ro;
            writable = false;
        }
    }
    if (fd < 0)
        return fd;
    handle.fd = fd;
    handle.writable = writable;
    handle.exclusive = exclusive;
    return 0;
}

void SgIoTransport::CloseHandle(Handle& handle) {
    if (handle.fd >= 0)
        calls_.close(handle.fd);
    handle.fd = -1;
    handle.writable = false;
}

void SgIoTransport::CloseAll() {
    for (auto& [path, handle] : handles_)
        CloseHandle(handle);
    handles_.clear();
}

void SgIoTransport::FailOpen(RequestBlock& block, const DriveInfo& drive, int error) {
    switch (error) {
    case -EACCES:
    case -EPERM:
        block.status = request_status::kInvalidRequest;
        block.transportMessage = PermissionMessage(drive.device, calls_.groupOf(drive.device));
        break;
    case -EBUSY:
        block.status = request_status::kInvalidRequest;
        block.transportMessage = drive.device + " is in use by another program";
        break;
    case -ENOENT:
    case -ENODEV:
    case -ENXIO:
        block.status = request_status::kNoDevice;
        break;
    default:
        block.status = request_status::kInvalidRequest;
        block.transportMessage = "cannot open " + drive.device + ": " + std::strerror(-error);
        break;
    }
}

std::uint8_t SgIoTransport::Send(RequestBlock& block) {
    block.ClearResult();
    const DriveInfo* drive = Find(block.address);
    if (!drive) {
        block.status = request_status::kNoDevice;
        return block.status;
    }
    if (block.cdbLength == 0 || block.cdbLength > kCommandBlockCapacity ||
        (block.dataLength > 0 && block.data == nullptr)) {
        block.status = request_status::kInvalidBlock;
        return block.status;
    }
    // INQUIRY is answered from what sysfs told us, without touching the drive.
    if (block.Opcode() == 0x12) {
        const std::uint32_t n = std::min<std::uint32_t>(
            block.dataLength, static_cast<std::uint32_t>(kInquiryCacheSize));
        if (n)
            std::memcpy(block.data, drive->inquiry.data(), n);
        block.transferred = n;
        block.status = request_status::kDone;
        return block.status;
    }

    Handle& handle = handles_[drive->device];
    if (const int err = OpenHandle(*drive, handle, handle.exclusive); err < 0) {
        FailOpen(block, *drive, err);
        return block.status;
    }

    sg_io_hdr_t h{};
    h.interface_id = 'S';
    switch (block.direction) {
    case DataDirection::In:
        h.dxfer_direction = SG_DXFER_FROM_DEV;
        break;
    case DataDirection::Out:
        h.dxfer_direction = SG_DXFER_TO_DEV;
        break;
    case DataDirection::None:
        h.dxfer_direction = SG_DXFER_NONE;
        break;
    }
    h.cmd_len = block.cdbLength;
    h.cmdp = block.cdb.data();
    h.mx_sb_len = static_cast<unsigned char>(block.sense.size());
    h.sbp = block.sense.data();
    h.dxfer_len = block.direction == DataDirection::None ? 0 : block.dataLength;
    h.dxferp = h.dxfer_len ? block.data : nullptr;
    h.timeout = block.timeoutMs;

    const int rc = calls_.ioctl(handle.fd, h);
    if (rc < 0) {
        if (rc == -ENODEV || rc == -ENXIO || rc == -ENOENT) {
            CloseHandle(handle);
            block.status = request_status::kNoDevice;
        } else if ((rc == -EPERM || rc == -EACCES) && !handle.writable) {
            block.status = request_status::kInvalidRequest;
            block.transportMessage =
                PermissionMessage(drive->device, calls_.groupOf(drive->device));
        } else if (rc == -EPERM || rc == -EACCES) {
            // The kernel's command filter refuses some commands to users without administrator
            // rights even with full access to the node; that is not a missing permission.
            block.status = request_status::kInvalidRequest;
            std::string name = CommandName(block.Opcode());
            while (!name.empty() && name.back() == ' ')
                name.pop_back();
            if (name.size() == 2)
                name = "command " + name + "h";
            block.transportMessage =
                "the system refuses " + name + " to users without administrator rights";
        } else {
            block.status = request_status::kInvalidRequest;
            block.transportMessage = "SG_IO on " + drive->device + " failed: " + std::strerror(-rc);
        }
        if (block.closeAfter)
            CloseHandle(handle);
        return block.status;
    }

    const int moved = static_cast<int>(h.dxfer_len) - std::max(0, h.resid);
    block.transferred = static_cast<std::uint32_t>(std::max(0, moved));
    block.senseLength = std::min<std::uint8_t>(h.sb_len_wr, kSenseCapacity);
    block.targetStatus = static_cast<std::uint8_t>(h.status & 0x7E);
    block.hostStatus = HostStatusOf(h);
    if (block.targetStatus == target_status::kGood && block.hostStatus == host_status::kOk)
        block.status = request_status::kDone;
    else
        block.status = request_status::kError;
    if (block.closeAfter)
        CloseHandle(handle);
    return block.status;
}

base::Status SgIoTransport::Reset() {
    CloseAll();
    return Init();
}

base::Status SgIoTransport::CheckAccess(const DriveInfo& drive) {
    const int fd = calls_.open(drive.device, O_RDWR | O_NONBLOCK);
    if (fd >= 0) {
        calls_.close(fd);
        return {};
    }
    if (fd == -EACCES || fd == -EPERM || fd == -EROFS)
        return base::Fail(PermissionMessage(drive.device, calls_.groupOf(drive.device)));
    if (fd == -EBUSY)
        return base::Fail(drive.device + " is in use by another program");
    return base::Fail("cannot open " + drive.device + ": " + std::strerror(-fd));
}

base::Status SgIoTransport::SetExclusive(const DriveAddress& address, bool exclusive) {
    const DriveInfo* drive = Find(address);
    if (!drive)
        return base::Fail("no drive at " + address.Text());
    Handle& handle = handles_[drive->device];
    if (handle.fd >= 0 && handle.exclusive == exclusive)
        return {};
    CloseHandle(handle);
    handle.exclusive = exclusive;
    if (!exclusive)
        return {}; // reopened in shared mode by the next command
    int err = 0;
    for (int attempt = 0; attempt < kExclusiveTries; ++attempt) {
        err = OpenHandle(*drive, handle, true);
        if (err != -EBUSY)
            break;
        calls_.sleep(kExclusiveRetryMs);
    }
    if (err == 0)
        return {};
    handle.exclusive = false;
    if (err == -EACCES || err == -EPERM)
        return base::Fail(PermissionMessage(drive->device, calls_.groupOf(drive->device)));
    if (err == -EBUSY)
        return base::Fail(drive->device + " is in use by another program");
    return base::Fail("cannot open " + drive->device + ": " + std::strerror(-err));
}

} // namespace disc
