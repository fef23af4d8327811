// The sharp fit of a photo into the frames of today's players: enlarged with a Lanczos filter,
// reduced by area averaging (swscale), centred on the slide's colour.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>

namespace media {

// The size a w x h picture gets when it fills a boxW x boxH box without distortion (enlarged or
// reduced), its sides rounded to nearest.
imaging::ImageSize FillingSize(int w, int h, int boxW, int boxH);

// The picture fitted into target without distortion and centred on the colour, scaled by
// swscale: Lanczos when it grows, area averaging when it shrinks, a copy when it fits exactly.
void ComposeSharp(imaging::Bitmap& target, const imaging::Bitmap& picture, std::int32_t backColor);

// The picture scaled to width x height (its own shape is the caller's): Lanczos when it grows,
// area averaging when it shrinks. An empty picture when there is no memory for it.
imaging::Bitmap ScaleSharp(const imaging::Bitmap& picture, int width, int height);

} // namespace media
