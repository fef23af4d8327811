#include "disc/burn/WriteCache.h"

#include "disc/iso/SectorSource.h"

#include <algorithm>

namespace disc {

namespace {

constexpr std::size_t kReadBytes = 256 * 1024;

} // namespace

std::size_t NormalizeCacheSize(std::size_t bytes) {
    bytes = std::max(bytes, kMinCacheSize);
    return bytes - bytes % kSectorBytes;
}

WriteCache::WriteCache(std::size_t cacheBytes, std::size_t blockBytes)
    : cacheBytes_(NormalizeCacheSize(cacheBytes)), blockBytes_(blockBytes),
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

void WriteCache::Start(SectorStream& stream) {
    thread_ = std::thread(&WriteCache::Produce, this, &stream);
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

void WriteCache::Produce(SectorStream* stream) {
    carry_.reserve(blockBytes_);
    std::vector<std::uint8_t> buffer(kReadBytes);
    for (;;) {
        if (cancel_)
            return SetError(kAbortedByUser);
        auto got = stream->Read(buffer);
        if (!got)
            return SetError(got.error());
        if (*got == 0)
            break;
        if (!Emit(buffer.data(), *got))
            return SetError(kAbortedByUser);
    }
    if (!Flush())
        return SetError(kAbortedByUser);
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
    Fail(kAbortedByUser);
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

int WriteCache::FillPercent() const {
    const std::int64_t fill = fill_.load();
    return static_cast<int>((fill * 100 + static_cast<std::int64_t>(cacheBytes_) / 2) /
                            static_cast<std::int64_t>(cacheBytes_));
}

} // namespace disc
