// The one transition that runs at a time, driven step by step by the preview (wall-clock
// milliseconds) and by the video export (40 ms per frame): the outgoing slide, the elapsed time
// as an exact count of milliseconds, and the incoming slide composed at the target's size the
// first time a moving kind needs it, released when the transition ends or is stopped.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Compose.h"
#include "imaging/Transition.h"

#include <cstdint>
#include <optional>

namespace imaging {

class TransitionState {
public:
    // Begins the transition of slide `outgoing` (an index the caller keeps for itself) towards
    // `incoming`, the next slide, or nullopt when the outgoing slide is the last. The elapsed
    // time starts at 0 and any picture of an earlier transition is dropped, so the incoming
    // slide is always composed afresh.
    void Start(std::int32_t outgoing, const TransitionParams& params,
               std::optional<SlideSource> incoming);
    // Abandons the transition (the preview stopped, the export finished): nothing runs and the
    // incoming picture is released.
    void Stop();

    bool Running() const { return outgoing_ >= 0; }
    // The outgoing slide's index while a transition runs, -1 otherwise.
    std::int32_t OutgoingSlide() const { return outgoing_; }
    const TransitionParams& Params() const { return params_; }

    void SetElapsed(std::int64_t milliseconds) { elapsedMs_ = milliseconds; }
    std::int64_t ElapsedMs() const { return elapsedMs_; }

    // Draws the state at the current elapsed time onto target, which shows the outgoing slide
    // and earlier states. A moving kind composes the incoming slide at the target's size on its
    // first step (again only if the target's size changes). Over ends the transition as Stop
    // does; a step when nothing runs draws nothing and reports Over.
    TransitionStep Step(Bitmap& target);

    // The composed incoming picture (empty before the first step of a moving kind, after the
    // end, or when the incoming slide could not be composed).
    const Bitmap& IncomingFrame() const { return incomingFrame_; }

private:
    std::int32_t outgoing_ = -1;
    TransitionParams params_;
    std::optional<SlideSource> incoming_;
    std::int64_t elapsedMs_ = 0;
    Bitmap incomingFrame_;
    bool composed_ = false; // composition tried for composedSize_
    ImageSize composedSize_;
};

} // namespace imaging
