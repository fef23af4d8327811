#include "ByteSource.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bass {

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        if (offset >= size_)
            return 0;
        if (n > size_ - offset)
            n = static_cast<std::size_t>(size_ - offset);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t r = ::pread(fd_, static_cast<char*>(buffer) + done, n - done,
                                      static_cast<off_t>(offset + done));
            if (r <= 0)
                break;
            done += static_cast<std::size_t>(r);
        }
        return done;
    }

private:
    int fd_;
    std::uint64_t size_;
};

class MemSource final : public ByteSource {
public:
    MemSource(const void* data, std::size_t size)
        : bytes_(static_cast<const std::uint8_t*>(data),
                 static_cast<const std::uint8_t*>(data) + size) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        // An empty read (a zero-length window included) copies nothing: memcpy must not see
        // the null data pointer of an empty vector.
        if (n == 0 || offset >= bytes_.size())
            return 0;
        if (n > bytes_.size() - offset)
            n = static_cast<std::size_t>(bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, n);
        return n;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::shared_ptr<ByteSource> OpenFileSource(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_shared<FileSource>(fd, static_cast<std::uint64_t>(st.st_size));
}

std::shared_ptr<ByteSource> MemorySource(const void* data, std::size_t size) {
    return std::make_shared<MemSource>(data, size);
}

} // namespace bass
