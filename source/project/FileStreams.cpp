#include "project/FileStreams.h"

#include "imaging/ImageLoad.h"
#include "project/Import.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace project {

namespace {

// Copies count bytes from the current offset of inFd to the current offset of outFd, one block
// of at most the buffer's size at a time, pumping events after each. The kernel copies the
// bytes where it can (no trip through this process); otherwise they go through the buffer.
// Returns the bytes copied; fewer than count means a short file or an error (errno).
std::int64_t CopyBlocks(int inFd, int outFd, std::int64_t count, std::vector<char>& buffer,
                        base::Progress& progress) {
    bool kernelCopy = true;
    std::int64_t copied = 0;
    while (copied < count) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(count - copied, static_cast<std::int64_t>(buffer.size())));
        ssize_t done = -1;
        if (kernelCopy) {
            done = ::copy_file_range(inFd, nullptr, outFd, nullptr, want, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            done = ::read(inFd, buffer.data(), want);
            if (done > 0) {
                ssize_t written = 0;
                while (written < done) {
                    const ssize_t w = ::write(outFd, buffer.data() + written,
                                              static_cast<std::size_t>(done - written));
                    if (w <= 0)
                        return copied + written;
                    written += w;
                }
            }
        }
        if (done <= 0)
            return copied;
        copied += done;
        progress.Pump();
    }
    return copied;
}

// A descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string Why() {
    return std::strerror(errno);
}

base::Status CopyFileInto(const std::string& source, std::int64_t expected, base::AtomicFile& out,
                          std::vector<char>& buffer, base::Progress& progress) {
    const Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return base::Fail("cannot open " + source + ": " + Why());
    errno = 0;
    const std::int64_t copied = CopyBlocks(in.get(), out.Handle(), expected, buffer, progress);
    if (copied == expected) {
#if defined(__linux__)
        // Start writing these bytes to the disk now, so the flush before the file replaces the
        // old one has little left to wait for.
        ::sync_file_range(out.Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        return {};
    }
    if (errno != 0)
        return base::Fail("cannot write the project file: " + Why());
    return base::Fail("cannot read " + source + " completely (it changed while saving?)");
}

base::Status CopyOut(QFile& in, std::int64_t size, const std::string& target,
                     std::vector<char>& buffer, base::Progress& progress) {
    const Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return base::Fail("cannot create " + target + ": " + Why());
    const qint64 start = in.pos();
    errno = 0;
    const std::int64_t copied = CopyBlocks(in.handle(), out.get(), size, buffer, progress);
    in.seek(start + copied);
    if (copied == size)
        return {};
    return base::Fail(errno != 0 ? "cannot write " + target + ": " + Why()
                                 : std::string("the file ended early"));
}

base::Status OpenProjectForReading(const std::string& path, QFile& in) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return base::Fail("cannot open " + path + ": " + Why());
    if (!S_ISREG(st.st_mode))
        return base::Fail(path + " is not a regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return base::Fail("cannot open " + path + ": " + Why());
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return base::Fail(path + " is not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!in.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle)) {
        ::close(fd);
        return base::Fail("cannot open " + path + ": " + in.errorString().toStdString());
    }
    return {};
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

base::Result<std::string> CopyStoredOut(QFile& in, std::int64_t area, std::uint64_t offset,
                                        std::uint64_t bytes, const std::string& name, bool clip,
                                        const WorkFiles& files, std::vector<char>& buffer,
                                        base::Progress& progress) {
    std::string ext = ExtensionOf(name);
    if (clip ? !IsClipExtension(ext) : !imaging::IsPhotoExtension(ext))
        ext = clip ? ".mp4" : ".original"; // a clip's container is found from its bytes
    const std::string target = files.MakePictureName(ext);
    if (target.empty())
        return base::Fail("no free working name for it");
    const qint64 here = in.pos();
    base::Status copied = base::Fail("cannot read it");
    if (in.seek(area + static_cast<qint64>(offset)))
        copied = CopyOut(in, static_cast<std::int64_t>(bytes), target, buffer, progress);
    in.seek(here);
    if (!copied) {
        RemoveFile(target);
        return base::Fail(copied.error());
    }
    return target;
}

} // namespace project
