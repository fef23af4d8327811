#include "disc/WriteTarget.h"

#include "disc/MmcCommands.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace {

constexpr int kBusyRetries = 100;
constexpr std::int64_t kBusyWaitMs = 600;

std::string FileError(const std::string& path) {
    if (errno == ENOSPC || errno == EDQUOT)
        return "THE DISK IS FULL: \"" + path + "\" COULD NOT BE WRITTEN";
    return "CAN'T WRITE FILE \"" + path + "\": " + std::strerror(errno);
}

} // namespace

base::Status DriveTarget::Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                                base::Progress& progress) {
    (void)mediaType_;
    MmcCommands mmc(device_);
    const auto count = static_cast<std::uint16_t>(sectors.size() / kSectorSize);
    for (int attempt = 0; attempt < kBusyRetries; ++attempt) {
        if (mmc.Write10(lba, count, sectors))
            return {};
        const bool transient = device_.Busy() || device_.LastSenseData().asc == 0x04;
        if (!transient)
            return base::Fail("WRITER ERROR [" + device_.LastError() + "]");
        if (progress.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        device_.Clock().SleepMs(kBusyWaitMs);
    }
    return base::Fail("WRITER BUSY/BUFFER FULL");
}

base::Result<std::unique_ptr<FileTarget>> FileTarget::Create(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return base::Fail("CAN'T CREATE FILE \"" + path + "\"");
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return base::Fail("CAN'T CREATE FILE \"" + path + "\"");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return std::unique_ptr<FileTarget>(new FileTarget(path, std::move(temp), fd));
}

FileTarget::~FileTarget() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_)
        ::unlink(temp_.c_str());
}

base::Status FileTarget::Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                               base::Progress& progress) {
    (void)progress;
    if (lba != next_)
        return base::Fail("the image file is written out of order");
    const std::uint8_t* data = sectors.data();
    std::size_t left = sectors.size();
    while (left > 0) {
        const ssize_t put = ::write(fd_, data, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            return base::Fail(FileError(path_));
        }
        data += put;
        left -= static_cast<std::size_t>(put);
    }
    next_ += sectors.size() / kSectorSize;
    return {};
}

base::Status FileTarget::Commit() {
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        fd_ = -1;
        return base::Fail(FileError(path_));
    }
    fd_ = -1;
    if (::rename(temp_.c_str(), path_.c_str()) != 0)
        return base::Fail(FileError(path_));
    committed_ = true;
    return {};
}

} // namespace disc
