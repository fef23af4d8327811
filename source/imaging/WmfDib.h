// Device-independent bitmaps embedded in metafile records (StretchDIBits, DIB blits, DIB pattern
// brushes), decoded into a QImage after checking every size against the record's bytes.
#pragma once

#include "imaging/ImageLoad.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace imaging::wmf {

// Uncompressed 1, 4, 8, 16, 24 and 32-bit DIBs with an RGB colour table, bottom-up or top-down.
// A null image for anything else, for a DIB larger than the limits, or one cut short.
QImage DecodeDib(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);

} // namespace imaging::wmf
