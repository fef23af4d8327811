// The read-ahead of a disc write: a producer (a dedicated task of the thread pool) reads a stream
// of sectors (see iso/SessionStream) into a bounded queue of blocks of whole sectors, and the
// writer takes them one by one. The queue has a lock of its own; the cache's state another.
#pragma once

#include "base/BoundedQueue.h"
#include "disc/iso/SectorStream.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace disc {

// The refusal every write step gives once the user has cancelled.
inline constexpr char kAbortedByUser[] = "OPERATION ABORTED BY USER";

inline constexpr std::size_t kMinCacheSize = 2u << 20;
inline constexpr std::size_t kDefaultCacheSize = 4u << 20;

// At least 2 MiB, rounded down to whole sectors.
std::size_t NormalizeCacheSize(std::size_t bytes);

class WriteCache {
public:
    // blockBytes is a multiple of 2048.
    WriteCache(std::size_t cacheBytes, std::size_t blockBytes);
    WriteCache(const WriteCache&) = delete;
    WriteCache& operator=(const WriteCache&) = delete;
    // Cancels and joins the producer.
    ~WriteCache();

    // Starts the producer over the stream, which must outlive the queue.
    void Start(SectorStream& stream);

    // Waits until the queue first fills (or everything is queued); false when the producer
    // failed or was cancelled first (Error() says why).
    bool WaitFilled();

    // Moves the oldest block into out: its byte count; -1 when nothing was ready within
    // waitMs; 0 when everything was handed out or the producer stopped.
    long TakeBlock(std::vector<std::uint8_t>& out, int waitMs = 100);

    // Stops the producer and frees the queue; the error becomes "OPERATION ABORTED BY USER"
    // unless one is set already.
    void Cancel();
    // Stops the producer with an error of the writer's.
    void Fail(const std::string& error);

    std::string Error() const;
    int FillPercent() const;
    std::size_t QueueLimit() const { return limit_; }

private:
    void Produce(SectorStream* stream);
    bool Queue(std::vector<std::uint8_t> block);
    bool Emit(const std::uint8_t* data, std::size_t n);
    bool Flush();
    void SetError(const std::string& text);

    std::size_t cacheBytes_;
    std::size_t blockBytes_;
    std::size_t limit_;
    base::BoundedQueue<std::vector<std::uint8_t>> queue_; // limit_ - 1 blocks
    std::vector<std::uint8_t> carry_;                     // the producer's
    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_; // the state below
    std::condition_variable changed_;
    std::int64_t fill_ = 0; // bytes queued; may dip below 0 while a block is handed over
    bool done_ = false;
    bool filled_ = false;
    std::string error_;
    std::future<void> producer_;
};

} // namespace disc
