// One slide's frame with its motion: the still composition of Compose.h when the slide has no
// motion, otherwise the picture drawn by the rendering rule of MotionSampler.h at the state its
// motion reaches at progress u.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/FaceBox.h"
#include "imaging/Motion.h"
#include "imaging/PicturePyramid.h"

#include <cstdint>
#include <vector>

namespace imaging {

// Draws picture into frame (which keeps its size) under state, the slide's background colour
// (0x00BBGGRR or a system colour) around it. Large frames are drawn by two threads. levels: the
// picture's pyramid, through which a picture shown smaller than itself is filtered
// (PyramidSampler.h); null samples the picture itself.
void RenderMotionFrame(Bitmap& frame, const Bitmap& picture, std::int32_t backColor,
                       const MotionState& state, PicturePyramid* levels = nullptr);

// The slide's frame at progress u (0..1 of the time it is on screen): exactly ComposePhoto for
// MotionMode::None, otherwise RenderMotionFrame at the motion's state (Auto resolved for the
// slide at slideIndex, framed on its faces).
void ComposeMovingPhoto(Bitmap& frame, const Bitmap& picture, std::int32_t backColor,
                        const Motion& motion, double u, int slideIndex = 0,
                        const std::vector<FaceBox>& faces = {}, PicturePyramid* levels = nullptr);

} // namespace imaging
