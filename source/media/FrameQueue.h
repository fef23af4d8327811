// FrameQueue: frames handed to an encoder on a thread of its own, a few ahead, so the caller
// composes the next frames while the encoder works on the last ones. The frames are copied (the
// caller reuses its picture); the encoder sees them in order. A failure of the encoder is kept
// and returned by the next Push or by Drain; the frames after it are dropped.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace media {

class FrameQueue {
public:
    using Encoder = std::function<base::Status(const imaging::Bgr& frame, std::int64_t count)>;

    // depth: frames waiting at most (besides the one being encoded).
    explicit FrameQueue(Encoder encode, std::size_t depth = 2);
    ~FrameQueue(); // drops what still waits, and waits for the frame being encoded
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Queues `count` frames of the picture, waiting while the queue is full.
    base::Status Push(const imaging::Bgr& frame, std::int64_t count);
    // Waits until every frame queued is encoded; the first failure, if any.
    base::Status Drain();

private:
    struct Item {
        imaging::Bitmap Frame;
        std::int64_t Count = 0;
    };
    void Work();

    Encoder encode_;
    std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> waiting_;
    std::vector<imaging::Bitmap> spare_; // buffers of encoded frames, for the next copies
    bool busy_ = false;
    bool stopping_ = false;
    base::Status failure_;
    std::thread thread_;
};

} // namespace media
