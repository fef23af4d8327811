// Linux SG_IO transport: the optical drives the kernel lists in sysfs (/sys/class/block/sr*),
// each named by its SCSI address host:channel:target:lun and its device node, driven with the
// SG_IO ioctl. The system calls are replaceable so tests can check the requests it builds.
#pragma once

#include "disc/scsi/Transport.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <scsi/sg.h>

namespace disc {

// The system calls the transport makes. Each returns a negative errno on failure.
struct SgIoCalls {
    std::function<int(const std::string& path, int flags)> open; // a descriptor or -errno
    std::function<void(int fd)> close;
    std::function<int(int fd, sg_io_hdr_t& header)> ioctl;       // 0 or -errno
    std::function<std::string(const std::string& path)> groupOf; // group owning a device node
    std::function<void(int ms)> sleep;

    // The real calls.
    static SgIoCalls System();
};

class SgIoTransport final : public Transport {
public:
    explicit SgIoTransport(std::string sysfsBlockRoot = "/sys/class/block",
                           std::string deviceRoot = "/dev", SgIoCalls calls = SgIoCalls::System());
    ~SgIoTransport() override;

    std::string Name() const override { return "SG_IO"; }
    base::Status Init() override;
    const std::vector<DriveInfo>& Drives() const override { return drives_; }
    std::uint8_t Send(RequestBlock& block) override;
    base::Status Reset() override;
    base::Status CheckAccess(const DriveInfo& drive) override;
    base::Status SetExclusive(const DriveAddress& address, bool exclusive) override;

    // The text shown when the user may not open a device: it names the device and, when the
    // node belongs to a group other than root's, the group that grants access.
    static std::string PermissionMessage(const std::string& device, const std::string& group);

private:
    struct Handle {
        int fd = -1;
        bool writable = false;
        bool exclusive = false;
    };
    // Opens the drive's node if it is not open; 0 or -errno.
    int OpenHandle(const DriveInfo& drive, Handle& handle, bool exclusive);
    void CloseHandle(Handle& handle);
    void CloseAll();
    void FailOpen(RequestBlock& block, const DriveInfo& drive, int error);

    std::string sysfsRoot_;
    std::string deviceRoot_;
    SgIoCalls calls_;
    std::vector<DriveInfo> drives_;
    std::map<std::string, Handle> handles_; // by device path
};

} // namespace disc
