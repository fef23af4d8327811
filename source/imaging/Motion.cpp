#include "imaging/Motion.h"

#include <algorithm>
#include <cmath>

namespace imaging {

double EaseProgress(MotionEasing easing, double u) {
    if (!(u > 0.0)) // also a NaN
        return 0.0;
    if (u >= 1.0)
        return 1.0;
    return easing == MotionEasing::Ease ? u * u * (3.0 - 2.0 * u) : u;
}

MotionState MotionStateAt(const Motion& motion, double u) {
    if (motion.Mode != MotionMode::Manual)
        return {};
    const double e = EaseProgress(motion.Easing, u);
    const auto mix = [e](double a, double b) { return a + (b - a) * e; };
    return {mix(motion.Start.Cx, motion.End.Cx), mix(motion.Start.Cy, motion.End.Cy),
            mix(motion.Start.Z, motion.End.Z)};
}

MotionState ClampState(const MotionState& state) {
    const MotionState centred;
    const auto fix = [](double v, double fallback, double lo, double hi) {
        return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
    };
    return {fix(state.Cx, centred.Cx, 0.0, 1.0), fix(state.Cy, centred.Cy, 0.0, 1.0),
            fix(state.Z, centred.Z, 1.0, kMaxMotionZoom), state.Cover};
}

Motion SanitizeMotion(const Motion& motion) {
    Motion out;
    switch (motion.Mode) {
    case MotionMode::None:
    case MotionMode::Auto:
    case MotionMode::Manual:
        out.Mode = motion.Mode;
        break;
    default:
        return out;
    }
    out.Easing = motion.Easing == MotionEasing::Ease ? MotionEasing::Ease : MotionEasing::Linear;
    out.Start = ClampState(motion.Start);
    out.End = ClampState(motion.End);
    return out;
}

} // namespace imaging
