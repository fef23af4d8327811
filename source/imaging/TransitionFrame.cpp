#include "imaging/TransitionFrame.h"

#include "imaging/AutoMotion.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/MotionRender.h"
#include "imaging/MotionSampler.h"
#include "imaging/SmoothTransition.h"
#include "imaging/Transition.h"
#include "imaging/TransitionKinds.h"

#include <cmath>
#include <optional>
#include <vector>

namespace imaging {

namespace {

bool HasPicture(const MovingSlide& slide) {
    return slide.Picture != nullptr && !slide.Picture->IsEmpty();
}

bool Moves(const MovingSlide& slide) {
    return HasPicture(slide) && slide.Motion.Mode != MotionMode::None;
}

// The sampler of a moving slide for a width x height frame.
MotionSampler MakeSampler(const MovingSlide& slide, std::int32_t width, std::int32_t height) {
    const Bitmap& picture = *slide.Picture;
    const Motion motion =
        ResolveMotion(slide.Motion, slide.SlideIndex, width, height, picture.Width, picture.Height);
    const std::uint32_t c = ResolveColor(slide.BackColor);
    return MotionSampler(picture, static_cast<std::uint8_t>(c >> 16),
                         static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c), width,
                         height, MotionStateAt(motion, slide.U));
}

void EnsureSize(Bitmap& frame, std::int32_t width, std::int32_t height) {
    if (frame.Width != width || frame.Height != height)
        frame.SetSizeUninitialised(width, height);
}

} // namespace

void ComposeSlideFrame(Bitmap& out, const MovingSlide& slide) {
    if (out.IsEmpty())
        return;
    if (!HasPicture(slide)) {
        FillColor(out, slide.BackColor);
        return;
    }
    ComposeMovingPhoto(out, *slide.Picture, slide.BackColor, slide.Motion, slide.U,
                       slide.SlideIndex);
}

void ComposeTransitionFrame(Bitmap& out, const MovingSlide& outgoing, const MovingSlide& incoming,
                            int code, double t, double d, Bitmap& scratch) {
    if (out.IsEmpty())
        return;
    const double alpha = TransitionProgress(t, d);
    if (alpha >= 1.0) {
        ComposeSlideFrame(out, incoming);
        return;
    }
    const std::int32_t W = out.Width, H = out.Height;
    if (IsRowLocalTransition(code)) {
        // Band by band, so that both slides' rows are mixed while they are still in the cache;
        // a still slide is composed whole first (its fitting is not made row by row).
        EnsureSize(scratch, W, H);
        if (!Moves(outgoing))
            ComposeSlideFrame(out, outgoing);
        if (!Moves(incoming))
            ComposeSlideFrame(scratch, incoming);
        std::optional<MotionSampler> a, b;
        if (Moves(outgoing))
            a.emplace(MakeSampler(outgoing, W, H));
        if (Moves(incoming))
            b.emplace(MakeSampler(incoming, W, H));
        ForRowBands(H, static_cast<std::int64_t>(W) * H, [&](int first, int last) {
            std::vector<std::uint8_t> rowScratch;
            for (int y = first; y < last; ++y) {
                if (a)
                    a->RenderRow(y, out.Row(y), rowScratch);
                if (b)
                    b->RenderRow(y, scratch.Row(y), rowScratch);
                DrawSmoothTransitionRows(out, out, scratch, code, t, d, y, y + 1);
            }
        });
        return;
    }
    ComposeSlideFrame(out, outgoing);
    if (code == kTransitionNone || code == kTransitionBackground || code < 0 ||
        code >= kTransitionCodes) {
        if (code == kTransitionBackground)
            FillColor(out, outgoing.BackColor);
        return;
    }
    EnsureSize(scratch, W, H);
    ComposeSlideFrame(scratch, incoming);
    if (IsSmoothTransition(code)) {
        DrawSmoothTransition(out, out, scratch, code, t, d);
        return;
    }
    const TransitionParams params{code, 1, outgoing.BackColor};
    const auto elapsed = static_cast<std::int64_t>(std::llround(alpha * 1000.0));
    if (DrawTransitionStep(out, scratch, params, elapsed) == TransitionStep::Over)
        out = scratch;
}

} // namespace imaging
