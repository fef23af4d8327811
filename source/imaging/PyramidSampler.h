// PyramidSampler: a picture drawn into a frame by the rule of MotionSampler.h through a filter
// matched to the scale it is drawn at. A frame that shows the picture at scale s (frame pixels
// per picture pixel, the fit times the zoom) of 1 or more samples the picture itself bilinearly;
// below 1, the level of detail lod = log2(1 / s) picks the two levels of the
// picture's pyramid around it (PicturePyramid.h), each sampled bilinearly at its own scale, and
// the frame is their mix by the fraction of lod (trilinear sampling). Detail finer than a frame
// pixel is so averaged away before it is sampled instead of folding back as moiré, a slow zoom
// moves smoothly from one level to the next, and each frame still holds what it can.
//
// Both rows are drawn by MotionSampler's fixed point and mixed by MixBytes256, so RenderRow and
// RenderPlanarRow give the same bytes.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Motion.h"
#include "imaging/MotionSampler.h"
#include "imaging/PicturePyramid.h"
#include "imaging/Yuv420.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace imaging {

// The level of detail of a frame showing a w x h picture under state on a W x H frame (0 or
// less: the picture itself).
double LevelOfDetail(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t pictureWidth,
                     std::int32_t pictureHeight, const MotionState& state);

class PyramidSampler {
public:
    // levels: the picture's pyramid (made as far as this frame needs); null samples the picture
    // itself at any scale, as MotionSampler does.
    PyramidSampler(const Bitmap& picture, PicturePyramid* levels, std::uint8_t backB,
                   std::uint8_t backG, std::uint8_t backR, std::int32_t frameWidth,
                   std::int32_t frameHeight, const MotionState& state);

    std::int32_t FrameWidth() const { return fine_->FrameWidth(); }
    std::int32_t FrameHeight() const { return fine_->FrameHeight(); }

    // Each thread needs its own.
    struct Scratch {
        std::vector<std::uint8_t> Sampler;
        std::vector<std::uint8_t> Coarse;
    };
    // As MotionSampler's, the same bytes either way.
    void RenderRow(std::int32_t y, std::uint8_t* out, Scratch& scratch) const;
    void RenderPlanarRow(std::int32_t y, const PlanarRow& out, Scratch& scratch) const;
    void RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const;

    // The coarser level's weight in the mix, 0..256 (0: one level alone).
    std::uint32_t CoarseWeight() const { return weight_; }

private:
    std::optional<MotionSampler> fine_; // always made
    std::optional<MotionSampler> coarse_;
    std::uint32_t weight_ = 0;
};

} // namespace imaging
