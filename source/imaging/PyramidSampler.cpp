#include "imaging/PyramidSampler.h"

#include "imaging/PixelMix.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

// The state as MotionSampler draws it: what is not a number, or a zoom below 1, is the centred
// state's.
double DrawnZoom(const MotionState& state) {
    return std::isfinite(state.Z) && state.Z >= 1.0 ? state.Z : 1.0;
}

// The level a sampler reads and how it sits on the base picture.
struct Chosen {
    const Bitmap* Picture;
    PyramidLevel Level;
};

Chosen LevelOf(const Bitmap& picture, PicturePyramid* levels, int k) {
    if (k <= 0 || levels == nullptr)
        return {&picture, {}};
    const Bitmap* level = levels->Level(picture, k);
    if (level == nullptr)
        return {nullptr, {}};
    return {level, {picture.Width, picture.Height, std::ldexp(1.0, k)}};
}

// The finer of the two levels mixed, and the coarser one's weight.
struct Mix {
    int Fine = 0;
    std::uint32_t Weight = 0;
};

Mix MixOf(double lod) {
    if (!(lod > 0.0))
        return {};
    const double whole = std::floor(lod);
    Mix m{static_cast<int>(whole), static_cast<std::uint32_t>(std::lround((lod - whole) * 256.0))};
    if (m.Weight == 256) {
        ++m.Fine;
        m.Weight = 0;
    }
    return m;
}

} // namespace

double LevelOfDetail(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h,
                     const MotionState& state) {
    if (W < 1 || H < 1 || w < 1 || h < 1)
        return 0.0;
    const double s = std::min(double(W) / w, double(H) / h) * DrawnZoom(state);
    return std::log2(1.0 / s);
}

PyramidSampler::PyramidSampler(const Bitmap& picture, PicturePyramid* levels, std::uint8_t backB,
                               std::uint8_t backG, std::uint8_t backR, std::int32_t frameWidth,
                               std::int32_t frameHeight, const MotionState& state) {
    const auto make = [&](const Chosen& c) {
        return MotionSampler(*c.Picture, backB, backG, backR, frameWidth, frameHeight, state,
                             c.Level);
    };
    const Mix m =
        levels == nullptr || picture.IsEmpty()
            ? Mix{}
            : MixOf(LevelOfDetail(frameWidth, frameHeight, picture.Width, picture.Height, state));
    const Chosen fine = LevelOf(picture, levels, m.Fine);
    if (fine.Picture == nullptr) {
        // Past the smallest level: the smallest alone.
        fine_.emplace(make(LevelOf(picture, levels, levels->Made())));
        return;
    }
    fine_.emplace(make(fine));
    if (m.Weight == 0)
        return;
    const Chosen coarse = LevelOf(picture, levels, m.Fine + 1);
    if (coarse.Picture == nullptr)
        return;
    coarse_.emplace(make(coarse));
    weight_ = m.Weight;
}

void PyramidSampler::RenderRow(std::int32_t y, std::uint8_t* out, Scratch& scratch) const {
    fine_->RenderRow(y, out, scratch.Sampler);
    if (!coarse_)
        return;
    const auto n = static_cast<std::size_t>(FrameWidth()) * 3;
    if (scratch.Coarse.size() < n)
        scratch.Coarse.resize(n);
    coarse_->RenderRow(y, scratch.Coarse.data(), scratch.Sampler);
    MixBytes256(out, out, scratch.Coarse.data(), n, weight_);
}

void PyramidSampler::RenderPlanarRow(std::int32_t y, const PlanarRow& out, Scratch& scratch) const {
    fine_->RenderPlanarRow(y, out, scratch.Sampler);
    if (!coarse_)
        return;
    const auto n = static_cast<std::size_t>(FrameWidth());
    if (scratch.Coarse.size() < 3 * n)
        scratch.Coarse.resize(3 * n);
    std::uint8_t* c = scratch.Coarse.data();
    coarse_->RenderPlanarRow(y, PlanarRow{c, c + n, c + 2 * n}, scratch.Sampler);
    MixBytes256(out.B, out.B, c, n, weight_);
    MixBytes256(out.G, out.G, c + n, n, weight_);
    MixBytes256(out.R, out.R, c + 2 * n, n, weight_);
}

void PyramidSampler::RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const {
    Scratch scratch;
    for (std::int32_t y = first; y < last; ++y)
        RenderRow(y, frame.Row(y), scratch);
}

} // namespace imaging
