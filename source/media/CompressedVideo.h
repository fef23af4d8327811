// CompressedVideo: the compressed frames of one video, encoded group by group and kept in an
// unlinked temporary file until the AVI is written. A still shown for many frames costs almost
// nothing: within a group the picture is encoded until a frame comes out unchanged, whose bytes
// are then replayed for the rest of the group; a whole group of the same picture is replayed
// for later groups. The result decodes frame for frame like encoding every frame.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/VideoEncoder.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace media {

class CompressedVideo {
public:
    // One frame of the stream: where its bytes lie in the spool.
    struct Frame {
        std::uint64_t Offset = 0;
        std::uint32_t Size = 0;
        bool Key = false;
    };

    ~CompressedVideo();
    CompressedVideo(const CompressedVideo&) = delete;
    CompressedVideo& operator=(const CompressedVideo&) = delete;

    // spoolFolder holds the temporary file (removed from the folder at once, so it goes away
    // on every path). replay false encodes every frame (for comparisons).
    static base::Result<std::unique_ptr<CompressedVideo>>
    Create(const VideoEncoderSettings& settings, const std::string& spoolFolder,
           bool replay = true);

    // Appends `count` frames showing the picture (of the settings' size).
    base::Status Add(const imaging::Bgr& picture, std::int64_t count);

    const std::vector<Frame>& Frames() const { return frames_; }
    int GroupLength() const { return group_; }
    const VideoEncoder& Encoder() const { return *encoder_; }
    // The bytes of a frame; valid until the next call.
    base::Result<std::span<const std::uint8_t>> Read(const Frame& frame);
    // Frames actually encoded (the rest were replayed).
    std::int64_t EncodedCount() const { return encoded_; }

private:
    CompressedVideo() = default;
    base::Result<Frame> Store(const EncodedFrame& frame);
    base::Result<EncodedFrame> EncodeNext(const imaging::Bgr& picture);

    std::unique_ptr<VideoEncoder> encoder_;
    int fd_ = -1;
    std::uint64_t spoolSize_ = 0;
    std::vector<std::uint8_t> pending_; // spool bytes not yet written
    std::vector<Frame> frames_;
    std::vector<Frame> template_; // a whole group of the current picture, when complete
    std::vector<std::uint8_t> readBuffer_;
    std::uint64_t readOffset_ = ~0ull;
    int group_ = 25;
    bool replay_ = true;
    std::int64_t encoded_ = 0;
    // Frames replayed in the current group since the encoder last ran, and their picture: the
    // encoder alternates its rounding on every predicted frame, so after an odd number of
    // replays it encodes that picture once more (an unchanged frame, dropped) to keep in step.
    std::int64_t replayedSinceEncode_ = 0;
    imaging::Bitmap replayedPicture_;
};

} // namespace media
