// Mp4Writer: turns a sequence of pictures into an MP4 video for today's players: H.264 video
// (libx264, yuv420p, constant quality) and AAC sound (stereo, 192 kbit/s, at the soundtrack's
// rate), with the index at the front of the file so it plays while it downloads. It is driven
// like AviWriter: Configure (or the properties), InitVideo, any number of AddFrame / AddStill /
// AddStillFrames, AddWaveFile for each soundtrack piece, FinalizeVideo, WriteAvi (or Write).
// A picture repeated for many frames is encoded for its first few only. Every write failure is
// reported.
#pragma once

#include "media/WriterFrames.h"

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/H264Video.h"
#include "media/SoundtrackReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

class Mp4Writer {
public:
    // Called every 20 frames written with the frame count; setting abort stops the writer.
    using ProgressHandler = FrameProgressHandler;

    // Constant-quality levels offered to the user.
    static constexpr int kGoodCrf = 20;
    static constexpr int kBestCrf = 17;

    struct Options {
        std::string FileName;
        int Width = 0;        // rounded down to an even number
        int Height = 0;       // rounded down to an even number
        int FrameTime = 40;   // milliseconds per frame
        int Crf = kGoodCrf;   // x264 constant quality: lower is better
        bool Stretch = false; // false: pictures of another size centred on black
    };

    Mp4Writer() = default;
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer&) = delete;
    Mp4Writer& operator=(const Mp4Writer&) = delete;

    // Every property below; fails when the file name is empty.
    base::Status Configure(const Options& options);

    // H.264 with 4:2:0 chroma needs even sides.
    static int RoundSide(int value) { return value < 0 ? 0 : value / 2 * 2; }
    void SetWidth(int width) { width_ = RoundSide(width); }
    void SetHeight(int height) { height_ = RoundSide(height); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetFrameTime(int ms) { frameTime_ = ms < 1 ? 1 : ms; }
    int FrameTime() const { return frameTime_; }
    void SetCrf(int crf) { crf_ = crf < 0 ? 0 : (crf > 51 ? 51 : crf); }
    int Crf() const { return crf_; }
    void SetStretch(bool stretch) { stretch_ = stretch; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    // A single WAV for the whole soundtrack (used when no piece is queued); must end in ".wav".
    base::Status SetWavFileName(const std::string& name);
    void SetProgressHandler(ProgressHandler handler) { onProgress_ = std::move(handler); }
    // Folder of the temporary frame store; the output's folder when empty.
    void SetTemporaryFolder(const std::string& folder) { tempFolder_ = folder; }
    // Encodes every frame instead of repeating stills (for comparisons).
    void SetReplayRepeats(bool replay) { replay_ = replay; }
    // Encoder threads; 0 = one per core.
    void SetThreads(int threads) { threads_ = threads; }
    // Frames of a still encoded after its first before the rest repeat it (see H264Settings).
    void SetRefineStills(int frames) { refine_ = frames < 0 ? 0 : frames; }

    // Starts the video (and creates the output file); the first picture is not written.
    base::Status InitVideo(const imaging::Bitmap& first);
    base::Status AddFrame(const imaging::Bitmap& picture);
    // (ms div FrameTime) + 1 frames of the picture.
    base::Status AddStill(const imaging::Bitmap& picture, std::int64_t ms);
    // `count` frames of the picture.
    base::Status AddStillFrames(const imaging::Bitmap& picture, std::int64_t count);
    // Queues a soundtrack piece starting at startMs; the path must end in ".wav".
    base::Status AddWaveFile(const std::string& path, std::int32_t startMs);
    void FinalizeVideo();
    // Writes the file: the video and, from the queued pieces, one AAC stream, interleaved. On
    // failure the output file is removed; after an abort it is removed and nothing is reported.
    base::Status Write();
    // The same under AviWriter's name, so one export routine drives either writer.
    base::Status WriteAvi() { return Write(); }

    bool Initialized() const { return initialized_; }
    bool Finalized() const { return finalized_; }
    bool Aborted() const { return aborted_; }
    std::int64_t FrameCount() const { return frameCount_; }
    const std::vector<QueuedWav>& WaveFiles() const { return waveFiles_; }
    // Frames the encoder actually compressed (the rest repeat a still).
    std::int64_t EncodedFrames() const { return video_ ? video_->EncodedFrames() : 0; }

private:
    const imaging::Bgr& BuildFrame(const imaging::Bitmap& picture);
    base::Status AddFrames(const imaging::Bitmap& picture, std::int64_t count);
    base::Status Mux();
    void Report(std::int64_t before, std::int64_t after);

    int width_ = 96;
    int height_ = 64;
    int frameTime_ = 1000;
    int crf_ = kGoodCrf;
    int threads_ = 0;
    int refine_ = H264Settings{}.RefineStills;
    bool stretch_ = true;
    bool replay_ = true;
    std::string fileName_;
    std::string wavFileName_;
    std::string tempFolder_;
    ProgressHandler onProgress_;

    bool initialized_ = false;
    bool finalized_ = false;
    bool aborted_ = false;
    std::int64_t frameCount_ = 0;
    std::vector<QueuedWav> waveFiles_;
    std::unique_ptr<H264Video> video_;
    imaging::Bitmap frame_;
};

} // namespace media
