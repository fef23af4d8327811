// Motion: the pan and zoom of one slide's picture while it is on screen, as a plain value. A
// state is a centre (fractions of the working picture's width and height) and a zoom (1 is the
// picture fitted into the frame, 2 shows half of it); the slide moves from its start state to its
// end state, linearly or eased. The default value is no motion: the slide is composed exactly
// as a still picture.
#pragma once

#include <cstdint>

namespace imaging {

enum class MotionMode : std::uint8_t {
    None = 0,   // a still picture, composed as ever
    Auto = 1,   // the program chooses the states (AutoMotion.h)
    Manual = 2, // the stored start and end states
};

enum class MotionEasing : std::uint8_t {
    Linear = 0,
    Ease = 1, // smoothstep u^2 (3 - 2u)
};

// Largest zoom a state may hold: a tenth of the picture's side.
constexpr double kMaxMotionZoom = 10.0;

struct MotionState {
    double Cx = 0.5; // 0..1 of the picture's width
    double Cy = 0.5; // 0..1 of the picture's height
    double Z = 1.0;  // >= 1
    // Z counts in the zoom at which the picture covers the frame (CoverZoom, AutoMotion.h) rather
    // than in the zoom that fits it, so the same state fills a frame of any shape. ResolveMotion
    // turns such a state into the fit's terms for the frame it draws.
    bool Cover = false;
    bool operator==(const MotionState&) const = default;
};

struct Motion {
    MotionMode Mode = MotionMode::None;
    MotionState Start;
    MotionState End;
    MotionEasing Easing = MotionEasing::Linear;
    bool operator==(const Motion&) const = default;

    bool IsStill() const { return Mode == MotionMode::None; }
};

// The eased progress: u clamped to 0..1, then smoothstep for Ease.
double EaseProgress(MotionEasing easing, double u);

// The state at progress u (0 = start, 1 = end) of a Manual motion; for None and Auto the
// centred state {0.5, 0.5, 1}. Auto is made Manual by ResolveMotion (AutoMotion.h) first.
MotionState MotionStateAt(const Motion& motion, double u);

// The state with its centre clamped to 0..1 and its zoom to 1..kMaxMotionZoom; a value that is
// not a number becomes the centred state's.
MotionState ClampState(const MotionState& state);

// The motion as the program keeps it after reading it from anywhere: an unknown mode or easing
// becomes None or Linear, states are clamped (ClampState).
Motion SanitizeMotion(const Motion& motion);

} // namespace imaging
