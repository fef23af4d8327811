#include "imaging/TransitionFrame.h"

#include "imaging/AutoMotion.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/MotionRender.h"
#include "imaging/PyramidSampler.h"
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

const std::vector<FaceBox>& FacesOf(const MovingSlide& slide) {
    static const std::vector<FaceBox> none;
    return slide.Faces != nullptr ? *slide.Faces : none;
}

// A moving slide drawn row by row (or straight into YUV planes): one with text over it is drawn
// whole, then its text.
bool Moves(const MovingSlide& slide) {
    return HasPicture(slide) && slide.Motion.Mode != MotionMode::None && slide.Text == nullptr;
}

void DrawText(Bitmap& out, const MovingSlide& slide) {
    if (slide.Text != nullptr && slide.Text->Layer != nullptr)
        DrawTextLayer(out, *slide.Text->Layer, slide.Text->Place, slide.Text->State);
}

// The sampler of a moving slide for a width x height frame.
PyramidSampler MakeSampler(const MovingSlide& slide, std::int32_t width, std::int32_t height) {
    const Bitmap& picture = *slide.Picture;
    const Motion motion = ResolveMotion(slide.Motion, slide.SlideIndex, width, height,
                                        picture.Width, picture.Height, FacesOf(slide));
    const std::uint32_t c = ResolveColor(slide.BackColor);
    return PyramidSampler(picture, slide.Levels, static_cast<std::uint8_t>(c >> 16),
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
    if (!HasPicture(slide))
        FillColor(out, slide.BackColor);
    else
        ComposeMovingPhoto(out, *slide.Picture, slide.BackColor, slide.Motion, slide.U,
                           slide.SlideIndex, FacesOf(slide), slide.Levels);
    DrawText(out, slide);
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
        std::optional<PyramidSampler> a, b;
        if (Moves(outgoing))
            a.emplace(MakeSampler(outgoing, W, H));
        if (Moves(incoming))
            b.emplace(MakeSampler(incoming, W, H));
        ForRowBands(H, static_cast<std::int64_t>(W) * H, [&](int first, int last) {
            PyramidSampler::Scratch rowScratch;
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

bool CanComposeSlideYuv(const MovingSlide& slide) {
    return Moves(slide);
}

bool CanComposeTransitionYuv(const MovingSlide& outgoing, const MovingSlide& incoming, int code,
                             double t, double d) {
    if (TransitionProgress(t, d) >= 1.0)
        return Moves(incoming);
    return IsByteWiseTransition(code) && Moves(outgoing) && Moves(incoming);
}

namespace {

// Rows of planar bytes: two rows (a pair) of each slide's three planes.
struct PlanarPair {
    std::vector<std::uint8_t> Bytes;
    PlanarRow Rows[2];
    void Size(std::int32_t width) {
        const auto w = static_cast<std::size_t>(width);
        Bytes.resize(6 * w);
        for (std::size_t r = 0; r < 2; ++r)
            Rows[r] = {Bytes.data() + (r * 3) * w, Bytes.data() + (r * 3 + 1) * w,
                       Bytes.data() + (r * 3 + 2) * w};
    }
};

// Every pair of rows: draw(y, row) fills planar row y, then the pair is converted.
template <typename Draw>
void EachRowPair(const Yuv420Planes& out, std::int32_t width, std::int32_t height, YuvMatrix matrix,
                 const Draw& draw) {
    PlanarPair pair;
    pair.Size(width);
    for (std::int32_t y = 0; y < height; y += 2) {
        const bool two = y + 1 < height;
        draw(y, pair.Rows[0]);
        if (two)
            draw(y + 1, pair.Rows[1]);
        PlanarRowsToYuv420(pair.Rows[0], pair.Rows[two ? 1 : 0], width, out.Y + y * out.YStride,
                           two ? out.Y + (y + 1) * out.YStride : nullptr,
                           out.U + y / 2 * out.UStride, out.V + y / 2 * out.VStride, matrix);
    }
}

} // namespace

bool ComposeSlideFrameYuv(const Yuv420Planes& out, std::int32_t width, std::int32_t height,
                          const MovingSlide& slide, YuvMatrix matrix) {
    if (width < 1 || height < 1 || !CanComposeSlideYuv(slide))
        return false;
    const PyramidSampler sampler = MakeSampler(slide, width, height);
    PyramidSampler::Scratch scratch;
    EachRowPair(out, width, height, matrix, [&](std::int32_t y, const PlanarRow& row) {
        sampler.RenderPlanarRow(y, row, scratch);
    });
    return true;
}

bool ComposeTransitionFrameYuv(const Yuv420Planes& out, std::int32_t width, std::int32_t height,
                               const MovingSlide& outgoing, const MovingSlide& incoming, int code,
                               double t, double d, YuvMatrix matrix) {
    if (width < 1 || height < 1 || !CanComposeTransitionYuv(outgoing, incoming, code, t, d))
        return false;
    if (TransitionProgress(t, d) >= 1.0)
        return ComposeSlideFrameYuv(out, width, height, incoming, matrix);
    const PyramidSampler a = MakeSampler(outgoing, width, height);
    const PyramidSampler b = MakeSampler(incoming, width, height);
    PlanarPair other;
    other.Size(width);
    PyramidSampler::Scratch scratch;
    const auto n = static_cast<std::size_t>(width);
    EachRowPair(out, width, height, matrix, [&](std::int32_t y, const PlanarRow& row) {
        a.RenderPlanarRow(y, row, scratch);
        b.RenderPlanarRow(y, other.Rows[0], scratch);
        DrawByteWiseRow(row.B, row.B, other.Rows[0].B, n, y, height, code, t, d);
        DrawByteWiseRow(row.G, row.G, other.Rows[0].G, n, y, height, code, t, d);
        DrawByteWiseRow(row.R, row.R, other.Rows[0].R, n, y, height, code, t, d);
    });
    return true;
}

} // namespace imaging
