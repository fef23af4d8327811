// Where the export's frames and soundtrack go: one video file of one container, behind the few
// calls the export makes. The export composes frames and lays out the music; a sink only stores
// them, so another container is another sink (see MakeVideoSink).
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Yuv420.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/CodecChoice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace media {

struct VideoSinkSettings {
    std::string Path;       // the file written (the export's temporary name beside the output)
    std::string OutputPath; // the name it takes when complete (its extension names the container)
    int Width = 0;          // frame size, multiples of 16
    int Height = 0;
    std::string Codec;          // handler code; empty = uncompressed
    int FrameTime = 40;         // milliseconds per frame (AVI; MP4 when Fps is 0)
    int Fps = 0;                // MP4: whole frames per second
    bool Hevc = false;          // MP4: H.265 instead of H.264
    int Quality = kQualityGood; // kQualityGood or kQualityBest, for encoders of constant quality
    std::string Speed;          // MP4: the encoder's preset (ultrafast ... veryslow); "": veryfast
    int Crf = 0;                // MP4: constant quality 1..51 instead of the Quality's; 0: none
};

class VideoSink {
public:
    virtual ~VideoSink() = default;
    // Starts the file with the first frame's size; the frame itself comes with AddFrames.
    virtual base::Status Start(const imaging::Bitmap& first) = 0;
    // `count` frames of the picture (a still repeated costs one frame's work where it can).
    virtual base::Status AddFrames(const imaging::Bitmap& frame, std::int64_t count) = 0;
    // A soundtrack piece (PCM, opened when the sink reads it) starting at its time on the video's
    // time line.
    virtual base::Status AddSound(SoundPiece piece) = 0;
    // Completes the file with what it holds. A sink that fails leaves no file behind.
    virtual base::Status Finish() = 0;
    // False when the container gets no soundtrack; the export then decodes no music.
    virtual bool CarriesSound() const { return true; }
    // True when the soundtrack pieces must come before Start, because the sink writes its sound
    // beside the frames as they come (the uncompressed AVI, too large to spool).
    virtual bool SoundBeforeFrames() const { return false; }
    // True when the sink would rather have the soundtrack pieces before Start too, to read and
    // encode them on a thread of its own while the frames come. The pieces must then pump no
    // progress (they may only watch the job's cancel).
    virtual bool SoundAhead() const { return false; }
    // The export was cancelled during the frames: the video keeps what it got, without sound,
    // as when the music came after the frames. Sinks that write sound beside the frames keep it.
    virtual void DropSound() {}
    // A sink whose encoder takes YUV 4:2:0 takes frames drawn straight into its planes too, once
    // started: the colours it wants them in, or none (AddComposedFrame is then refused).
    virtual std::optional<imaging::YuvMatrix> ComposedMatrix() const { return std::nullopt; }
    // One frame that compose draws into the sink's planes (in ComposedMatrix's colours).
    using FrameComposer = std::function<void(const imaging::Yuv420Planes& planes)>;
    virtual base::Status AddComposedFrame(const FrameComposer& compose);
    // Frames actually compressed (the rest were replayed); for reports and benchmarks.
    virtual std::int64_t EncodedFrames() const { return 0; }
};

using VideoSinkFactory =
    std::function<base::Result<std::unique_ptr<VideoSink>>(const VideoSinkSettings&)>;

// The sink for the settings, by the output's extension: the MP4 writer for ".mp4", otherwise the
// AVI writer (a compressor or uncompressed frames).
base::Result<std::unique_ptr<VideoSink>> MakeVideoSink(const VideoSinkSettings& settings);

// True when the output's extension asks for an MP4 file (any case).
bool IsMp4Output(const std::string& path);

} // namespace media
