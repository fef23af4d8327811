#include "disc/iso/IsoImageFile.h"

#include "base/AtomicFile.h"
#include "disc/iso/SectorSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace {

// Pieces of 8 MiB: few system calls, and the Cancel button is still seen several times a second.
constexpr std::size_t kCopyChunk = 8u << 20;
constexpr std::size_t kBufferAlign = 4096;

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

struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};

std::string CreateText(const std::string& path) {
    return "CAN'T CREATE FILE \"" + path + "\"";
}

// The text of errno after a failed write of the image.
std::string WriteText(const std::string& path) {
    if (errno == ENOSPC || errno == EDQUOT)
        return "THE DISK IS FULL: \"" + path + "\" COULD NOT BE WRITTEN";
    return "CAN'T WRITE FILE \"" + path + "\": " + std::strerror(errno);
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

class ImageWriter {
public:
    ImageWriter(const IsoImageBuilder& builder, std::string out, base::Progress& progress,
                const ImageBytesHandler& bytes)
        : builder_(builder), out_(std::move(out)), progress_(progress), bytes_(bytes) {}

    base::Status Run();

private:
    base::Status CheckOutput() const;
    base::Status CopyFile(int outFd, const FileEntry& file);
    base::Status CopyByBuffer(int inFd, int outFd, const FileEntry& file, std::uint64_t& left);
    void Advance(std::uint64_t n) {
        done_ += n;
        if (bytes_)
            bytes_(done_, total_);
        if (total_ > 0)
            progress_.SetPosition(static_cast<int>(done_ * 100 / total_));
        progress_.Pump();
    }

    const IsoImageBuilder& builder_;
    std::string out_;
    base::Progress& progress_;
    const ImageBytesHandler& bytes_;
    std::unique_ptr<std::uint8_t, FreeDeleter> buffer_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
};

base::Status ImageWriter::CheckOutput() const {
    struct stat outSt {};
    if (::stat(out_.c_str(), &outSt) != 0)
        return {};
    if (!S_ISREG(outSt.st_mode))
        return base::Fail(CreateText(out_));
    for (const auto& f : builder_.Files()) {
        if (f->SourcePath.empty())
            continue;
        struct stat inSt {};
        if (::stat(f->SourcePath.c_str(), &inSt) == 0 && inSt.st_dev == outSt.st_dev &&
            inSt.st_ino == outSt.st_ino)
            return base::Fail(CreateText(out_) + ": IT IS ONE OF THE FILES TO WRITE");
    }
    return {};
}

// Through user space, in large aligned pieces, where the kernel cannot copy between the two.
base::Status ImageWriter::CopyByBuffer(int inFd, int outFd, const FileEntry& file,
                                       std::uint64_t& left) {
    if (!buffer_) {
        void* p = std::aligned_alloc(kBufferAlign, kCopyChunk);
        if (!p)
            return base::Fail("CAN'T READ FILE \"" + file.SourcePath + "\": out of memory");
        buffer_.reset(static_cast<std::uint8_t*>(p));
    }
    while (left > 0) {
        if (progress_.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
        const ssize_t got = ::read(inFd, buffer_.get(), want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return base::Fail("CAN'T READ FILE \"" + file.SourcePath +
                              "\": " + std::strerror(errno));
        if (got == 0)
            return base::Fail("FILE \"" + file.SourcePath + "\" CHANGED SIZE DURING THE WRITE");
        if (!WriteAll(outFd, buffer_.get(), static_cast<std::size_t>(got)))
            return base::Fail(WriteText(out_));
        left -= static_cast<std::uint64_t>(got);
        Advance(static_cast<std::uint64_t>(got));
    }
    return {};
}

base::Status ImageWriter::CopyFile(int outFd, const FileEntry& file) {
    const int inFd = ::open(file.SourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (inFd < 0)
        return base::Fail("CAN'T OPEN FILE \"" + file.SourcePath +
                          "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    Fd in(inFd);
    ::posix_fadvise(inFd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::uint64_t left = file.Size;
    while (left > 0) {
        if (progress_.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyChunk));
        const ssize_t got = ::copy_file_range(inFd, nullptr, outFd, nullptr, want, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                        errno == EOPNOTSUPP || errno == EBADF)) {
            if (auto copied = CopyByBuffer(inFd, outFd, file, left); !copied)
                return copied;
            break;
        }
        if (got < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
            return base::Fail(WriteText(out_));
        if (got < 0)
            return base::Fail("CAN'T READ FILE \"" + file.SourcePath +
                              "\": " + std::strerror(errno));
        if (got == 0)
            return base::Fail("FILE \"" + file.SourcePath + "\" CHANGED SIZE DURING THE WRITE");
        left -= static_cast<std::uint64_t>(got);
        Advance(static_cast<std::uint64_t>(got));
    }
    // The padding to the file's last sector stays a hole: it reads as zeros.
    const std::uint64_t pad = (kSectorBytes - file.Size % kSectorBytes) % kSectorBytes;
    if (pad > 0 && ::lseek(outFd, static_cast<off_t>(pad), SEEK_CUR) < 0)
        return base::Fail(WriteText(out_));
    Advance(pad);
    return {};
}

base::Status ImageWriter::Run() {
    if (!builder_.Prepared())
        return base::Fail("the image has not been laid out and headed");
    if (auto check = CheckOutput(); !check)
        return check;
    const IsoLayout& l = builder_.Layout();
    total_ = static_cast<std::uint64_t>(builder_.TrackSectors()) * kSectorBytes;

    base::AtomicFile file(out_);
    if (!file.Open())
        return base::Fail(CreateText(out_));
    const int fd = file.Handle();
    const auto& header = builder_.Header();
    if (!WriteAll(fd, header.data(), header.size()))
        return base::Fail(WriteText(out_));
    Advance(header.size());
    std::uint64_t sector = l.FirstFile;
    for (const auto& f : builder_.Files()) {
        if (f->IsDirectory() || f->Imported || f->Size == 0)
            continue;
        if (f->Extent != sector) // the layout and the file list disagree: never write that
            return base::Fail("the image layout is out of date");
        if (auto copied = CopyFile(fd, *f); !copied)
            return copied;
        sector += (f->Size + kSectorBytes - 1) / kSectorBytes;
    }
    // Zeros up to the track's end, as a hole; the size is set even when nothing follows.
    const std::uint64_t end = std::max<std::uint64_t>(total_, (sector - l.Start) * kSectorBytes);
    if (::ftruncate(fd, static_cast<off_t>(end)) != 0)
        return base::Fail(WriteText(out_));
    if (end > done_)
        Advance(end - done_);
    // Flushing gigabytes to the disk would take longer than the copy itself; the rename still
    // puts the image in place only once all of it was written.
    if (auto committed = file.Commit(base::AtomicFile::Durability::WriteBack); !committed)
        return base::Fail("CAN'T WRITE FILE \"" + out_ + "\": " + committed.error());
    progress_.SetPosition(100);
    return {};
}

} // namespace

base::Status WriteImageFile(const IsoImageBuilder& builder, const std::string& outputPath,
                            base::Progress& progress, const ImageBytesHandler& bytes) {
    ImageWriter writer(builder, outputPath, progress, bytes);
    return writer.Run();
}

} // namespace disc
