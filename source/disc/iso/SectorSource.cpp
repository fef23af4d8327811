#include "disc/iso/SectorSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace {

bool RangeFits(std::uint32_t lba, std::uint32_t count, std::uint32_t sectors) {
    return lba <= sectors && count <= sectors - lba;
}

} // namespace

base::Result<std::unique_ptr<ImageFileSectorSource>>
ImageFileSectorSource::Open(const std::string& path, std::uint32_t lastSession) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return base::Fail("cannot open \"" + path + "\": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return base::Fail("\"" + path + "\" is not a disc image file");
    }
    const auto sectors64 = static_cast<std::uint64_t>(st.st_size) / kSectorBytes;
    const auto sectors =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors64, 0xFFFFFFFFu));
    if (lastSession >= sectors) {
        ::close(fd);
        return base::Fail("the session start lies beyond the end of \"" + path + "\"");
    }
    return std::unique_ptr<ImageFileSectorSource>(
        new ImageFileSectorSource(fd, sectors, lastSession));
}

ImageFileSectorSource::~ImageFileSectorSource() {
    ::close(fd_);
}

base::Status ImageFileSectorSource::Read(std::uint32_t lba, std::uint32_t count,
                                         std::uint8_t* out) {
    if (!RangeFits(lba, count, sectors_))
        return base::Fail("read beyond the end of the disc image");
    std::size_t want = static_cast<std::size_t>(count) * kSectorBytes;
    auto offset = static_cast<off_t>(lba) * kSectorBytes;
    while (want > 0) {
        const ssize_t got = ::pread(fd_, out, want, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return base::Fail("cannot read the disc image");
        out += got;
        want -= static_cast<std::size_t>(got);
        offset += got;
    }
    return {};
}

MemorySectorSource::MemorySectorSource(std::vector<std::uint8_t> bytes, std::uint32_t lastSession)
    : bytes_(std::move(bytes)),
      sectors_(static_cast<std::uint32_t>(
          std::min<std::uint64_t>((bytes_.size() + kSectorBytes - 1) / kSectorBytes, 0xFFFFFFFFu))),
      lastSession_(lastSession) {}

base::Status MemorySectorSource::Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    if (!RangeFits(lba, count, sectors_))
        return base::Fail("read beyond the end of the disc");
    const std::size_t begin = static_cast<std::size_t>(lba) * kSectorBytes;
    const std::size_t want = static_cast<std::size_t>(count) * kSectorBytes;
    const std::size_t have = begin < bytes_.size() ? std::min(want, bytes_.size() - begin) : 0;
    if (have > 0)
        std::memcpy(out, bytes_.data() + begin, have);
    std::memset(out + have, 0, want - have);
    return {};
}

} // namespace disc
