// ClipDecoder: one stream of a clip decoded in order. Packets are read from the container as
// frames are asked for, so no more than a few packets and frames are held at any time. A damaged
// packet is passed over; a run of them, or a file that ends early, ends the stream there.
#pragma once

#include "base/Result.h"
#include "media/audio/FfPtr.h"

#include <cstdint>
#include <memory>

namespace media {

class ClipInput;

class ClipDecoder {
public:
    // Decodes `stream` of `input` (which outlives the decoder) on `threads` threads (0: one).
    static base::Result<std::unique_ptr<ClipDecoder>> Open(ClipInput& input, AVStream& stream,
                                                           int threads = 1);
    ClipDecoder(const ClipDecoder&) = delete;
    ClipDecoder& operator=(const ClipDecoder&) = delete;

    // The next frame into `frame` (its old contents released); false at the end of the stream.
    // The frame's best_effort_timestamp is its time in the stream's time base.
    base::Result<bool> Next(AVFrame& frame);
    // Back to the key frame at or before `clipMs` (from the clip's time zero); the next frames
    // are decoded from there.
    base::Status Seek(std::int64_t clipMs);
    // The number of packets read since opening (or the last seek).
    std::int64_t PacketsRead() const { return packets_; }
    const AVCodecContext& Context() const { return *context_; }
    AVStream& Stream() { return stream_; }

private:
    ClipDecoder(ClipInput& input, AVStream& stream) : input_(input), stream_(stream) {}
    base::Result<bool> Feed();

    ClipInput& input_;
    AVStream& stream_;
    FfPtr<AVCodecContext> context_;
    FfPtr<AVPacket> packet_;
    bool flushed_ = false; // the end was sent to the decoder
    int damaged_ = 0;      // damaged packets in a row
    std::int64_t packets_ = 0;
};

} // namespace media
