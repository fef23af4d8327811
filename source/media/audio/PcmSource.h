// A decoder of one track file into interleaved PCM blocks, as the soundtrack mixdown uses it. The
// program's implementation sits over the audio library (TrackPcmSource); tests use their own.
#pragma once

#include "base/Result.h"
#include "media/audio/WavFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace media {

class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Signed 16-bit or unsigned 8-bit samples.
    virtual PcmFormat Format() const = 0;
    // Up to `size` bytes of whole sample frames; 0 at the end of the track.
    virtual base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) = 0;
};

using PcmSourceOpener =
    std::function<base::Result<std::unique_ptr<PcmSource>>(const std::string& path)>;

} // namespace media
