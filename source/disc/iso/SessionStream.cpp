#include "disc/iso/SessionStream.h"

#include "disc/iso/SectorSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace disc {

namespace {

std::string OpenText(const std::string& path) {
    return "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE";
}

std::string ChangedText(const std::string& path) {
    return "FILE \"" + path + "\" CHANGED SIZE DURING THE WRITE";
}

} // namespace

SessionStream::SessionStream(const IsoImageBuilder& builder, std::uint64_t totalBytes)
    : builder_(builder), total_(totalBytes), nextSector_(builder.Layout().FirstFile) {}

SessionStream::~SessionStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<WrittenFile> SessionStream::Written() const {
    std::lock_guard guard(writtenLock_);
    return written_;
}

base::Status SessionStream::OpenNextFile(bool& none) {
    const auto& files = builder_.Files();
    for (; nextFile_ < files.size(); ++nextFile_) {
        const FileEntry& f = *files[nextFile_];
        if (f.IsDirectory() || f.Imported || f.Size == 0 || f.SourcePath.empty())
            continue;
        if (f.Extent != nextSector_) // the layout and the file list disagree: never write that
            return base::Fail("the image layout is out of date");
        ++nextFile_;
        fd_ = ::open(f.SourcePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            return base::Fail(OpenText(f.SourcePath));
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
        const std::uint64_t sectors = (f.Size + kSectorBytes - 1) / kSectorBytes;
        file_ = &f;
        fileLeft_ = f.Size;
        padLeft_ = sectors * kSectorBytes - f.Size;
        nextSector_ += sectors;
        sum_ = Checksum{};
        none = false;
        return {};
    }
    none = true;
    return {};
}

base::Status SessionStream::CloseFile() {
    // A file that grew would have its tail cut off on the disc.
    std::uint8_t extra = 0;
    const bool grew = ::read(fd_, &extra, 1) > 0;
    ::close(fd_);
    fd_ = -1;
    if (grew)
        return base::Fail(ChangedText(file_->SourcePath));
    std::lock_guard guard(writtenLock_);
    written_.push_back({file_, sum_.value});
    return {};
}

base::Result<std::size_t> SessionStream::Read(std::span<std::uint8_t> out) {
    if (out.empty())
        return std::size_t{0};
    const auto& head = builder_.Header();
    const std::uint64_t headBytes = std::min<std::uint64_t>(head.size(), total_);
    if (emitted_ < headBytes) {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), headBytes - emitted_));
        std::memcpy(out.data(), head.data() + emitted_, n);
        emitted_ += n;
        return n;
    }
    for (;;) {
        if (fd_ >= 0 && fileLeft_ > 0) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), fileLeft_));
            const ssize_t got = ::read(fd_, out.data(), want);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return base::Fail("CAN'T READ FILE \"" + file_->SourcePath +
                                  "\": " + std::strerror(errno));
            if (got == 0)
                return base::Fail(ChangedText(file_->SourcePath));
            const auto n = static_cast<std::size_t>(got);
            sum_.Add(out.data(), n);
            fileLeft_ -= n;
            emitted_ += n;
            return n;
        }
        if (fd_ >= 0)
            if (auto closed = CloseFile(); !closed)
                return base::Fail(closed.error());
        if (padLeft_ > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), padLeft_));
            std::fill_n(out.begin(), n, 0);
            padLeft_ -= n;
            emitted_ += n;
            return n;
        }
        bool none = false;
        if (auto opened = OpenNextFile(none); !opened)
            return base::Fail(opened.error());
        if (!none)
            continue;
        // Zeros after the last file, up to the track's end.
        if (emitted_ > total_)
            return base::Fail("the image does not fit its track");
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), total_ - emitted_));
        std::fill_n(out.begin(), n, 0);
        emitted_ += n;
        return n;
    }
}

} // namespace disc
