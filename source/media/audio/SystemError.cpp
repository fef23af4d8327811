#include "media/audio/SystemError.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace media {

std::string SystemReason(int code) {
    if (code == 0)
        code = EIO;
    return std::strerror(code < 0 ? -code : code);
}

std::string CannotCreate(const std::string& path, int code) {
    return "Cannot create " + path + ": " + SystemReason(code);
}

std::string CannotWrite(const std::string& path, int code) {
    return "Cannot write " + path + ": " + SystemReason(code);
}

base::Status AsFailureOf(base::Status status, const std::string& file) {
    if (status)
        return status;
    std::string text = status.error();
    const std::string temporary = "the temporary video file";
    if (const auto at = text.find(temporary); at != std::string::npos)
        text.replace(at, temporary.size(), file);
    return base::Fail(text);
}

int WriteAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -errno;
        if (n == 0)
            return -EIO;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace media
