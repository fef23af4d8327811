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

class AviWriter {
public:
    // Called every 20 frames written with the frame count; setting abort stops the writer.
    using ProgressHandler = FrameProgressHandler;

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
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Every property below in calling order; fails as SetCodec does.
    base::Status Configure(const Options& options);

    static int RoundSide(int value) { return value < 0 ? 0 : value / 16 * 16; }
    void SetWidth(int width) { width_ = RoundSide(width); }
    void SetHeight(int height) { height_ = RoundSide(height); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Looks up the compressor now: "No compressor for CODE\n available" when none serves it.
    // An empty code means no compression.
    base::Status SetCodec(const std::string& code);
    const std::string& Compressor() const { return compressor_; }
    void SetFrameTime(int ms) { frameTime_ = ms < 1 ? 1 : ms; }
    int FrameTime() const { return frameTime_; }
    void SetQuality(int quality) { quality_ = quality; }
    void SetStretch(bool stretch) { stretch_ = stretch; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    // A single WAV for the whole soundtrack (used when no piece is queued); must end in ".wav".
    base::Status SetWavFileName(const std::string& name);
    void SetProgressHandler(ProgressHandler handler) { onProgress_ = std::move(handler); }
    // Folder of the temporary frame store; the output's folder when empty.
    void SetTemporaryFolder(const std::string& folder) { tempFolder_ = folder; }
    // Encodes every frame instead of replaying repeats (for comparisons).
    void SetReplayRepeats(bool replay) { replay_ = replay; }

    // Starts the video; the first picture is not written (add it).
    base::Status InitVideo(const imaging::Bitmap& first);
    base::Status AddFrame(const imaging::Bitmap& picture);
    // (ms div FrameTime) + 1 frames of the picture.
    base::Status AddStill(const imaging::Bitmap& picture, std::int64_t ms);
    // `count` frames of the picture.
    base::Status AddStillFrames(const imaging::Bitmap& picture, std::int64_t count);
    // Queues a soundtrack piece starting at startMs; the path must end in ".wav".
    base::Status AddWaveFile(const std::string& path, std::int32_t startMs);
    void FinalizeVideo();
    // Writes the file: the video stream and, from the queued pieces, one PCM audio stream,
    // interleaved about once a second. On failure the output file is removed.
    base::Status WriteAvi();

    bool Initialized() const { return initialized_; }
    bool Finalized() const { return finalized_; }
    bool Aborted() const { return aborted_; }
    std::int64_t FrameCount() const { return frameCount_; }
    const std::vector<QueuedWav>& WaveFiles() const { return waveFiles_; }
    // Frames the encoder actually compressed (the rest were replayed).
    std::int64_t EncodedFrames() const { return video_ ? video_->EncodedCount() : 0; }

private:
    const imaging::Bgr& BuildFrame(const imaging::Bitmap& picture);
    base::Status AddFrames(const imaging::Bitmap& picture, std::int64_t count);
    base::Status Mux();
    void Release();
    void Report(std::int64_t before, std::int64_t after);

    int width_ = 96; // a tenth of a 1024 x 768 screen, rounded down to multiples of 16
    int height_ = 64;
    int frameTime_ = 1000;
    int quality_ = 5000;
    bool stretch_ = true;
    bool replay_ = true;
    std::string compressor_;
    std::string fileName_;
    std::string wavFileName_;
    std::string tempFolder_;
    ProgressHandler onProgress_;

    bool initialized_ = false;
    bool finalized_ = false;
    bool aborted_ = false;
    std::int64_t frameCount_ = 0;
    std::vector<QueuedWav> waveFiles_;
    std::unique_ptr<CompressedVideo> video_;
    std::unique_ptr<RawAviWriter> raw_;
    imaging::Bitmap frame_;
};

} // namespace media
