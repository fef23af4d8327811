#include "render/ClassicTransition.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace render {

ClassicTransition::ClassicTransition(const std::vector<project::Slide>& slides,
                                     const std::vector<SlideSpan>& spans,
                                     const std::vector<std::int32_t>& backs, FrameRate rate,
                                     PhotoPlayer& photos)
    : slides_(slides), spans_(spans), backs_(backs), rate_(rate), photos_(photos) {}

void ClassicTransition::Step(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                             bool holdsFrameBefore) {
    const SlideSpan& span = spans_[i];
    const bool stepping =
        frame_ >= span.Cut && frame_ < n && slide_ == static_cast<std::int64_t>(i);
    // A caller drawing frame after frame into one picture (the export) hands back the frame
    // before; any other picture gets the copy kept of the last frame stepped, when one was kept.
    const bool sameTarget = holdsFrameBefore && stepping && frame_ + 1 == n;
    const bool fromCopy = stepping && !sameTarget && savedFrame_ == frame_ &&
                          copy_.Width == frame.Width && copy_.Height == frame.Height;
    std::int64_t from = span.Cut;
    if (sameTarget || fromCopy) {
        from = frame_ + 1;
        if (fromCopy)
            std::memcpy(frame.Bits, copy_.Bits, static_cast<std::size_t>(frame.ByteSize));
    } else {
        // From the outgoing still at the cut, as the video reaches it.
        photos_.RenderStill(frame, i);
        std::optional<imaging::SlideSource> incoming;
        if (i + 1 < slides_.size())
            incoming = photos_.Incoming(i + 1);
        imaging::TransitionParams params;
        params.Kind = slides_[i].TransitionKind;
        params.Seconds = static_cast<std::int32_t>(span.TransitionMs / 1000);
        params.BackColor = backs_[i];
        state_.Start(static_cast<std::int32_t>(i), params, incoming);
        slide_ = static_cast<std::int64_t>(i);
    }
    // Each frame shows the transition at its own time: at 25 frames per second frame f shows it
    // at 40·f ms after the cut. A transition that is over stops itself, and its later steps draw
    // nothing.
    for (std::int64_t k = from; k <= n; ++k) {
        state_.SetElapsed(
            std::max<std::int64_t>(0, ShowTimeline::MsOfFrame(k, rate_) - span.CutMs));
        state_.Step(frame);
    }
    // A caller that draws frame after frame into one picture needs no copy; one that hands a
    // different picture each time (the preview's queue) steps on from the copy.
    if (!holdsFrameBefore) {
        copy_ = frame;
        savedFrame_ = n;
    }
    frame_ = n;
}

void ClassicTransition::End() {
    state_.Stop();
    frame_ = -1;
    slide_ = -1;
    savedFrame_ = -1;
    photos_.DropIncoming();
}

} // namespace render
