// Automatic motion: the pan and zoom the program chooses for a slide. Slides alternate zooming
// in and out between 1.0x and 1.25x of the zoom at which the picture covers the frame; portraits
// pan along their height and panoramas along their width. Every frame is covered by the picture
// (no background shows), and the choice depends only on the slide's place in the show and the
// sizes, so an export is the same every time.
#pragma once

#include "imaging/Motion.h"

#include <cstdint>

namespace imaging {

// The smallest zoom at which every output pixel of a frameWidth x frameHeight frame is sampled
// from the picture alone when its centre is the picture's: max(W/w, H/h) / s0, raised where the
// picture is smaller than the frame so that the outermost samples still fall between pixel
// centres ((W-1)/(w-1) and (H-1)/(h-1) in place of W/w and H/h). 1 for an empty size.
double CoverZoom(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t pictureWidth,
                 std::int32_t pictureHeight);

// The Manual motion automatic motion gives the slide at slideIndex (0-based).
Motion AutomaticMotion(int slideIndex, std::int32_t frameWidth, std::int32_t frameHeight,
                       std::int32_t pictureWidth, std::int32_t pictureHeight);

// The motion to render: Auto made Manual by AutomaticMotion, the others as they are.
Motion ResolveMotion(const Motion& motion, int slideIndex, std::int32_t frameWidth,
                     std::int32_t frameHeight, std::int32_t pictureWidth,
                     std::int32_t pictureHeight);

} // namespace imaging
