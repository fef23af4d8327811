// VideoEncoder: compresses 24-bit pictures with one of the libavcodec encoders of VideoCodecs, one
// key-frame group at a time. Each group starts a fresh encoder whose first frame is the key frame
// and whose other frames are predicted, so groups are independent of each other; each encoded
// frame says whether it changed the picture at all (a predicted frame of skipped blocks only).
#pragma once

#include "base/Result.h"
#include "imaging/Bgr.h"
#include "media/audio/FfPtr.h"
#include "media/video/VideoCodecs.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

struct VideoEncoderSettings {
    std::string Code; // handler code; its family picks the encoder, upper case is the tag
    int Width = 0;    // multiples of 16
    int Height = 0;
    int FrameTime = 40; // milliseconds per frame
    int Quality = 10000;
    // Encoder threads on slices of each frame; 0 = one per core.
    int Threads = 0;
};

struct EncodedFrame {
    std::vector<std::uint8_t> Data;
    bool Key = false;
    // A predicted frame that leaves the decoded picture as it was: replaying its bytes after an
    // identical picture decodes to the same picture again.
    bool NoChange = false;
};

class VideoEncoder {
public:
    ~VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    static base::Result<std::unique_ptr<VideoEncoder>> Create(const VideoEncoderSettings& settings);

    // The quantiser for a quality 0..10000: 31 - round(quality * 29 / 10000), so 10000 gives 2.
    static int QuantiserFor(int quality);

    // Starts a key-frame group: the next frame is a key frame.
    base::Status StartGroup();
    // Encodes a picture of the settings' size as the next frame of the group (index = its
    // frame number in the file).
    base::Result<EncodedFrame> Encode(const imaging::Bgr& picture, std::int64_t index);

    std::uint16_t BitCount() const; // for the bitmap header: 24 (MPEG-4) or 16 (Video-1)
    const VideoEncoderSettings& Settings() const { return settings_; }

private:
    explicit VideoEncoder(const VideoEncoderSettings& settings, const VideoCodec* codec);
    bool NoChangeFrame(const AVPacket& packet) const;

    VideoEncoderSettings settings_;
    const VideoCodec* codec_;
    FfPtr<AVCodecContext> context_;
    FfPtr<AVFrame> frame_;
    FfPtr<AVPacket> packet_;
    FfPtr<SwsContext> convert_;
    int quantiser_ = 2;
    int pixelFormat_ = -1;
    bool groupStarted_ = false;
};

} // namespace media
