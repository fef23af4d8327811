// DecodedRows: what a decoder tells about the rows it has finished while it decodes the rest, so
// that work on the finished rows (fitting the photo to a show, converting it to sRGB) can run on
// another core meanwhile. A decoder that writes its rows top down, in their upright places, calls
// Begin once the picture's memory and colour are known, then Ready as rows are done; one that
// cannot (a turned picture, a format decoded in one call) calls nothing and the work waits for the
// whole picture.
#pragma once

#include "imaging/Bgr.h"
#include "imaging/ColorToSrgb.h"

namespace imaging {

class DecodedRows {
public:
    virtual ~DecodedRows() = default;

    // The upright picture's pixels (their memory stays where it is until the decode is over,
    // whatever Bitmap holds it) and the conversion its file asks for.
    virtual void Begin(const Bgr& picture, const ColorToSrgb& toSrgb) = 0;
    // Rows [0, rows) are final: the decoder writes none of them again.
    virtual void Ready(int rows) = 0;
    // The decode failed: the picture is about to go, so every piece of work on it ends first.
    virtual void Abandon() = 0;
};

} // namespace imaging
