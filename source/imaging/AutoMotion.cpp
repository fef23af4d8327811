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

// The margin kept around the faces, in parts of their box's size on each side: the detector's
// box runs from the brows to the chin, and a frame that ends there looks cut even when it is not.
constexpr double kFaceMargin = 0.25;
// How finely a motion is checked, and how far the zoom's far end is searched down.
constexpr int kHoldSamples = 512;
constexpr int kZoomSearchSteps = 20;
constexpr double kHoldTolerancePx = 0.5;

FaceBox WithMargin(const FaceBox& box) {
    return ClampFace({box.X - box.W * kFaceMargin, box.Y - box.H * kFaceMargin,
                      box.W * (1 + 2 * kFaceMargin), box.H * (1 + 2 * kFaceMargin)});
}

// The state at zoom z whose centre is the box's, moved as little as the picture's edges require.
MotionState StateOnBox(const FaceBox& box, double z, std::int32_t W, std::int32_t H, std::int32_t w,
                       std::int32_t h, double s0) {
    MotionState state;
    state.Z = z;
    double lo = 0, hi = 0;
    CentreRange(W, w, s0 * z, lo, hi);
    state.Cx = std::clamp(box.X + box.W / 2, lo, hi);
    CentreRange(H, h, s0 * z, lo, hi);
    state.Cy = std::clamp(box.Y + box.H / 2, lo, hi);
    return state;
}

// A zoom between zWide and zClose, both ends centred on box; zooming in runs from wide to close.
Motion FramedOn(const FaceBox& box, bool zoomIn, double zWide, double zClose, std::int32_t W,
                std::int32_t H, std::int32_t w, std::int32_t h, double s0) {
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Easing = MotionEasing::Linear;
    const MotionState wide = StateOnBox(box, zWide, W, H, w, h, s0);
    const MotionState close = StateOnBox(box, zClose, W, H, w, h, s0);
    m.Start = zoomIn ? wide : close;
    m.End = zoomIn ? close : wide;
    return m;
}

} // namespace

bool MotionHoldsBox(const Motion& motion, std::int32_t W, std::int32_t H, std::int32_t w,
                    std::int32_t h, const FaceBox& box) {
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0 || box.IsEmpty())
        return false;
    const double s0 = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
    const double bx0 = box.X * w, bx1 = (box.X + box.W) * w;
    const double by0 = box.Y * h, by1 = (box.Y + box.H) * h;
    for (int i = 0; i <= kHoldSamples; ++i) {
        const MotionState st = MotionStateAt(motion, static_cast<double>(i) / kHoldSamples);
        const double hx = W / (2.0 * s0 * st.Z), hy = H / (2.0 * s0 * st.Z);
        const double cx = st.Cx * w, cy = st.Cy * h;
        if (bx0 < cx - hx - kHoldTolerancePx || bx1 > cx + hx + kHoldTolerancePx ||
            by0 < cy - hy - kHoldTolerancePx || by1 > cy + hy + kHoldTolerancePx)
            return false;
    }
    return true;
}

double CoverZoom(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h) {
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return 1.0;
    const double s0 = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
    return std::max(1.0, std::max(SideCover(W, w), SideCover(H, h)) / s0);
}

Motion AutomaticMotion(int slideIndex, std::int32_t W, std::int32_t H, std::int32_t w,
                       std::int32_t h, const std::vector<FaceBox>& faces) {
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

    const FaceBox around = ClampFace(BoxAround(faces));
    if (!around.IsEmpty()) {
        const double s0 = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
        // The faces with their margin when those fit the widest frame, else the bare faces.
        const FaceBox framed = WithMargin(around);
        const auto holds = [&](const FaceBox& box, double zClose) {
            return MotionHoldsBox(FramedOn(box, zoomIn, cover, zClose, W, H, w, h, s0), W, H, w, h,
                                  box);
        };
        const FaceBox& box = holds(framed, cover) ? framed : around;
        double zClose = cover * kZoomTravel;
        if (!holds(box, zClose) && holds(box, cover)) {
            // The closest far end that still holds the faces throughout.
            double lo = cover, hi = zClose;
            for (int i = 0; i < kZoomSearchSteps; ++i) {
                const double mid = (lo + hi) / 2;
                (holds(box, mid) ? lo : hi) = mid;
            }
            zClose = lo;
        }
        return FramedOn(box, zoomIn, cover, zClose, W, H, w, h, s0);
    }

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
                     std::int32_t w, std::int32_t h, const std::vector<FaceBox>& faces) {
    if (motion.Mode == MotionMode::Manual) {
        // States counted in the cover's zoom, in the fit's terms for this frame.
        Motion fitted = motion;
        const double cover = CoverZoom(W, H, w, h);
        for (MotionState* s : {&fitted.Start, &fitted.End})
            if (s->Cover) {
                s->Z = std::clamp(s->Z * cover, 1.0, kMaxMotionZoom);
                s->Cover = false;
            }
        return fitted;
    }
    if (motion.Mode != MotionMode::Auto)
        return motion;
    return AutomaticMotion(slideIndex, W, H, w, h, faces);
}

} // namespace imaging
