// What the AVI and MP4 writers share: fitting a picture into the video's frame, the test for a
// repeated picture, the progress notice every 20 frames, where their temporary files go, and the
// calling order of frames and soundtrack pieces (FrameWriter), which is also the export's
// VideoSink life cycle.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/VideoSink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

using FrameProgressHandler = std::function<void(std::int64_t frameCount, bool& abort)>;

// The picture as a width x height frame: itself when it already has that size, otherwise drawn
// into scratch (black), stretched or centred.
const imaging::Bgr& FitToFrame(const imaging::Bitmap& picture, int width, int height, bool stretch,
                               imaging::Bitmap& scratch);

// True when two pictures have the same size and the same pixels (row padding aside): a repeated
// frame, shown again instead of composed or encoded again.
bool SamePicture(const imaging::Bgr& a, const imaging::Bgr& b);

// Calls the handler for every multiple of 20 frames passed from before to after; true when it
// asked to abort.
bool ReportEveryTwentyFrames(const FrameProgressHandler& handler, std::int64_t before,
                             std::int64_t after);

// The folder of a file path, with its '/' ("." when the path has none).
std::string FolderOf(const std::string& path);

// True when the path ends in ".wav", in any case; the message when it does not.
bool HasWavExtension(const std::string& path);
inline constexpr const char* kWavExtensionMessage =
    "WavFileName must name a file with the .wav extension";

// The frames and soundtrack pieces of one video, as both writers take them: frames are added
// between InitVideo and FinalizeVideo, fitted to the frame size, counted and reported every 20
// frames (where the handler may abort); pieces are queued for the final write. A writer supplies
// the start, the encoding of a fitted frame and the final write; as a VideoSink, Start is
// InitVideo and Finish is FinalizeVideo then the write.
class FrameWriter : public VideoSink {
public:
    // Called every 20 frames written with the frame count; setting abort stops the writer.
    using ProgressHandler = FrameProgressHandler;

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetFrameTime(int ms) { frameTime_ = ms < 1 ? 1 : ms; }
    int FrameTime() const { return frameTime_; }
    void SetStretch(bool stretch) { stretch_ = stretch; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    void SetProgressHandler(ProgressHandler handler) { onProgress_ = std::move(handler); }
    // Folder of the temporary frame store; the output's folder when empty.
    void SetTemporaryFolder(const std::string& folder) { tempFolder_ = folder; }
    // Encodes every frame instead of repeating stills (for comparisons).
    void SetReplayRepeats(bool replay) { replay_ = replay; }

    // Starts the video; the first picture is not written (add it).
    virtual base::Status InitVideo(const imaging::Bitmap& first) = 0;
    // Writes the file from what was added; on failure the output file is removed.
    virtual base::Status WriteFile() = 0;

    // The export's sink.
    base::Status Start(const imaging::Bitmap& first) override { return InitVideo(first); }
    base::Status AddFrames(const imaging::Bitmap& picture, std::int64_t count) override;
    base::Status AddSound(SoundPiece piece) override;
    base::Status Finish() override;
    base::Status AddComposedFrame(const FrameComposer& compose) override;

    base::Status AddFrame(const imaging::Bitmap& picture);
    // (ms div FrameTime) + 1 frames of the picture.
    base::Status AddStill(const imaging::Bitmap& picture, std::int64_t ms);
    // `count` frames of the picture.
    base::Status AddStillFrames(const imaging::Bitmap& picture, std::int64_t count);
    // Queues a soundtrack piece starting at startMs; the path must end in ".wav".
    base::Status AddWaveFile(const std::string& path, std::int32_t startMs);
    // Ends the frames: a writer that encodes ahead completes its last frames now.
    void FinalizeVideo();

    bool Initialized() const { return initialized_; }
    bool Finalized() const { return finalized_; }
    bool Aborted() const { return aborted_; }
    std::int64_t FrameCount() const { return frameCount_; }
    const std::vector<SoundPiece>& SoundPieces() const { return waveFiles_; }

    ~FrameWriter() override = default;
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

protected:
    FrameWriter() = default;

    // Writes `count` frames of a picture already of the frame size.
    virtual base::Status Encode(const imaging::Bgr& frame, std::int64_t count) = 0;
    // Writes one frame drawn straight into the encoder's planes (writers with ComposedMatrix).
    virtual base::Status EncodeComposed(const FrameComposer&) {
        return base::Fail("Failed to add Frame: this video takes no composed frames");
    }
    // Called by FinalizeVideo: completes frames still being encoded (a failure is kept for the
    // write to report).
    virtual void EndFrames() {}
    const imaging::Bgr& BuildFrame(const imaging::Bitmap& picture);

    int width_ = 96; // a tenth of a 1024 x 768 screen, rounded down to multiples of 16
    int height_ = 64;
    int frameTime_ = 1000;
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
    std::vector<SoundPiece> waveFiles_;

private:
    imaging::Bitmap frame_;
};

} // namespace media
