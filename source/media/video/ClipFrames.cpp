#include "media/video/ClipFrames.h"

#include "media/video/ClipDecoder.h"
#include "media/video/ClipFilter.h"
#include "media/video/ClipInput.h"
#include "media/video/ClipProbe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace media {

namespace {
constexpr AVRational kMicroseconds{1, 1'000'000};
} // namespace

ClipFrames::~ClipFrames() = default;

base::Result<std::unique_ptr<ClipFrames>> ClipFrames::OpenFile(const std::string& path,
                                                               const ClipFramesOptions& options,
                                                               const ClipLimits& limits) {
    auto input = ClipInput::OpenFile(path, limits);
    if (!input)
        return base::Fail(input.error());
    return Open(std::move(*input), options);
}

base::Result<std::unique_ptr<ClipFrames>> ClipFrames::Open(std::unique_ptr<ClipInput> input,
                                                           const ClipFramesOptions& options) {
    auto info = ProbeClip(*input);
    if (!info)
        return base::Fail(info.error());
    std::unique_ptr<ClipFrames> f(new ClipFrames);
    f->info_ = *info;
    f->options_ = options;
    if (f->options_.Width <= 0 || f->options_.Height <= 0) {
        f->options_.Width = info->Width;
        f->options_.Height = info->Height;
    } else if (f->options_.FitWithin && info->Width > 0 && info->Height > 0) {
        const double scale = std::min(double(f->options_.Width) / info->Width,
                                      double(f->options_.Height) / info->Height);
        const auto even = [](double side, int box) {
            return std::min(box, std::max(2, static_cast<int>(std::lround(side / 2.0)) * 2));
        };
        f->options_.Width = even(info->Width * scale, f->options_.Width);
        f->options_.Height = even(info->Height * scale, f->options_.Height);
    }
    if (f->options_.Width > imaging::kMaxSide || f->options_.Height > imaging::kMaxSide)
        return input->Fail("the pictures asked for are too large");
    input->ReadOnly(input->Video());
    auto decoder = ClipDecoder::Open(*input, input->Video(), options.Threads);
    if (!decoder)
        return base::Fail(decoder.error());
    f->decoder_ = std::move(*decoder);
    f->input_ = std::move(input);
    for (FfPtr<AVFrame>* frame : {&f->held_, &f->ahead_, &f->decoded_, &f->current_, &f->next_}) {
        frame->reset(av_frame_alloc());
        if (!*frame)
            return f->input_->Fail("out of memory");
    }
    return f;
}

std::int64_t ClipFrames::ClipUs(std::int64_t pts, AVRational timeBase) const {
    const std::int64_t us = av_rescale_q(pts, timeBase, kMicroseconds);
    if (!ClipTimeSane(us))
        return us < 0 ? -kClipFarTime : kClipFarTime;
    return us - input_->Origin();
}

// A decoded frame's time: the decoder's best guess, or one frame after the one before.
void ClipFrames::Stamp(AVFrame& frame) {
    std::int64_t pts = frame.best_effort_timestamp;
    const AVRational tb = decoder_->Stream().time_base;
    if (pts == AV_NOPTS_VALUE || !ClipTimeSane(pts) ||
        (lastPts_ != AV_NOPTS_VALUE && pts <= lastPts_)) {
        const double rate = info_.FrameRate > 0 ? std::clamp(info_.FrameRate, 1.0, 1000.0) : 25;
        const std::int64_t step = std::max<std::int64_t>(
            1, av_rescale_q(1, AVRational{1000, static_cast<int>(rate * 1000)}, tb));
        pts = lastPts_ == AV_NOPTS_VALUE ? 0 : lastPts_ + step;
    }
    frame.pts = pts;
    lastPts_ = pts;
}

