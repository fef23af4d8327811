// The read-ahead of a disc write: a producer thread turns the image head and the new files'
// contents into a bounded queue of blocks of whole sectors, exactly the sectors the layout
// assigned (each file zero-padded to its last sector, zeros up to the track's end), and the
// writer takes them one by one. The queue is guarded by the device's mutex.
#pragma once

#include "disc/IsoImageBuilder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace disc {

inline constexpr std::size_t kMinCacheSize = 2u << 20;
inline constexpr std::size_t kDefaultCacheSize = 4u << 20;

// At least 2 MiB, rounded down to whole sectors.
std::size_t NormalizeCacheSize(std::size_t bytes);

// A 64-bit FNV-1a checksum, fed piece by piece.
struct Checksum {
    std::uint64_t value = 0xCBF29CE484222325ull;
    void Add(const std::uint8_t* data, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            value = (value ^ data[i]) * 0x100000001B3ull;
    }
};

// What the writer wrote of one new file, for the verify pass.
struct WrittenFile {
    const FileEntry* entry = nullptr;
    std::uint64_t checksum = 0;
};

class WriteCache {
public:
    // lock guards the queue (the device's hand-over mutex); blockBytes is a multiple of 2048.
    WriteCache(std::mutex& lock, std::size_t cacheBytes, std::size_t blockBytes);
    WriteCache(const WriteCache&) = delete;
    WriteCache& operator=(const WriteCache&) = delete;
    // Cancels and joins the producer.
    ~WriteCache();

    // Starts the producer over a prepared builder; totalBytes (a multiple of 2048, at least
    // the head) is what is handed out in all, zeros after the last file.
    void Start(const IsoImageBuilder& builder, std::uint64_t totalBytes);

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
    std::string CurrentFile() const;
    int FillPercent() const;
    std::size_t QueueLimit() const { return limit_; }
    // Checksums of the files queued so far, in writing order.
    std::vector<WrittenFile> Written() const;

private:
    void Produce(const IsoImageBuilder* builder, std::uint64_t totalBytes);
    bool Queue(std::vector<std::uint8_t> block);
    bool Emit(const std::uint8_t* data, std::size_t n);
    bool Flush();
    void SetError(const std::string& text);

    std::mutex& lock_;
    std::condition_variable_any changed_;
    std::size_t cacheBytes_;
    std::size_t blockBytes_;
    std::size_t limit_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::vector<std::uint8_t> carry_;
    std::atomic<std::int64_t> fill_{0};
    std::atomic<bool> cancel_{false};
    bool done_ = false;
    bool filled_ = false;
    std::string error_;
    std::string currentFile_;
    std::vector<WrittenFile> written_;
    std::thread thread_;
};

} // namespace disc
