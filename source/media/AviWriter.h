// AviWriter: turns a sequence of pictures into an AVI video with a compressor chosen by its
// handler code, and adds the soundtrack from queued WAV pieces. Without a compressor the frames go
// to the uncompressed writer. Calling order for one video: set the properties (or Configure),
// InitVideo, any number of AddFrame / AddStill / AddStillFrames, AddWaveFile for each piece,
// FinalizeVideo, WriteAvi. Failures come back with the writer's English texts, ending in an
// eight-digit code where the failing call gave one.
#pragma once

#include "media/WriterFrames.h"

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/CompressedVideo.h"
#include "media/RawAviWriter.h"
#include "media/SoundtrackReader.h"

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

    // Starts the video; the first picture is not written (add it).
    base::Status InitVideo(const imaging::Bitmap& first);
    // Writes the file: the video stream and, from the queued pieces, one PCM audio stream,
    // interleaved about once a second. On failure the output file is removed.
    base::Status WriteAvi();

    // Frames the encoder actually compressed (the rest were replayed).
    std::int64_t EncodedFrames() const { return video_ ? video_->EncodedCount() : 0; }

private:
    base::Status Encode(const imaging::Bgr& frame, std::int64_t count) override;
    base::Status Mux();
    void Release();

    int quality_ = 5000;
    std::string compressor_;

    std::unique_ptr<CompressedVideo> video_;
    std::unique_ptr<RawAviWriter> raw_;
};

} // namespace media
