// AacEncoder: the sound of an MP4, PCM in (8-bit unsigned or 16-bit signed, any channel count)
// and AAC packets out, with FFmpeg's own AAC encoder: stereo, 192 kbit/s, at the PCM's rate when
// AAC has it (else the next rate it has, resampled).
#pragma once

#include "base/Result.h"
#include "media/audio/FfPtr.h"
#include "media/audio/WavFile.h"

#include <cstdint>
#include <functional>
#include <memory>

struct AVCodecParameters;

namespace media {

class AacEncoder {
public:
    // Receives each packet with its timestamps in 1 / SampleRate() units.
    using PacketSink = std::function<base::Status(AVPacket& packet)>;

    ~AacEncoder() = default;
    AacEncoder(const AacEncoder&) = delete;
    AacEncoder& operator=(const AacEncoder&) = delete;

    static base::Result<std::unique_ptr<AacEncoder>> Create(const PcmFormat& input);

    int SampleRate() const;
    base::Status FillParameters(AVCodecParameters* parameters) const;
    // Encodes `frames` sample frames of the input format.
    base::Status Encode(const std::uint8_t* samples, std::size_t frames, const PacketSink& sink);
    // Encodes what is left (the last frame may be short) and drains the encoder.
    base::Status Finish(const PacketSink& sink);
    // Output samples handed to the encoder so far.
    std::int64_t Samples() const { return sent_; }

private:
    AacEncoder() = default;
    base::Status SendFrames(bool all, const PacketSink& sink);
    base::Status Receive(const PacketSink& sink);

    PcmFormat input_;
    FfPtr<AVCodecContext> context_;
    FfPtr<SwrContext> resample_;
    FfPtr<AVAudioFifo> fifo_;
    FfPtr<AVFrame> frame_;
    FfPtr<AVPacket> packet_;
    std::int64_t sent_ = 0;
};

} // namespace media
