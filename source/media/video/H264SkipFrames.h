// H264SkipFrames: writes the H.264 frames that repeat the previous picture exactly (every
// macroblock skipped), so a still shown for many frames is encoded once. It reads the encoder's
// sequence parameter set, adds a picture parameter set of its own (CAVLC, one reference, no
// weighting) and makes P frames whose slice is a single skip run. Each repeat is a reference
// picture, so the next repeat copies it and the picture order never waits on an older picture.
// Input and output are Annex B byte streams (start codes).
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace media {

// What the repeat frames need from the first slice of an encoded frame.
struct H264SliceInfo {
    bool Reference = false; // nal_ref_idc != 0
    bool Idr = false;
    std::uint32_t FrameNum = 0;
    std::uint32_t PocLsb = 0;
};

class H264SkipFrames {
public:
    // From the encoder's parameter sets (Annex B); fails when the stream uses a form the repeat
    // frames cannot follow (interlace, picture order type 1, a scaling matrix).
    static base::Result<H264SkipFrames> Create(std::span<const std::uint8_t> parameterSets);

    // The picture parameter set the repeat frames refer to, with its start code; it belongs with
    // the encoder's parameter sets in the stream's header.
    const std::vector<std::uint8_t>& ParameterSet() const { return pps_; }
    // The first slice of an encoded frame (Annex B), or a failure when it has none.
    base::Result<H264SliceInfo> ReadSlice(std::span<const std::uint8_t> frame) const;
    // A frame repeating `last`, which must be the last reference picture decoded and the last one
    // shown; `last` becomes the repeat.
    std::vector<std::uint8_t> Repeat(H264SliceInfo& last) const;

    std::uint32_t Macroblocks() const { return macroblocks_; }
    std::uint32_t PpsId() const { return ppsId_; }

private:
    H264SkipFrames() = default;

    std::uint32_t spsId_ = 0;
    std::uint32_t ppsId_ = 1;
    std::uint32_t frameNumBits_ = 4;
    std::uint32_t pocType_ = 0;
    std::uint32_t pocLsbBits_ = 4;
    std::uint32_t macroblocks_ = 0;
    std::vector<std::uint8_t> pps_;
};

} // namespace media
