// The classic transitions between two photos that do not move, stepped as they always were: each
// frame is the transition's step at its own time, drawn over the frame before it, starting from
// the outgoing still at the cut with the incoming still composed at the frame's size. Any frame
// asked for out of turn is stepped again from the cut, so every frame is the one the sequence of
// steps gives.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TransitionState.h"
#include "project/Slide.h"
#include "render/PhotoPlayer.h"
#include "render/ShowTimeline.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

class ClassicTransition {
public:
    // photos: the stills it starts and ends on. All must outlive it.
    ClassicTransition(const std::vector<project::Slide>& slides,
                      const std::vector<SlideSpan>& spans, const std::vector<std::int32_t>& backs,
                      FrameRate rate, PhotoPlayer& photos);

    // Frame n of slide i's outgoing transition into frame. holdsFrameBefore: frame is the picture
    // frame n - 1 was drawn into, unchanged since (a caller drawing the frames in turn into one
    // picture), so nothing is copied.
    void Step(imaging::Bitmap& frame, std::size_t i, std::int64_t n, bool holdsFrameBefore);
    // Ends the transition: its incoming picture is released.
    void End();

private:
    const std::vector<project::Slide>& slides_;
    const std::vector<SlideSpan>& spans_;
    const std::vector<std::int32_t>& backs_;
    FrameRate rate_;
    PhotoPlayer& photos_;
    imaging::TransitionState state_;
    std::int64_t slide_ = -1;      // whose transition state_ holds
    std::int64_t frame_ = -1;      // the last frame stepped
    std::int64_t savedFrame_ = -1; // the frame copy_ holds
    imaging::Bitmap copy_;         // a copy to step on from into another picture
};

} // namespace render
