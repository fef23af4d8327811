// One track as the mixer hears it: the decoder's 8- or 16-bit samples converted to interleaved
// float stereo (full scale 1.0) at the mix's rate by libswresample. A mono track plays at full
// level on both sides, as in the pieces' soundtrack.
#pragma once

#include "media/audio/PcmSource.h"

#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace media {

class FloatTrackReader {
public:
    static base::Result<std::unique_ptr<FloatTrackReader>> Open(std::unique_ptr<PcmSource> source,
                                                                std::uint32_t rate);
    ~FloatTrackReader();
    FloatTrackReader(const FloatTrackReader&) = delete;
    FloatTrackReader& operator=(const FloatTrackReader&) = delete;

    // Up to `frames` stereo frames into out (2 × frames floats); fewer only at the end of the
    // track; 0 once it has ended. A decoder that fails midway ends the track there.
    std::size_t Read(float* out, std::size_t frames);

private:
    FloatTrackReader() = default;
    std::size_t Convert(const std::uint8_t* in, int inFrames, float* out, std::size_t frames);

    std::unique_ptr<PcmSource> source_;
    SwrContext* swr_ = nullptr;
    std::vector<std::uint8_t> input_;
    bool ended_ = false;
    bool drained_ = false;
};

} // namespace media
