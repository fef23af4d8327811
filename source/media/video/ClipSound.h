// ClipSound: a clip's sound as the show's mixer reads a track (a PcmSource): 44.1 kHz stereo
// 16-bit samples converted by libswresample, from a start time (a trim's in point) on, lined up
// with the clip's pictures: silence where the sound starts after the pictures, samples before
// the start time dropped. Decoded as it is read: memory stays flat in the clip's length.
#pragma once

#include "media/audio/FfPtr.h"
#include "media/audio/PcmSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

class ClipDecoder;
class ClipInput;

class ClipSound final : public PcmSource {
public:
    static constexpr std::uint32_t kRate = 44100;

    // Fails, naming the clip, when it has no sound that can be decoded.
    static base::Result<std::unique_ptr<ClipSound>> Open(std::unique_ptr<ClipInput> input,
                                                         std::int64_t startMs = 0);
    static base::Result<std::unique_ptr<ClipSound>> OpenFile(const std::string& path,
                                                             std::int64_t startMs = 0);
    ~ClipSound() override;

    PcmFormat Format() const override { return PcmFormat{kRate, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override;

private:
    ClipSound() = default;
    base::Result<bool> Refill();
    void Append(const std::uint8_t* const* planes, int samples);

    std::unique_ptr<ClipInput> input_;
    std::unique_ptr<ClipDecoder> decoder_;
    FfPtr<SwrContext> swr_;
    FfPtr<AVFrame> frame_;
    std::int64_t startMs_ = 0;
    bool aligned_ = false; // the first frame after the start has been placed
    bool drained_ = false;
    std::vector<std::uint8_t> pending_; // converted bytes not read yet, from pendingAt_
    std::size_t pendingAt_ = 0;
    std::int64_t dropBytes_ = 0; // converted bytes before the start time still to drop
};

// Opens a clip's sound from its start, for the mixer's PcmSourceOpener.
base::Result<std::unique_ptr<PcmSource>> OpenClipPcmSource(const std::string& path);

// The show's sound opener: a clip's file (by its extension) through OpenClipPcmSource, a track's
// through the audio library (OpenTrackPcmSource).
base::Result<std::unique_ptr<PcmSource>> OpenTrackOrClipPcmSource(const std::string& path);

} // namespace media
