#include "disc/burn/WriteCache.h"

#include "base/ThreadPool.h"
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
      limit_(std::max<std::size_t>(2, cacheBytes_ / blockBytes)), queue_(limit_ - 1) {}

WriteCache::~WriteCache() {
    cancel_ = true;
    queue_.Close(); // wakes a producer waiting for room
    queue_.Clear();
    if (producer_.valid())
        producer_.wait();
}

void WriteCache::Start(SectorStream& stream) {
    producer_ = base::ThreadPool::Shared().Spawn([this, &stream] { Produce(&stream); });
}

void WriteCache::SetError(const std::string& text) {
    {
        std::lock_guard guard(lock_);
        if (error_.empty())
            error_ = text;
        done_ = true;
        changed_.notify_all();
    }
    queue_.Close();
}

bool WriteCache::Queue(std::vector<std::uint8_t> block) {
    if (cancel_)
        return false;
    const auto bytes = static_cast<std::int64_t>(block.size());
    if (!queue_.TryPush(block)) {
        {
            // Full: the writer may start.
            std::lock_guard guard(lock_);
            filled_ = true;
            changed_.notify_all();
        }
        if (!queue_.Push(std::move(block)))
            return false; // cancelled meanwhile
    }
    std::lock_guard guard(lock_);
    if (!cancel_)
        fill_ += bytes;
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
    {
        std::lock_guard guard(lock_);
        filled_ = true;
        done_ = true;
        changed_.notify_all();
    }
    queue_.Close(); // the writer takes what is left, then hears the end
}

bool WriteCache::WaitFilled() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return filled_ || !error_.empty() || done_; });
    return error_.empty();
}

long WriteCache::TakeBlock(std::vector<std::uint8_t>& out, int waitMs) {
    if (!Error().empty())
        return 0;
    switch (queue_.PopFor(out, std::chrono::milliseconds(waitMs))) {
    case base::BoundedQueue<std::vector<std::uint8_t>>::Popped::Item: {
        std::lock_guard guard(lock_);
        if (!cancel_)
            fill_ -= static_cast<std::int64_t>(out.size());
        return static_cast<long>(out.size());
    }
    case base::BoundedQueue<std::vector<std::uint8_t>>::Popped::TimedOut:
        return Error().empty() ? -1 : 0;
    case base::BoundedQueue<std::vector<std::uint8_t>>::Popped::Ended:
        break;
    }
    return 0;
}

void WriteCache::Cancel() {
    Fail(kAbortedByUser);
}

void WriteCache::Fail(const std::string& error) {
    {
        std::lock_guard guard(lock_);
        cancel_ = true;
        if (error_.empty())
            error_ = error;
        fill_ = 0;
        changed_.notify_all();
    }
    queue_.Close();
    queue_.Clear();
}

std::string WriteCache::Error() const {
    std::lock_guard guard(lock_);
    return error_;
}

int WriteCache::FillPercent() const {
    std::int64_t fill = 0;
    {
        std::lock_guard guard(lock_);
        fill = std::max<std::int64_t>(0, fill_);
    }
    return static_cast<int>((fill * 100 + static_cast<std::int64_t>(cacheBytes_) / 2) /
                            static_cast<std::int64_t>(cacheBytes_));
}

} // namespace disc
