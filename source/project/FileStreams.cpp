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

bool CopyFileInto(const std::string& source, std::int64_t expected, base::AtomicFile& out,
                  std::vector<char>& buffer, base::Progress& progress, std::string& error) {
    const Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        error = "cannot open " + source + ": " + Why();
        return false;
    }
    errno = 0;
    const std::int64_t copied = CopyBlocks(in.get(), out.Handle(), expected, buffer, progress);
    if (copied == expected) {
#if defined(__linux__)
        // Start writing these bytes to the disk now, so the flush before the file replaces the
        // old one has little left to wait for.
        ::sync_file_range(out.Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        return true;
    }
    if (errno != 0)
        error = "cannot write the project file: " + Why();
    else
        error = "cannot read " + source + " completely (it changed while saving?)";
    return false;
}

bool CopyOut(QFile& in, std::int64_t size, const std::string& target, std::vector<char>& buffer,
             base::Progress& progress, std::string& error) {
    const Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.get() < 0) {
        error = "cannot create " + target + ": " + Why();
        return false;
    }
    const qint64 start = in.pos();
    errno = 0;
    const std::int64_t copied = CopyBlocks(in.handle(), out.get(), size, buffer, progress);
    in.seek(start + copied);
    if (copied == size)
        return true;
    error =
        errno != 0 ? "cannot write " + target + ": " + Why() : std::string("the file ended early");
    return false;
}

bool OpenProjectForReading(const std::string& path, QFile& in, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot open " + path + ": " + Why();
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + Why();
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = path + " is not a regular file";
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!in.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle)) {
        ::close(fd);
        error = "cannot open " + path + ": " + in.errorString().toStdString();
        return false;
    }
    return true;
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
    std::string why;
    const bool copied =
        in.seek(area + static_cast<qint64>(offset)) &&
        CopyOut(in, static_cast<std::int64_t>(bytes), target, buffer, progress, why);
    in.seek(here);
    if (!copied) {
        RemoveFile(target);
        return base::Fail(why.empty() ? std::string("cannot read it") : why);
    }
    return target;
}

} // namespace project
