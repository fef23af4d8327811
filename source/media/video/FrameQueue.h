// FrameQueue: frames handed to an encoder running as a dedicated task of the thread pool, a few
// ahead, so the caller
// composes the next frames while the encoder works on the last ones. Each picture is converted to
// YUV 4:2:0 (imaging/Yuv420.h) as it is queued, straight into a buffer of the queue's pool: that
// conversion is the copy the caller needs anyway, since it reuses its picture. The encoder sees
// the frames in order, as reference-counted AVFrames it may keep a reference to (a picture it
// compares the next one with); a buffer goes back to the pool once no reference is left. A
// failure of the encoder is kept and returned by the next Push or by Drain; the frames after it
// are dropped.
#pragma once

#include "base/BoundedQueue.h"
#include "base/Result.h"
#include "imaging/Bgr.h"
#include "imaging/Yuv420.h"
#include "media/audio/FfPtr.h"

#include <cstdint>
#include <functional>
#include <future>
#include <mutex>

namespace media {

class FrameQueue {
public:
    using Encoder = std::function<base::Status(const AVFrame& frame, std::int64_t count)>;

    // Pictures of width x height (even sides) with the matrix's colours; depth: frames waiting at
    // most (besides the one being encoded).
    FrameQueue(int width, int height, imaging::YuvMatrix matrix, Encoder encode,
               std::size_t depth = 2);
    ~FrameQueue(); // drops what still waits, and waits for the frame being encoded
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Queues `count` frames of the picture (of the queue's size), waiting while the queue is full.
    base::Status Push(const imaging::Bgr& frame, std::int64_t count);
    // The same for a frame that compose draws straight into the planes of the queue's buffer.
    using Composer = std::function<void(const imaging::Yuv420Planes& planes)>;
    base::Status PushComposed(const Composer& compose, std::int64_t count);
    imaging::YuvMatrix Matrix() const { return matrix_; }
    // Waits until every frame queued is encoded; the first failure, if any.
    base::Status Drain();

private:
    struct Item {
        FfPtr<AVFrame> Frame;
        std::int64_t Count = 0;
    };
    void Work();
    // A frame of the queue's size over a buffer of the pool; null when memory runs out.
    FfPtr<AVFrame> NewFrame();

    int width_;
    int height_;
    imaging::YuvMatrix matrix_;
    int lumaStride_;
    int chromaStride_;
    FfPtr<AVBufferPool> pool_;
    Encoder encode_;
    base::BoundedQueue<Item> waiting_;
    std::mutex mutex_;
    base::Status failure_; // under mutex_
    std::future<void> encoder_;
};

} // namespace media
