// Puts pixels a library decoded (8-bit RGB or RGBA rows, in either channel order) into a BGR
// bitmap, turned upright by an EXIF orientation, with any alpha laid on white as PNG's is. The
// WebP and HEIF decoders share it.
#pragma once

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

struct DecodedPixels {
    const std::uint8_t* data = nullptr;
    std::size_t stride = 0; // bytes from one row to the next
    int width = 0;
    int height = 0;
    int channels = 3;      // 3 (no alpha) or 4 (alpha last)
    bool bgrOrder = false; // blue first (libwebp's BGR modes) rather than red first
};

// Sizes `out` for the upright picture (width and height swapped for orientations 5..8) and
// fills it. False when the bitmap cannot be allocated.
bool PlaceUpright(const DecodedPixels& in, int orientation, Bitmap& out);
// Puts rows that are already upright into rows [firstRow, firstRow + in.height) of `out`, which
// is in.width wide: a decoder that reads a band at a time fills its bitmap so.
void PlaceRows(const DecodedPixels& in, Bgr& out, int firstRow);

} // namespace imaging
