#include "disc/WriteCache.h"

#include "disc/SectorSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

namespace {

constexpr char kAborted[] = "OPERATION ABORTED BY USER";

struct FileHandle {
    int fd = -1;
    explicit FileHandle(int f) : fd(f) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string OpenText(const std::string& path) {
    return "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE";
}

} // namespace

std::size_t NormalizeCacheSize(std::size_t bytes) {
    bytes = std::max(bytes, kMinCacheSize);
    return bytes - bytes % kSectorBytes;
}

WriteCache::WriteCache(std::mutex& lock, std::size_t cacheBytes, std::size_t blockBytes)
    : lock_(lock), cacheBytes_(NormalizeCacheSize(cacheBytes)), blockBytes_(blockBytes),
      limit_(std::max<std::size_t>(2, cacheBytes_ / blockBytes)) {}

WriteCache::~WriteCache() {
    {
        // Under the lock, so the producer cannot miss the wake-up between its check and wait.
        std::lock_guard guard(lock_);
        cancel_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void WriteCache::Start(const IsoImageBuilder& builder, std::uint64_t totalBytes) {
    thread_ = std::thread(&WriteCache::Produce, this, &builder, totalBytes);
}

void WriteCache::SetError(const std::string& text) {
    std::lock_guard guard(lock_);
    if (error_.empty())
        error_ = text;
    done_ = true;
    changed_.notify_all();
}

bool WriteCache::Queue(std::vector<std::uint8_t> block) {
    std::unique_lock guard(lock_);
    while (!cancel_ && queue_.size() + 1 >= limit_) {
        filled_ = true;
        changed_.notify_all();
        changed_.wait(guard);
    }
    if (cancel_)
        return false;
    fill_ += static_cast<std::int64_t>(block.size());
    queue_.push_back(std::move(block));
    changed_.notify_all();
    return true;
}

bool WriteCache::Emit(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const std::size_t take = std::min(n, blockBytes_ - carry_.size());
        carry_.insert(carry_.end(), data, data + take);
        data += take;
        n -= take;
        if (carry_.size() == blockBytes_) {
            if (!Queue(std::move(carry_)))
                return false;
            carry_ = {};
            carry_.reserve(blockBytes_);
        }
    }
    return true;
}

bool WriteCache::Flush() {
    if (carry_.empty())
        return true;
    const bool ok = Queue(std::move(carry_));
    carry_ = {};
    return ok;
}

void WriteCache::Produce(const IsoImageBuilder* builder, std::uint64_t totalBytes) {
    carry_.reserve(blockBytes_);
    const auto& head = builder->Header();
    std::uint64_t emitted = 0;
    auto abort = [&] { SetError(kAborted); };
    if (!Emit(head.data(), std::min<std::uint64_t>(head.size(), totalBytes)))
        return abort();
    emitted = std::min<std::uint64_t>(head.size(), totalBytes);
    std::uint64_t sector = builder->Layout().FirstFile;
    std::vector<std::uint8_t> buffer(256 * 1024);
    for (const auto& f : builder->Files()) {
        if (f->IsDirectory() || f->Imported || f->Size == 0 || f->SourcePath.empty())
            continue;
        if (f->Extent != sector)
            return SetError("the image layout is out of date");
        {
            std::lock_guard guard(lock_);
            currentFile_ = f->SourcePath;
        }
        const int fd = ::open(f->SourcePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return SetError(OpenText(f->SourcePath));
        FileHandle in(fd);
        Checksum sum;
        std::uint64_t left = f->Size;
        while (left > 0) {
            if (cancel_)
                return abort();
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            const ssize_t got = ::read(fd, buffer.data(), want);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return SetError("CAN'T READ FILE \"" + f->SourcePath +
                                "\": " + std::strerror(errno));
            if (got == 0)
                return SetError("FILE \"" + f->SourcePath + "\" CHANGED SIZE DURING THE WRITE");
            sum.Add(buffer.data(), static_cast<std::size_t>(got));
            if (!Emit(buffer.data(), static_cast<std::size_t>(got)))
                return abort();
            left -= static_cast<std::uint64_t>(got);
        }
        // A file that grew would have its tail cut off on the disc.
        std::uint8_t extra = 0;
        if (::read(fd, &extra, 1) > 0)
            return SetError("FILE \"" + f->SourcePath + "\" CHANGED SIZE DURING THE WRITE");
        const std::uint64_t sectors = (f->Size + kSectorBytes - 1) / kSectorBytes;
        const std::size_t pad = static_cast<std::size_t>(sectors * kSectorBytes - f->Size);
        std::fill_n(buffer.begin(), pad, 0);
        if (!Emit(buffer.data(), pad))
            return abort();
        emitted += sectors * kSectorBytes;
        sector += sectors;
        std::lock_guard guard(lock_);
        written_.push_back({f.get(), sum.value});
    }
    if (emitted > totalBytes)
        return SetError("the image does not fit its track");
    std::fill(buffer.begin(), buffer.end(), 0);
    for (std::uint64_t left = totalBytes - emitted; left > 0;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (cancel_ || !Emit(buffer.data(), n))
            return abort();
        left -= n;
    }
    if (!Flush())
        return abort();
    std::lock_guard guard(lock_);
    filled_ = true;
    done_ = true;
    changed_.notify_all();
}

bool WriteCache::WaitFilled() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return filled_ || !error_.empty() || done_; });
    return error_.empty();
}

long WriteCache::TakeBlock(std::vector<std::uint8_t>& out, int waitMs) {
    std::unique_lock guard(lock_);
    if (!error_.empty())
        return 0;
    if (queue_.empty()) {
        if (done_)
            return 0;
        changed_.wait_for(guard, std::chrono::milliseconds(waitMs),
                          [&] { return !queue_.empty() || done_ || !error_.empty(); });
        if (!error_.empty())
            return 0;
        if (queue_.empty())
            return done_ ? 0 : -1;
    }
    out = std::move(queue_.front());
    queue_.pop_front();
    fill_ -= static_cast<std::int64_t>(out.size());
    changed_.notify_all();
    return static_cast<long>(out.size());
}

void WriteCache::Cancel() {
    Fail(kAborted);
}

void WriteCache::Fail(const std::string& error) {
    std::lock_guard guard(lock_);
    cancel_ = true;
    if (error_.empty())
        error_ = error;
    queue_.clear();
    fill_ = 0;
    changed_.notify_all();
}

std::string WriteCache::Error() const {
    std::lock_guard guard(lock_);
    return error_;
}

std::string WriteCache::CurrentFile() const {
    std::lock_guard guard(lock_);
    return currentFile_;
}

int WriteCache::FillPercent() const {
    const std::int64_t fill = fill_.load();
    return static_cast<int>((fill * 100 + static_cast<std::int64_t>(cacheBytes_) / 2) /
                            static_cast<std::int64_t>(cacheBytes_));
}

std::vector<WrittenFile> WriteCache::Written() const {
    std::lock_guard guard(lock_);
    return written_;
}

} // namespace disc
