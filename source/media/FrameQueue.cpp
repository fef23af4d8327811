#include "media/FrameQueue.h"

#include <cstring>

namespace media {

FrameQueue::FrameQueue(Encoder encode, std::size_t depth)
    : encode_(std::move(encode)), depth_(depth < 1 ? 1 : depth), thread_(&FrameQueue::Work, this) {}

FrameQueue::~FrameQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

base::Status FrameQueue::Push(const imaging::Bgr& frame, std::int64_t count) {
    Item item;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_.size() < depth_ || !failure_; });
        if (!failure_)
            return failure_;
        if (!spare_.empty()) {
            item.Frame = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    // Copied outside the lock: the encoder goes on meanwhile.
    if (item.Frame.Width != frame.Width || item.Frame.Height != frame.Height)
        item.Frame = imaging::Bitmap::CreateUninitialised(frame.Width, frame.Height);
    std::memcpy(item.Frame.Bits, frame.Bits, static_cast<std::size_t>(frame.ByteSize));
    item.Count = count;
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(item));
    }
    changed_.notify_all();
    return {};
}

base::Status FrameQueue::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (waiting_.empty() && !busy_) || !failure_; });
    return failure_;
}

void FrameQueue::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        if (stopping_)
            return;
        Item item = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        lock.unlock();
        base::Status st = encode_(item.Frame, item.Count);
        lock.lock();
        busy_ = false;
        spare_.push_back(std::move(item.Frame));
        if (!st && failure_) {
            failure_ = std::move(st);
            waiting_.clear();
        }
        changed_.notify_all();
    }
}

} // namespace media
