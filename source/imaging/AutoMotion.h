// Automatic motion: the pan and zoom the program chooses for a slide. Slides alternate zooming
// in and out between 1.0x and 1.25x of the zoom at which the picture covers the frame; portraits
// pan along their height and panoramas along their width. Every frame is covered by the picture
// (no background shows), and the choice depends only on the slide's place in the show, the sizes
// and the faces, so an export is the same every time.
//
// A picture with faces is framed on them instead: zooming in ends on the box that holds them,
// zooming out starts from it, and both states centre on it as far as the picture allows (so a
// landscape photo in an upright or square frame is cropped around the people, not its middle).
// When the faces (with a margin, else without) fit the frame, no frame cuts them: the zoom's far
// end is lowered until every moment of the motion holds them.
#pragma once

#include "imaging/FaceBox.h"
#include "imaging/Motion.h"

#include <cstdint>
#include <vector>

namespace imaging {

// The smallest zoom at which every output pixel of a frameWidth x frameHeight frame is sampled
// from the picture alone when its centre is the picture's: max(W/w, H/h) / s0, raised where the
// picture is smaller than the frame so that the outermost samples still fall between pixel
// centres ((W-1)/(w-1) and (H-1)/(h-1) in place of W/w and H/h). 1 for an empty size.
double CoverZoom(std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t pictureWidth,
                 std::int32_t pictureHeight);

// The Manual motion automatic motion gives the slide at slideIndex (0-based).
// faces: the picture's faces (FaceDetect.h), none for the plain rule.
Motion AutomaticMotion(int slideIndex, std::int32_t frameWidth, std::int32_t frameHeight,
                       std::int32_t pictureWidth, std::int32_t pictureHeight,
                       const std::vector<FaceBox>& faces = {});

// Whether every frame of the motion (sampled finely from start to end) shows all of box, in
// fractions of the picture, to within a tolerance of half a pixel: the rule framing faces keeps.
bool MotionHoldsBox(const Motion& motion, std::int32_t frameWidth, std::int32_t frameHeight,
                    std::int32_t pictureWidth, std::int32_t pictureHeight, const FaceBox& box);

// The motion to render: Auto made Manual by AutomaticMotion, states counted in the cover's zoom
// turned into the fit's for this frame, the others as they are.
Motion ResolveMotion(const Motion& motion, int slideIndex, std::int32_t frameWidth,
                     std::int32_t frameHeight, std::int32_t pictureWidth,
                     std::int32_t pictureHeight, const std::vector<FaceBox>& faces = {});

} // namespace imaging
