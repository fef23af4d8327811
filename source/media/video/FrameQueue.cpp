#include "media/video/FrameQueue.h"

#include "base/ThreadPool.h"

extern "C" {
#include <libavutil/buffer.h>
}

namespace media {

namespace {

// Rows start on 64-byte boundaries, as the encoder's own copies like them.
int Aligned(int bytes) {
    return (bytes + 63) / 64 * 64;
}

} // namespace

FrameQueue::FrameQueue(int width, int height, imaging::YuvMatrix matrix, Encoder encode,
                       std::size_t depth)
    : width_(width), height_(height), matrix_(matrix), lumaStride_(Aligned(width)),
      chromaStride_(Aligned((width + 1) / 2)),
      pool_(av_buffer_pool_init(static_cast<std::size_t>(lumaStride_) *
                                        static_cast<std::size_t>(height) +
                                    2 * static_cast<std::size_t>(chromaStride_) *
                                        static_cast<std::size_t>((height + 1) / 2) +
                                    64,
                                nullptr)),
      encode_(std::move(encode)), waiting_(depth < 1 ? 1 : depth),
      encoder_(base::ThreadPool::Shared().Spawn([this] { Work(); })) {}

FrameQueue::~FrameQueue() {
    waiting_.Close();
    waiting_.Clear();
    encoder_.wait();
}

FfPtr<AVFrame> FrameQueue::NewFrame() {
    if (!pool_ || width_ < 1 || height_ < 1)
        return nullptr;
    FfPtr<AVFrame> f(av_frame_alloc());
    if (!f)
        return nullptr;
    f->buf[0] = av_buffer_pool_get(pool_.get());
    if (!f->buf[0])
        return nullptr;
    f->format = AV_PIX_FMT_YUV420P;
    f->width = width_;
    f->height = height_;
    std::uint8_t* at = f->buf[0]->data;
    f->data[0] = at;
    f->data[1] = at + static_cast<std::ptrdiff_t>(lumaStride_) * height_;
    f->data[2] = f->data[1] + static_cast<std::ptrdiff_t>(chromaStride_) * ((height_ + 1) / 2);
    f->linesize[0] = lumaStride_;
    f->linesize[1] = f->linesize[2] = chromaStride_;
    return f;
}

base::Status FrameQueue::Push(const imaging::Bgr& frame, std::int64_t count) {
    if (frame.Width != width_ || frame.Height != height_)
        return base::Fail("Failed to add Frame: the picture is not of the video's size");
    return PushComposed(
        [&](const imaging::Yuv420Planes& planes) { imaging::BgrToYuv420(frame, planes, matrix_); },
        count);
}

base::Status FrameQueue::PushComposed(const Composer& compose, std::int64_t count) {
    // Room first, as many frames in flight as the queue holds and no more.
    if (!waiting_.WaitForRoom()) {
        std::lock_guard lock(mutex_);
        return failure_;
    }
    Item item{NewFrame(), count};
    if (!item.Frame)
        return base::Fail("Out of memory for a video frame");
    // Drawn outside the queue's lock: the encoder goes on meanwhile.
    compose(imaging::Yuv420Planes{item.Frame->data[0], item.Frame->data[1], item.Frame->data[2],
                                  item.Frame->linesize[0], item.Frame->linesize[1],
                                  item.Frame->linesize[2]});
    // The encoder may have failed while this frame was drawn: the queue is closed then.
    if (!waiting_.Push(std::move(item))) {
        std::lock_guard lock(mutex_);
        return failure_;
    }
    return {};
}

base::Status FrameQueue::Drain() {
    waiting_.WaitDone();
    std::lock_guard lock(mutex_);
    return failure_;
}

void FrameQueue::Work() {
    while (std::optional<Item> item = waiting_.Pop()) {
        base::Status st = encode_(*item->Frame, item->Count);
        item->Frame.reset(); // the buffer goes back to the pool unless the encoder kept it
        if (!st) {
            {
                std::lock_guard lock(mutex_);
                if (failure_)
                    failure_ = std::move(st);
            }
            // The frames after a failure are dropped, and pushes refused.
            waiting_.Close();
            waiting_.Clear();
        }
        waiting_.Done();
    }
}

} // namespace media
