#include "render/MovingFrames.h"

#include "imaging/Compose.h"
#include "imaging/FaceDetect.h"
#include "imaging/TransitionFrame.h"

#include <algorithm>

namespace render {

MovingFrames::MovingFrames(const std::vector<project::Slide>& slides, std::vector<SlideSpan> spans,
                           std::vector<std::int32_t> backColors)
    : slides_(slides), spans_(std::move(spans)), backs_(std::move(backColors)) {}

bool MovingFrames::MovingStill(std::size_t i) const {
    return i < slides_.size() && !slides_[i].Ext.Motion.IsStill();
}

bool MovingFrames::OwnTransition(std::size_t i) const {
    if (i >= slides_.size())
        return false;
    const auto& s = slides_[i];
    const bool nextMoves = i + 1 < slides_.size() && !slides_[i + 1].Ext.Motion.IsStill();
    return MovingStill(i) || nextMoves || s.Ext.TransitionKind != 0 || s.TransitionMs % 1000 != 0;
}

double MovingFrames::Progress(std::size_t i, std::int64_t n) const {
    return ShowTimeline::MotionProgress(spans_, i, n);
}

const imaging::Bitmap* MovingFrames::Picture(std::size_t i) {
    ++uses_;
    for (Held& h : held_)
        if (h.Index == i) {
            h.Used = uses_;
            return h.Read ? &h.Picture : nullptr;
        }
    // The picture used longest ago makes way, never the one just asked for: the two slides of a
    // transition are asked for one after the other, in any order, and both stay.
    Held& slot = held_[0].Used <= held_[1].Used ? held_[0] : held_[1];
    slot.Index = i;
    slot.Used = uses_;
    auto loaded = imaging::LoadSlidePicture(slides_[i].WorkFile);
    slot.Picture = loaded ? std::move(*loaded) : imaging::Bitmap();
    slot.Read = !slot.Picture.IsEmpty();
    slot.Found.reset();
    return slot.Read ? &slot.Picture : nullptr;
}

const std::vector<imaging::FaceBox>* MovingFrames::Faces(std::size_t i,
                                                         const imaging::Bitmap* picture) {
    const project::Slide& s = slides_[i];
    if (s.Ext.Motion.Mode != imaging::MotionMode::Auto)
        return nullptr;
    if (s.Faces)
        return &*s.Faces;
    // A show from before faces were looked for: found on the working picture, as an import would.
    for (Held& h : held_)
        if (h.Index == i && h.Read && &h.Picture == picture) {
            if (!h.Found)
                h.Found = imaging::DetectFaces(h.Picture);
            return &*h.Found;
        }
    return nullptr;
}

imaging::MovingSlide MovingFrames::SlideAt(std::size_t i, std::int64_t n) {
    imaging::MovingSlide slide;
    slide.Picture = Picture(i);
    slide.BackColor = backs_[i];
    slide.Motion = slides_[i].Ext.Motion;
    slide.SlideIndex = static_cast<int>(i);
    slide.Faces = Faces(i, slide.Picture);
    slide.U = Progress(i, n);
    return slide;
}

MovingFrames::TransitionTime MovingFrames::TimeOf(std::size_t i, std::int64_t n, int fps) const {
    const auto& s = slides_[i];
    TransitionTime time;
    time.Code = s.Ext.TransitionKind != 0 ? s.Ext.TransitionKind : s.TransitionKind;
    time.D = static_cast<double>(spans_[i].TransitionMs) / 1000.0;
    time.T = static_cast<double>(std::max<std::int64_t>(
                 ShowTimeline::MsOfFrame(n, FrameRate::Fps(fps)) - spans_[i].CutMs, 0)) /
             1000.0;
    return time;
}

bool MovingFrames::Still(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int /*fps*/) {
    const imaging::MovingSlide slide = SlideAt(i, n);
    imaging::ComposeSlideFrame(frame, slide);
    return slide.Picture != nullptr;
}

void MovingFrames::Transition(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int fps) {
    const imaging::MovingSlide outgoing = SlideAt(i, n);
    if (i + 1 >= slides_.size()) {
        // The last slide's transition has no slide to bring in: it stays on screen, moving.
        imaging::ComposeSlideFrame(frame, outgoing);
        return;
    }
    const imaging::MovingSlide incoming = SlideAt(i + 1, n);
    const TransitionTime time = TimeOf(i, n, fps);
    imaging::ComposeTransitionFrame(frame, outgoing, incoming, time.Code, time.T, time.D, scratch_);
}

bool MovingFrames::StillYuvDrawn(std::size_t i) {
    return MovingStill(i) && imaging::CanComposeSlideYuv(SlideAt(i, 0));
}

bool MovingFrames::TransitionYuvDrawn(std::size_t i, std::int64_t n, int fps) {
    if (i + 1 >= slides_.size())
        return StillYuvDrawn(i);
    const TransitionTime time = TimeOf(i, n, fps);
    return imaging::CanComposeTransitionYuv(SlideAt(i, n), SlideAt(i + 1, n), time.Code, time.T,
                                            time.D);
}

bool MovingFrames::StillYuv(const imaging::Yuv420Planes& out, std::int32_t width,
                            std::int32_t height, std::size_t i, std::int64_t n,
                            imaging::YuvMatrix matrix) {
    return imaging::ComposeSlideFrameYuv(out, width, height, SlideAt(i, n), matrix);
}

bool MovingFrames::TransitionYuv(const imaging::Yuv420Planes& out, std::int32_t width,
                                 std::int32_t height, std::size_t i, std::int64_t n, int fps,
                                 imaging::YuvMatrix matrix) {
    if (i + 1 >= slides_.size())
        return StillYuv(out, width, height, i, n, matrix);
    const TransitionTime time = TimeOf(i, n, fps);
    return imaging::ComposeTransitionFrameYuv(out, width, height, SlideAt(i, n), SlideAt(i + 1, n),
                                              time.Code, time.T, time.D, matrix);
}

} // namespace render
