// The fourteen transitions between two slides, drawn one state at a time onto a target that
// already shows the outgoing slide. Pure functions of the kind, the duration and the elapsed
// time in milliseconds; TransitionState (TransitionState.h) keeps what runs between the steps.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>

namespace imaging {

constexpr int kTransitionKinds = 14;

// Kind 0 draws nothing, kind 1 paints the outgoing slide's background colour, kinds 2..13 move or
// uncover the incoming picture (the rectangle table below).
constexpr int kTransitionNone = 0;
constexpr int kTransitionBackground = 1;
constexpr bool IsMovingTransition(int kind) {
    return kind >= 2 && kind < kTransitionKinds;
}

// What one transition is: its kind, its length in whole seconds and the outgoing slide's
// background colour (0x00BBGGRR or a system colour).
struct TransitionParams {
    std::int32_t Kind = kTransitionNone;
    std::int32_t Seconds = 0;
    std::int32_t BackColor = 0;
};

// k(X): X * elapsed / duration rounded to nearest with ties to even, in exact integers:
// q = X*t div (1000*d), r = X*t mod (1000*d), plus 1 when 2r > 1000*d, or 2r = 1000*d and q is
// odd. An elapsed time past the duration counts as the duration (k = X); a negative one counts
// as 0. durationSeconds <= 0 gives X (nothing is left to run). length is 0..kMaxSide.
std::int32_t TransitionExtent(std::int32_t length, std::int64_t elapsedMs,
                              std::int32_t durationSeconds);

// One rectangle of the incoming picture copied onto the target: the destination and the point
// of the incoming picture it comes from. Width or Height <= 0 copies nothing.
struct TransitionCopy {
    std::int32_t X = 0, Y = 0, Width = 0, Height = 0;
    std::int32_t SourceX = 0, SourceY = 0;
    bool operator==(const TransitionCopy&) const = default;
};

// The rectangle a moving kind (2..13) copies on a width x height picture when k(W) = kx and
// k(H) = ky, before any clipping; an empty copy for the other kinds.
TransitionCopy TransitionRectangle(int kind, std::int32_t width, std::int32_t height,
                                   std::int32_t kx, std::int32_t ky);

// Copies the rectangle from source onto target, clipped so that neither buffer is read or
// written outside itself.
void CopyClipped(Bitmap& target, const Bitmap& source, const TransitionCopy& copy);

enum class TransitionStep {
    Running, // the state is drawn; more steps follow
    Over,    // the transition has ended; this step drew nothing
};

// One state of the transition at elapsedMs since it began. incoming is the incoming slide
// composed at the target's size (empty when there is none: the last slide, an unreadable
// file). The moving kinds copy one rectangle of incoming while k(L) < L (L = width for the
// horizontal and diagonal kinds, height for the vertical ones); kind 1 fills the target with
// BackColor while elapsed < duration; kind 0, and a kind outside 0..13, draw nothing until
// the duration has passed. A duration of 0 seconds or less is over at once.
TransitionStep DrawTransitionStep(Bitmap& target, const Bitmap& incoming,
                                  const TransitionParams& params, std::int64_t elapsedMs);

} // namespace imaging
