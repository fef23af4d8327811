// Where the driver hands a whole show's frames in turn (FrameRenderer::Play): 24-bit pictures,
// "the last picture again" for a still that does not move, and, when the sink takes them, frames
// drawn straight into its YUV 4:2:0 planes. Which frames go which way is the driver's choice.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Yuv420.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace render {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // One frame.
    virtual base::Status Add(const imaging::Bitmap& frame) = 0;
    // The frame added last, `count` more times.
    virtual base::Status Repeat(std::int64_t count) = 0;
    // The colours of frames drawn straight into the sink's planes, when it takes them now (none:
    // every frame comes as a picture).
    virtual std::optional<imaging::YuvMatrix> PlanesMatrix() const { return std::nullopt; }
    // One frame that draw puts into the sink's planes, in PlanesMatrix's colours.
    using PlanesDraw = std::function<void(const imaging::Yuv420Planes& planes)>;
    virtual base::Status AddPlanes(const PlanesDraw& draw) = 0;
    // Slide i's first frame could not be drawn: a picture it needs cannot be read.
    virtual void Unreadable(std::size_t /*slide*/) {}
    // Called after every second of frames drawn one by one and after each still and transition.
    virtual void Progress() {}
    // Asked after each slide's transition: true ends the frames there.
    virtual bool Stopped() { return false; }
};

} // namespace render
