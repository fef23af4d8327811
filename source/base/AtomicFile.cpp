#include "base/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

namespace {

std::string Why() {
    return std::strerror(errno);
}

std::string DirOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return path.substr(0, slash + 1);
}

// Follows the links of path (also one that points nowhere yet) to the name the file really has.
Result<std::string> FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return Fail("cannot read the link " + path + ": " + Why());
        link.resize(static_cast<std::size_t>(n));
        path = !link.empty() && link.front() == '/' ? link : DirOf(path) + link;
    }
    return Fail(path + ": too many levels of links");
}

} // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::AtomicFile(std::string path, std::string tempSuffix)
    : path_(std::move(path)), suffix_(std::move(tempSuffix)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

Status AtomicFile::Open() {
    Discard();
    auto target = FollowLinks(path_);
    if (!target)
        return Fail(target.error());
    target_ = *target;
    struct stat st {};
    mode_t mode = 0666;
    bool keepMode = false;
    if (::stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Fail(path_ + " is not a regular file (a folder, a device or a pipe); it is " +
                        "left alone, choose another name");
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    if (!suffix_.empty()) {
        const std::string name = target_ + suffix_;
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
        struct stat made {};
        if (fd < 0 || ::fstat(fd, &made) != 0 || !S_ISREG(made.st_mode)) {
            const std::string why = fd < 0 ? Why() : "it is not a regular file";
            if (fd >= 0)
                ::close(fd);
            return Fail("cannot create " + name + ": " + why);
        }
        fd_ = fd;
        temp_ = name;
        if (keepMode)
            ::fchmod(fd_, mode);
        return {};
    }
    // A random name beside the target, so the rename stays on one file system.
    std::random_device random;
    const std::string dir = DirOf(target_);
    const std::string base = target_.substr(dir.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            dir + "." + base + "." + std::to_string(random() % 1000000000u) + ".part";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = name;
            if (keepMode)
                ::fchmod(fd_, mode); // the old file's mode, not the one the umask leaves
            return {};
        }
        if (errno != EEXIST)
            return Fail("cannot create " + path_ + ": " + Why());
    }
    return Fail("cannot create a temporary file beside " + target_);
}

Status AtomicFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail("cannot write " + path_ + ": " + (n < 0 ? Why() : "nothing written"));
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

Status AtomicFile::Commit(Durability durability) {
    if (fd_ < 0)
        return Fail("cannot write " + path_ + ": the file is not open");
    if (durability == Durability::Flushed && ::fdatasync(fd_) != 0) {
        const std::string why = Why();
        Discard();
        return Fail("cannot write " + path_ + ": " + why);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const std::string why = Why();
        ::unlink(temp_.c_str());
        temp_.clear();
        return Fail("cannot write " + path_ + ": " + why);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const std::string why = Why();
        ::unlink(temp_.c_str());
        temp_.clear();
        return Fail("cannot replace " + path_ + ": " + why);
    }
    temp_.clear();
    return {};
}

void AtomicFile::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

} // namespace base
