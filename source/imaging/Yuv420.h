// Yuv420: full-range 24-bit BGR pictures as the studio-range YUV 4:2:0 planes video encoders take,
// in one pass over the picture. Each chroma sample is the mean of its 2 x 2 block of pixels (the
// sample sits at the block's centre); a picture of odd width or height repeats its last column or
// row for that.
//
// Fixed point, the same on every path (AVX2 where there is, plain code otherwise):
//     Y = ((cr*R + cg*G + cb*B + 2^13) >> 14) + 16
//     U = ((ur*SR + ug*SG + ub*SB + 2^15) >> 16) + 128      (S: the sum of the block's 4 pixels)
//     V likewise,
// with the matrix's coefficients scaled by 2^14 (and 219/255 or 224/255 for the studio range),
// those of each row summing to exactly 219/255 * 2^14 (Y) or 0 (U, V), so white is 235 and a grey
// has no colour. Against the formula in doubles a sample is off by at most one level.
#pragma once

#include "imaging/Bgr.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

enum class YuvMatrix {
    Bt601, // standard-definition video
    Bt709, // HD video (720 lines and up)
};

// Where the three planes of a 4:2:0 picture lie. U and V have (width + 1) / 2 x (height + 1) / 2
// samples.
struct Yuv420Planes {
    std::uint8_t* Y = nullptr;
    std::uint8_t* U = nullptr;
    std::uint8_t* V = nullptr;
    std::ptrdiff_t YStride = 0;
    std::ptrdiff_t UStride = 0;
    std::ptrdiff_t VStride = 0;
};

// The picture's planes (of the picture's size) in out.
void BgrToYuv420(const Bgr& picture, const Yuv420Planes& out, YuvMatrix matrix);

// Two rows of width pixels (bottom may be top, for the last row of an odd height) into their two
// luma rows (yBottom may be null then) and one row of each chroma plane.
void BgrRowsToYuv420(const std::uint8_t* top, const std::uint8_t* bottom, std::int32_t width,
                     std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u, std::uint8_t* v,
                     YuvMatrix matrix);

// One row of a picture as three planes of bytes.
struct PlanarRow {
    std::uint8_t* B = nullptr;
    std::uint8_t* G = nullptr;
    std::uint8_t* R = nullptr;
};

// BgrRowsToYuv420 from planar rows (bottom may be top), with the same samples.
void PlanarRowsToYuv420(const PlanarRow& top, const PlanarRow& bottom, std::int32_t width,
                        std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u, std::uint8_t* v,
                        YuvMatrix matrix);

// n pixels of 24-bit BGR as three planar rows.
void SplitBgrRow(const std::uint8_t* bgr, std::int32_t n, const PlanarRow& out);

} // namespace imaging
