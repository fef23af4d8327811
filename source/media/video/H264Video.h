// H264Video: the H.264 (or H.265) video of an MP4, encoded with libx264 (libx265) as the pictures
// arrive and kept in a FrameSpool until the container is written. A picture repeated for many
// frames goes through the encoder only for its first few frames: the frames after them are written
// as repeat frames (H264SkipFrames), and the next new picture starts a fresh key frame, so an
// encoder that never saw the repeats stays in step with the stream.
#pragma once

#include "base/Result.h"
#include "imaging/Yuv420.h"
#include "media/audio/FfPtr.h"
#include "media/video/FrameSpool.h"
#include "media/video/H264SkipFrames.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace media {

struct H264Settings {
    int Width = 0; // even
    int Height = 0;
    int FrameTime = 40; // milliseconds per frame (when Fps is 0)
    int Fps = 0;        // frames per second; 0: 1000 / FrameTime
    // "libx264", or "libx265" for H.265 (every frame encoded: the repeat frames are H.264's).
    std::string Encoder = "libx264";
    int Level = 0; // H.264 level_idc or H.265 general_level_idc; 0: the encoder's choice
    // Constant quality (x264's CRF): lower is better; 18 is close to transparent.
    int Crf = 20;
    // veryfast: the slide show is mostly stills and smooth transitions, where the slower presets'
    // deeper motion search buys a few percent of size at two to three times the time.
    std::string Preset = "veryfast";
    int Threads = 0; // 0 = one per core
    // false: every frame goes through the encoder (for comparisons).
    bool RepeatStills = true;
    // Frames of a still encoded after its first before the rest repeat: each refines the
    // picture a little, as the encoder would over the whole still. Six keep the luma within
    // about 0.5 dB of encoding every frame (mp4_bench Show).
    int RefineStills = 6;
};

class H264Video {
public:
    // One frame of the stream in decoding order: where its bytes lie in the spool.
    struct Packet {
        std::uint64_t Offset = 0;
        std::uint32_t Size = 0;
        std::int64_t Pts = 0; // frame number in showing order
        bool Key = false;
    };

    ~H264Video() = default;
    H264Video(const H264Video&) = delete;
    H264Video& operator=(const H264Video&) = delete;

    // spoolFolder holds the temporary file.
    static base::Result<std::unique_ptr<H264Video>> Create(const H264Settings& settings,
                                                           const std::string& spoolFolder);

    // Appends `count` frames of the picture: YUV 4:2:0 of the settings' size in the colours of
    // Matrix(), reference-counted (a reference to the last new picture is kept, to compare the
    // next one with).
    base::Status Add(const AVFrame& picture, std::int64_t count);
    // Encodes what the encoder still holds; no frame can be added afterwards.
    base::Status Finish();

    const std::vector<Packet>& Packets() const { return packets_; }
    // The bytes of a packet (Annex B); valid until the next call.
    base::Result<std::span<const std::uint8_t>> Read(const Packet& packet);
    // The stream's parameters for the muxer, with the repeat frames' parameter set.
    base::Status FillParameters(AVCodecParameters* parameters) const;
    std::int64_t FrameCount() const { return frames_; }
    // Frames the encoder compressed (the rest were written as repeats).
    std::int64_t EncodedFrames() const { return fed_; }
    const H264Settings& Settings() const { return settings_; }
    // The colours the pictures come in: BT.709 for 720 lines and up, BT.601 below.
    imaging::YuvMatrix Matrix() const;

private:
    // A picture fed to the encoder (by its number among those fed) shown `Repeats` more times.
    struct Run {
        std::int64_t Fed = 0;
        std::int64_t Repeats = 0;
    };

    H264Video() = default;
    base::Status Open();
    // Sends the last new picture (held in frame_) to the encoder as the next frame.
    base::Status Feed();
    base::Status Receive(bool draining);
    base::Status Take(const AVPacket& packet);
    base::Status WriteRuns(std::int64_t beforeFed);
    base::Status Store(std::span<const std::uint8_t> bytes, std::int64_t pts, bool key);

    H264Settings settings_;
    FfPtr<AVCodecContext> context_;
    FfPtr<AVFrame> frame_; // a reference to the last new picture
    FfPtr<AVPacket> packet_;
    std::optional<H264SkipFrames> skip_;

    std::int64_t frames_ = 0;           // frames of the stream so far
    std::int64_t fed_ = 0;              // pictures given to the encoder
    std::vector<std::int64_t> shownAt_; // frame number of each fed picture
    std::vector<Run> runs_;             // repeats waiting for their picture to come out
    bool forceKey_ = false;             // the next fed picture must start a new group
    std::int64_t takenFed_ = 0;         // encoded pictures received
    H264SliceInfo lastReference_;       // the last reference picture received, and its number
    std::int64_t lastReferenceFed_ = -1;
    int copies_ = 0; // times the last picture was fed
    bool finished_ = false;

    std::unique_ptr<FrameSpool> spool_;
    std::vector<Packet> packets_;
};

} // namespace media
