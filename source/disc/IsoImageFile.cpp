#include "disc/IsoImageFile.h"

#include "disc/SectorSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace {

constexpr std::size_t kCopyChunk = 8u << 20;

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string WriteError(const std::string& path) {
    if (errno == ENOSPC || errno == EDQUOT)
        return "the disk is full: \"" + path + "\" could not be written completely";
    return "cannot write \"" + path + "\": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = ENOSPC;
            return false;
        }
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool WriteZeros(int fd, std::uint64_t n) {
    static const std::vector<std::uint8_t> zeros(64 * 1024, 0);
    while (n > 0) {
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(n, zeros.size()));
        if (!WriteAll(fd, zeros.data(), chunk))
            return false;
        n -= chunk;
    }
    return true;
}

class SessionWriter {
public:
    SessionWriter(const IsoImageBuilder& builder, std::string out, base::Progress& progress)
        : builder_(builder), out_(std::move(out)), progress_(progress) {}

    base::Status Run();

private:
    base::Status CheckOutput() const;
    base::Status CopyFile(int outFd, const FileEntry& file);
    void Advance(std::uint64_t bytes) {
        done_ += bytes;
        if (total_ > 0)
            progress_.SetPosition(static_cast<int>(done_ * 100 / total_));
        progress_.Pump();
    }

    const IsoImageBuilder& builder_;
    std::string out_;
    std::string temp_;
    base::Progress& progress_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
};

base::Status SessionWriter::CheckOutput() const {
    struct stat outSt {};
    if (::stat(out_.c_str(), &outSt) != 0)
        return {};
    if (S_ISDIR(outSt.st_mode))
        return base::Fail("\"" + out_ + "\" is a folder");
    for (const auto& f : builder_.Files()) {
        if (f->SourcePath.empty())
            continue;
        struct stat inSt {};
        if (::stat(f->SourcePath.c_str(), &inSt) == 0 && inSt.st_dev == outSt.st_dev &&
            inSt.st_ino == outSt.st_ino)
            return base::Fail("the output \"" + out_ + "\" is also one of the files to write");
    }
    return {};
}

base::Status SessionWriter::CopyFile(int outFd, const FileEntry& file) {
    const int inFd = ::open(file.SourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (inFd < 0)
        return base::Fail("CAN'T OPEN FILE \"" + file.SourcePath +
                          "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    Fd in(inFd);
    ::posix_fadvise(inFd, 0, 0, POSIX_FADV_SEQUENTIAL);
    bool kernelCopy = true;
    std::uint64_t left = file.Size;
    while (left > 0) {
        if (progress_.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
        ssize_t got = -1;
        if (kernelCopy) {
            got = ::copy_file_range(inFd, nullptr, outFd, nullptr, want, 0);
            if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                            errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
                return base::Fail(WriteError(out_));
        } else {
            buffer_.resize(kCopyChunk);
            got = ::read(inFd, buffer_.data(), want);
            if (got < 0 && errno == EINTR)
                continue;
            if (got > 0 && !WriteAll(outFd, buffer_.data(), static_cast<std::size_t>(got)))
                return base::Fail(WriteError(out_));
        }
        if (got < 0)
            return base::Fail("cannot read \"" + file.SourcePath + "\": " + std::strerror(errno));
        if (got == 0)
            return base::Fail("\"" + file.SourcePath + "\" became shorter while it was written");
        left -= static_cast<std::uint64_t>(got);
        Advance(static_cast<std::uint64_t>(got));
    }
    const std::uint64_t pad = (kSectorBytes - file.Size % kSectorBytes) % kSectorBytes;
    if (pad > 0 && !WriteZeros(outFd, pad))
        return base::Fail(WriteError(out_));
    return {};
}

base::Status SessionWriter::Run() {
    if (!builder_.Prepared())
        return base::Fail("the image has not been laid out and headed");
    if (auto check = CheckOutput(); !check)
        return check;
    const IsoLayout& l = builder_.Layout();
    total_ = static_cast<std::uint64_t>(builder_.TrackSectors()) * kSectorBytes;

    temp_ = out_ + ".XXXXXX";
    const int fd = ::mkstemp(temp_.data());
    if (fd < 0)
        return base::Fail("CAN'T CREATE FILE \"" + out_ + "\"");
    Fd out(fd);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    auto fail = [&](std::string message) -> base::Status {
        ::unlink(temp_.c_str());
        return base::Fail(std::move(message));
    };
    const auto& header = builder_.Header();
    if (!WriteAll(fd, header.data(), header.size()))
        return fail(WriteError(out_));
    Advance(header.size());
    std::uint64_t sector = l.FirstFile;
    for (const auto& f : builder_.Files()) {
        if (f->IsDirectory() || f->Imported || f->Size == 0)
            continue;
        if (f->Extent != sector) // the layout and the file list disagree: never write that
            return fail("the image layout is out of date");
        if (auto copied = CopyFile(fd, *f); !copied)
            return fail(copied.error());
        sector += (f->Size + kSectorBytes - 1) / kSectorBytes;
    }
    const std::uint64_t written = (sector - l.Start) * kSectorBytes;
    if (written < total_ && !WriteZeros(fd, total_ - written))
        return fail(WriteError(out_));
    out.fd = -1;
    if (::close(fd) != 0)
        return fail(WriteError(out_));
    if (::rename(temp_.c_str(), out_.c_str()) != 0)
        return fail("cannot rename the image to \"" + out_ + "\": " + std::strerror(errno));
    progress_.SetPosition(100);
    return {};
}

} // namespace

base::Status WriteImageFile(const IsoImageBuilder& builder, const std::string& outputPath,
                            base::Progress& progress) {
    progress.Open();
    SessionWriter writer(builder, outputPath, progress);
    base::Status status = writer.Run();
    progress.Close();
    return status;
}

} // namespace disc
