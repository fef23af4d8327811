#include "imaging/MotionRender.h"

#include "imaging/AutoMotion.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/PyramidSampler.h"

namespace imaging {

void RenderMotionFrame(Bitmap& frame, const Bitmap& picture, std::int32_t backColor,
                       const MotionState& state, PicturePyramid* levels) {
    if (frame.IsEmpty())
        return;
    const std::uint32_t c = ResolveColor(backColor);
    const PyramidSampler sampler(picture, levels, static_cast<std::uint8_t>(c >> 16),
                                 static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c),
                                 frame.Width, frame.Height, state);
    ForRowBands(frame.Height, static_cast<std::int64_t>(frame.Width) * frame.Height,
                [&](int first, int last) { sampler.RenderRows(frame, first, last); });
}

void ComposeMovingPhoto(Bitmap& frame, const Bitmap& picture, std::int32_t backColor,
                        const Motion& motion, double u, int slideIndex,
                        const std::vector<FaceBox>& faces, PicturePyramid* levels) {
    if (motion.Mode == MotionMode::None || picture.IsEmpty()) {
        ComposePhoto(frame, picture, backColor);
        return;
    }
    const Motion resolved = ResolveMotion(motion, slideIndex, frame.Width, frame.Height,
                                          picture.Width, picture.Height, faces);
    RenderMotionFrame(frame, picture, backColor, MotionStateAt(resolved, u), levels);
}

} // namespace imaging
