// MotionSampler: one slide's picture drawn into a frame under one motion state, row by row, by
// the rendering rule of moving pictures. Frame W x H, picture w x h, s0 = min(W/w, H/h); the
// centre (X + 0.5, Y + 0.5) of an output pixel maps to the picture point
//     (cx*w, cy*h) + ((X + 0.5 - W/2), (Y + 0.5 - H/2)) / (s0*z),
// which is sampled bilinearly between pixel centres (pixel i's centre is at i + 0.5) of the
// picture surrounded by the background colour. Nothing is rounded to whole pixels, so a slow
// motion moves smoothly.
//
// Fixed point: each sample position is kept to 1/256 of a pixel both ways; the two rows are mixed
// and rounded to bytes, then the two columns of that (SSE2 where there is); against the rule in
// doubles a pixel is off by at most one or two levels.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Motion.h"
#include "imaging/Yuv420.h"

#include <cstdint>
#include <vector>

namespace imaging {

// Sixteen output columns of the planar columns' pass (see MotionSampler::RenderPlanarRow).
struct PlanarBlock {
    std::int32_t Base[2];                  // each group's first pixel in the mixed plane
    alignas(32) std::int8_t Shuffle[32];   // per group: its pixel pairs, from Base
    alignas(32) std::uint16_t Weights[32]; // {256 - w, w}: columns 0..3 of both, then 4..7
};

// A sampler's picture as one level of a picture's pyramid (PicturePyramid.h): the rule places the
// frame on the base picture of BaseWidth x BaseHeight, and each pixel of the level spans Span of
// the base's pixels each way (level k: 2^k), its centre at (i + 0.5) * Span.
struct PyramidLevel {
    std::int32_t BaseWidth = 0; // 0: the picture is the base itself
    std::int32_t BaseHeight = 0;
    double Span = 1.0;
};

class MotionSampler {
public:
    // backB, backG, backR: the slide's background colour, already resolved (Colors.h).
    MotionSampler(const Bitmap& picture, std::uint8_t backB, std::uint8_t backG, std::uint8_t backR,
                  std::int32_t frameWidth, std::int32_t frameHeight, const MotionState& state,
                  const PyramidLevel& level = {});

    std::int32_t FrameWidth() const { return frameW_; }
    std::int32_t FrameHeight() const { return frameH_; }

    // Writes output row y (0..FrameHeight-1) to out, FrameWidth pixels of 3 bytes. scratch is
    // reused between calls; each thread needs its own.
    void RenderRow(std::int32_t y, std::uint8_t* out, std::vector<std::uint8_t>& scratch) const;

    // Row y as three planar rows of FrameWidth bytes, each byte the same as RenderRow's (the
    // columns' pass takes 16 pixels at a time with AVX2 where there is). scratch as above.
    void RenderPlanarRow(std::int32_t y, const PlanarRow& out,
                         std::vector<std::uint8_t>& scratch) const;

    // Rows first..last-1 of frame, which has FrameWidth x FrameHeight.
    void RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const;

    // Where the centre of output column x (row y) falls on the picture, in picture pixels (the
    // rule above, in doubles); for tests and the editor's preview.
    static double PictureX(std::int32_t x, std::int32_t frameWidth, std::int32_t frameHeight,
                           std::int32_t pictureWidth, std::int32_t pictureHeight,
                           const MotionState& state);
    static double PictureY(std::int32_t y, std::int32_t frameWidth, std::int32_t frameHeight,
                           std::int32_t pictureWidth, std::int32_t pictureHeight,
                           const MotionState& state);

private:
    // One sample position: the first of the two pixels mixed (-1 .. size-1, where -1 and size
    // stand for the background around the picture) and the weight of the second, 0..256.
    struct Tap {
        std::int32_t First;
        std::uint32_t Weight;
    };
    static Tap MakeTap(double position, std::int32_t size);
    // The two picture rows of output row y mixed over the columns read (background outside the
    // picture) into scratch, with 8 bytes to spare; null when the row is all background.
    const std::uint8_t* MixRows(std::int32_t y, std::vector<std::uint8_t>& scratch) const;
    void PreparePlanar();

    const Bitmap& picture_;
    std::uint8_t back_[3];
    std::int32_t frameW_, frameH_;
    std::vector<Tap> columns_;                      // one per output column
    std::vector<Tap> rows_;                         // one per output row
    std::int32_t firstColumn_ = 0, lastColumn_ = 0; // picture columns read, -1 .. w
    std::vector<std::uint8_t> backRow_;             // a picture row of background
    // Per output column: the byte offset of its first pixel in the mixed row, and the weights
    // {256 - w, 256 - w, 256 - w, w, w, w, 0, 0} of its two pixels' bytes.
    std::vector<std::int32_t> offsets_;
    std::int32_t insideFrom_ = 0, insideTo_ = 0; // output columns reading the picture
    std::vector<std::uint16_t> weights_;
    // The planar columns' pass: per output column its first pixel in a mixed plane and its
    // weights {256 - w, w} as two words; and blocks of 16 columns from insideFrom_ (two groups
    // of 8 whose pixels lie within 16 bytes of their first) with each group's first pixel, its
    // byte shuffle (pairs first, second) and its weights in the order the block's lanes take them.
    std::vector<std::int32_t> planarColumns_;
    std::vector<std::uint32_t> planarWeights_;
    std::vector<PlanarBlock> blocks_;
    std::int32_t blocksEnd_ = 0; // the first column after the blocks
    bool planarBlocks_ = false;  // the blocks are used (otherwise the 24-bit row is split)
};

// Calls work(first, last) over 0..rows in one band, or in bands shared with the thread pool's
// workers (base::ThreadPool::ParallelFor) when the frame is large enough for them to pay.
template <typename Work> void ForRowBands(std::int32_t rows, std::int64_t pixels, const Work& work);
void RunRowBands(std::int32_t rows, std::int64_t pixels, void (*call)(void*, int, int),
                 void* context);

template <typename Work>
void ForRowBands(std::int32_t rows, std::int64_t pixels, const Work& work) {
    RunRowBands(
        rows, pixels,
        [](void* c, int first, int last) { (*static_cast<const Work*>(c))(first, last); },
        const_cast<void*>(static_cast<const void*>(&work)));
}

} // namespace imaging
