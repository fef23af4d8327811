// BMP files: the photo working copies are 24-bit BMPs. Writing gives a plain
// 24-bit bottom-up BITMAPINFOHEADER file; reading accepts 1, 4, 8, 16, 24 and 32 bits per pixel,
// RLE4 and RLE8, bit-field masks, OS/2 core and V4/V5 headers, bottom-up and top-down rows.
// Malformed, truncated or oversized input is refused with an error text: no crash, and no
// allocation beyond the picture the header honestly describes (within the limits of Bitmap.h).
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

struct BmpReadLimits {
    std::int32_t MaxSide = kMaxSide;
    std::int64_t MaxPixels = kMaxPixels;
};

// Decodes a whole BMP file held in memory (24-bit), or gives a short English reason.
base::Result<Bitmap> DecodeBmp(const std::uint8_t* data, std::size_t size,
                               const BmpReadLimits& limits = {});
// The bytes of a 24-bit bottom-up BMP of the bitmap (an empty bitmap gives an empty vector).
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

// Reads a BMP file (path in the file system's own encoding, as stored in the records). A failure
// names the file and the system's or the decoder's reason.
base::Result<Bitmap> LoadBmpFile(const std::string& path);
// Writes a 24-bit bottom-up BMP file; a failure names the file and the system's reason.
base::Status SaveBmpFile(const std::string& path, const Bitmap& bitmap);

} // namespace imaging
