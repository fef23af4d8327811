#include "media/export/VideoSinkFrames.h"

#include "media/video/WriterFrames.h"

namespace media {

VideoSinkFrames::VideoSinkFrames(VideoSink& sink, base::Progress& progress, FramesReport onFrames,
                                 std::int64_t total, int share)
    : sink_(sink), progress_(progress), onFrames_(std::move(onFrames)), total_(total),
      share_(share) {}

base::Status VideoSinkFrames::Add(const imaging::Bitmap& frame) {
    if (!started_) {
        if (auto st = sink_.Start(frame); !st)
            return st;
        started_ = true;
    }
    if (count_ > 0 && SamePicture(held_, frame)) {
        ++count_;
        return {};
    }
    if (auto st = Flush(); !st)
        return st;
    held_ = frame;
    count_ = 1;
    return {};
}

base::Status VideoSinkFrames::Repeat(std::int64_t count) {
    if (count_ > 0 && count > 0)
        count_ += count;
    return {};
}

base::Status VideoSinkFrames::Flush() {
    if (count_ == 0)
        return {};
    const std::int64_t n = count_;
    count_ = 0;
    written_ += n;
    return sink_.AddFrames(held_, n);
}

std::optional<imaging::YuvMatrix> VideoSinkFrames::PlanesMatrix() const {
    // A sink takes frames drawn into its planes once started.
    return started_ ? sink_.ComposedMatrix() : std::nullopt;
}

base::Status VideoSinkFrames::AddPlanes(const PlanesDraw& draw) {
    // A moving picture does not repeat, so it is not compared with the one before.
    if (auto st = Flush(); !st)
        return st;
    ++written_;
    return sink_.AddComposedFrame(draw);
}

void VideoSinkFrames::Progress() {
    const std::int64_t done = Frames();
    progress_.SetPosition(static_cast<int>(done * share_ / total_));
    if (onFrames_)
        onFrames_(done, total_);
    progress_.Pump();
}

bool VideoSinkFrames::Stopped() {
    cancelled_ = cancelled_ || progress_.Cancelled();
    return cancelled_;
}

} // namespace media
