#include "imaging/AutoMotion.h"

#include <algorithm>

namespace imaging {

namespace {

constexpr double kZoomTravel = 1.25;
// A pan runs between these fractions of the centre's allowed range.
constexpr double kPanFrom = 0.15, kPanTo = 0.85;

// How much one side of the picture must be enlarged to cover the frame's side.
double SideCover(std::int32_t frame, std::int32_t picture) {
    const double plain = static_cast<double>(frame) / picture;
    if (picture <= 1)
        return plain;
    return std::max(plain, static_cast<double>(frame - 1) / (picture - 1));
}

// The centre's allowed range along one side (fractions of the picture's side) at scale s (frame
// pixels per picture pixel): the outermost pixel centres stay between the picture's.
void CentreRange(std::int32_t frame, std::int32_t picture, double s, double& lo, double& hi) {
    const double half = (frame / 2.0 - 0.5) / s;
    lo = (0.5 + half) / picture;
    hi = (picture - 0.5 - half) / picture;
    if (lo > hi) // cannot happen at a covering zoom; keep the centre then
        lo = hi = 0.5;
}

} // namespace

double CoverZoom(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h) {
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return 1.0;
    const double s0 = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
    return std::max(1.0, std::max(SideCover(W, w), SideCover(H, h)) / s0);
}

Motion AutomaticMotion(int slideIndex, std::int32_t W, std::int32_t H, std::int32_t w,
                       std::int32_t h) {
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Easing = MotionEasing::Linear;
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return m;
    const unsigned index = static_cast<unsigned>(slideIndex);
    const double cover = CoverZoom(W, H, w, h);
    const bool zoomIn = index % 2 == 0;
    m.Start.Z = zoomIn ? cover : cover * kZoomTravel;
    m.End.Z = zoomIn ? cover * kZoomTravel : cover;

    const bool portrait = h > w;
    const bool panorama = w >= 2 * static_cast<std::int64_t>(h);
    if (!portrait && !panorama)
        return m;
    const bool forward = (index / 2) % 2 == 0;
    const double s0 = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
    const auto place = [&](MotionState& state, double fraction) {
        double lo = 0, hi = 0;
        if (portrait) {
            CentreRange(H, h, s0 * state.Z, lo, hi);
            state.Cy = lo + (hi - lo) * fraction;
        } else {
            CentreRange(W, w, s0 * state.Z, lo, hi);
            state.Cx = lo + (hi - lo) * fraction;
        }
    };
    place(m.Start, forward ? kPanFrom : kPanTo);
    place(m.End, forward ? kPanTo : kPanFrom);
    return m;
}

Motion ResolveMotion(const Motion& motion, int slideIndex, std::int32_t W, std::int32_t H,
                     std::int32_t w, std::int32_t h) {
    if (motion.Mode != MotionMode::Auto)
        return motion;
    return AutomaticMotion(slideIndex, W, H, w, h);
}

} // namespace imaging
