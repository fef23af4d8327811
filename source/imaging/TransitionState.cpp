#include "imaging/TransitionState.h"

#include <exception>
#include <utility>

namespace imaging {

void TransitionState::Start(std::int32_t outgoing, const TransitionParams& params,
                            std::optional<SlideSource> incoming) {
    Stop();
    outgoing_ = outgoing < 0 ? -1 : outgoing;
    params_ = params;
    incoming_ = std::move(incoming);
}

void TransitionState::Stop() {
    outgoing_ = -1;
    incoming_.reset();
    elapsedMs_ = 0;
    incomingFrame_ = Bitmap();
    composed_ = false;
    composedSize_ = {};
}

TransitionStep TransitionState::Step(Bitmap& target) {
    if (!Running())
        return TransitionStep::Over;
    TransitionStep result = TransitionStep::Over;
    try {
        const ImageSize size{target.Width, target.Height};
        if (IsMovingTransition(params_.Kind) && (!composed_ || composedSize_ != size)) {
            // One try per size: a missing or unreadable file leaves the picture empty, which
            // ends the transition without drawing rather than reloading on every step.
            incomingFrame_ = Bitmap();
            if (incoming_ && !target.IsEmpty())
                (void)PrepareNextFrame(incomingFrame_, size.Width, size.Height, &*incoming_);
            composed_ = true;
            composedSize_ = size;
        }
        result = DrawTransitionStep(target, incomingFrame_, params_, elapsedMs_);
    } catch (const std::exception&) {
        result = TransitionStep::Over; // out of memory while composing: end the transition
    }
    if (result == TransitionStep::Over)
        Stop();
    return result;
}

} // namespace imaging