// The next decoded frame to convert. After a seek, a frame followed by another that is still at
// or before the seek point is never on screen, and is dropped before conversion.
base::Result<bool> ClipFrames::NextDecoded(AVFrame& out) {
    av_frame_unref(&out);
    if (!heldValid_) {
        auto got = decoder_->Next(*held_);
        if (!got)
            return base::Fail(got.error());
        if (!*got)
            return false;
        Stamp(*held_);
        heldValid_ = true;
    }
    const AVRational tb = decoder_->Stream().time_base;
    while (skipping_) {
        auto got = decoder_->Next(*ahead_);
        if (!got)
            return base::Fail(got.error());
        if (!*got) {
            skipping_ = false;
            break;
        }
        Stamp(*ahead_);
        if (ClipUs(ahead_->pts, tb) <= skipToUs_) {
            std::swap(held_, ahead_); // the held frame is covered before the seek point
            continue;
        }
        av_frame_move_ref(&out, held_.get());
        av_frame_move_ref(held_.get(), ahead_.get());
        skipping_ = false;
        return true;
    }
    av_frame_move_ref(&out, held_.get());
    heldValid_ = false;
    return true;
}

// The next converted picture into next_; false once the clip has no more.
base::Result<bool> ClipFrames::Advance() {
    for (;;) {
        if (filter_) {
            auto pulled = filter_->Pull(*next_);
            if (!pulled)
                return base::Fail(pulled.error());
            if (*pulled) {
                hasNext_ = true;
                return true;
            }
            if (filter_->Ended())
                return false;
        }
        if (decoderDone_) {
            if (!filter_)
                return false;
            if (auto pushed = filter_->Push(nullptr); !pushed)
                return base::Fail(pushed.error());
            continue;
        }
        auto got = NextDecoded(*decoded_);
        if (!got)
            return base::Fail(got.error());
        if (!*got) {
            decoderDone_ = true;
            continue;
        }
        if (!filter_ || !filter_->Takes(*decoded_)) {
            // A stream that changes its size midway gets a graph for the new size.
            auto made =
                ClipFilter::Open(input_->Name(), info_, *decoded_, decoder_->Stream().time_base,
                                 options_.Width, options_.Height, options_.Threads);
            if (!made)
                return base::Fail(made.error());
            filter_ = std::move(*made);
        }
        if (auto pushed = filter_->Push(decoded_.get()); !pushed)
            return base::Fail(pushed.error());
    }
}

base::Status ClipFrames::Seek(std::int64_t ms) {
    ms = std::clamp<std::int64_t>(ms, 0, kClipFarTime / 1000);
    if (auto sought = decoder_->Seek(ms); !sought)
        return sought;
    filter_.reset();
    heldValid_ = false;
    skipping_ = true;
    skipToUs_ = ms * 1000;
    decoderDone_ = false;
    hasCurrent_ = hasNext_ = ended_ = false;
    lastPts_ = AV_NOPTS_VALUE;
    return {};
}

base::Result<const imaging::Bitmap*> ClipFrames::FrameAt(std::int64_t ms) {
    ms = std::clamp<std::int64_t>(ms, -kClipFarTime / 1000, kClipFarTime / 1000);
    if (!hasCurrent_) {
        auto first = Advance();
        if (!first)
            return base::Fail(first.error());
        if (!*first)
            return input_->Fail("it has no pictures to show");
        std::swap(current_, next_);
        hasNext_ = false;
        hasCurrent_ = fresh_ = true;
    }
    for (;;) {
        if (!hasNext_ && !ended_) {
            auto more = Advance();
            if (!more)
                return base::Fail(more.error());
            ended_ = !*more;
        }
        if (!hasNext_ || ClipUs(next_->pts, filter_->TimeBase()) > ms * 1000)
            break;
        std::swap(current_, next_);
        hasNext_ = false;
        fresh_ = true;
    }
    if (fresh_)
        Convert();
    return &picture_;
}

std::int64_t ClipFrames::PictureMs() const {
    if (!hasCurrent_ || !filter_)
        return 0;
    return ClipUs(current_->pts, filter_->TimeBase()) / 1000;
}

void ClipFrames::Convert() {
    fresh_ = false;
    const AVFrame& f = *current_;
    if (picture_.Width != f.width || picture_.Height != f.height)
        picture_.SetSizeUninitialised(f.width, f.height);
    const auto rowBytes = static_cast<std::size_t>(f.width) * 3;
    for (int y = 0; y < f.height; ++y)
        std::memcpy(picture_.Row(y), f.data[0] + static_cast<std::ptrdiff_t>(y) * f.linesize[0],
                    rowBytes);
}

} // namespace media
