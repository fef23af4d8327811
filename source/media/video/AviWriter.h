// AviWriter: turns a sequence of pictures into an AVI video with a compressor chosen by its
// handler code, and adds the soundtrack from queued WAV pieces. Without a compressor the frames go
// to the uncompressed writer. Calling order for one video: set the properties (or Configure),
// InitVideo, any number of AddFrame / AddStill / AddStillFrames, AddWaveFile for each piece,
// FinalizeVideo, WriteAvi; or, as the export's VideoSink, Start, AddFrames, AddSound, Finish.
// With a compressor the key-frame groups are encoded on every core the process may use (see
// CompressedVideo). Failures come back with the writer's English texts, ending in an eight-digit
// code where the failing call gave one.
#pragma once

#include "media/video/WriterFrames.h"

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/CompressedVideo.h"
#include "media/video/RawAviWriter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

class AviWriter final : public FrameWriter {
public:
    struct Options {
        std::string FileName;
        int Width = 0;        // rounded down to a multiple of 16
        int Height = 0;       // rounded down to a multiple of 16
        std::string Codec;    // handler code (first four characters); empty = uncompressed
        int FrameTime = 40;   // milliseconds per frame
        int Quality = 10000;  // 0..10000
        bool Stretch = false; // false: pictures centred on black
    };

    AviWriter() = default;
    ~AviWriter() override;

    // The export's sink for the settings: pictures centred on black, the best quality. Fails as
    // SetCodec does (no compressor for the code).
    static base::Result<std::unique_ptr<VideoSink>> Create(const VideoSinkSettings& settings);

    // Every property (its own and the frame writer's) in calling order; fails as SetCodec does.
    base::Status Configure(const Options& options);

    static int RoundSide(int value) { return value < 0 ? 0 : value / 16 * 16; }
    void SetWidth(int width) { width_ = RoundSide(width); }
    void SetHeight(int height) { height_ = RoundSide(height); }
    // Looks up the compressor now: "No compressor for CODE\n available" when none serves it.
    // An empty code means no compression.
    base::Status SetCodec(const std::string& code);
    const std::string& Compressor() const { return compressor_; }
    void SetQuality(int quality) { quality_ = quality; }
    // A single WAV for the whole soundtrack (used when no piece is queued); must end in ".wav".
    base::Status SetWavFileName(const std::string& name);

    // Key-frame groups encoded at a time (0: one per usable core; 1: on the caller's thread).
    void SetWorkers(int workers) { workers_ = workers; }

    // Starts the video; the first picture is not written (add it).
    base::Status InitVideo(const imaging::Bitmap& first) override;
    // Writes the file: the video stream and, from the queued pieces, one PCM audio stream,
    // interleaved about once a second. On failure the output file is removed.
    base::Status WriteAvi();
    base::Status WriteFile() override { return WriteAvi(); }

    // Without a compressor the sound is written beside the frames as they come.
    bool SoundBeforeFrames() const override { return compressor_.empty(); }
    // Frames the encoder actually compressed so far (the rest were replayed); complete once the
    // video is finalized, and kept after the write.
    std::int64_t EncodedFrames() const override {
        return video_ ? video_->EncodedCount() : encoded_;
    }

private:
    base::Status Encode(const imaging::Bgr& frame, std::int64_t count) override;
    void EndFrames() override;
    base::Status Mux();
    void Release();

    int quality_ = 5000;
    std::string compressor_;
    int workers_ = 0;
    std::int64_t encoded_ = 0;
    base::Status ended_; // the completion of the last groups

    std::unique_ptr<CompressedVideo> video_;
    std::unique_ptr<RawAviWriter> raw_;
};

} // namespace media
