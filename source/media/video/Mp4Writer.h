// Mp4Writer: turns a sequence of pictures into an MP4 video for today's players: H.264 video
// (libx264, yuv420p, constant quality) and AAC sound (stereo, 192 kbit/s, at the soundtrack's
// rate), with the index at the front of the file so it plays while it downloads. It is driven
// like AviWriter: Configure (or the properties), InitVideo, any number of AddFrame / AddStill /
// AddStillFrames, AddWaveFile for each soundtrack piece, FinalizeVideo, WriteAvi (or Write); or,
// as the export's VideoSink, Start, AddFrames, AddSound, Finish.
// A picture repeated for many frames is encoded for its first few only. The frames are encoded on
// a thread of their own (with x264's threads) while the caller composes the next ones; sound
// pieces queued before InitVideo are encoded meanwhile on another (SoundtrackAac). Every write
// failure is reported.
#pragma once

#include "media/video/WriterFrames.h"

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/FrameQueue.h"
#include "media/video/H264Video.h"
#include "media/video/SoundtrackAac.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

class Mp4Writer final : public FrameWriter {
public:
    // Constant-quality levels offered to the user.
    static constexpr int kGoodCrf = 20;
    static constexpr int kBestCrf = 17;

    struct Options {
        std::string FileName;
        int Width = 0;        // rounded down to an even number
        int Height = 0;       // rounded down to an even number
        int FrameTime = 40;   // milliseconds per frame (when Fps is 0)
        int Fps = 0;          // frames per second; 0: 1000 / FrameTime
        bool Hevc = false;    // H.265 (libx265, tagged hvc1) instead of H.264
        int Crf = kGoodCrf;   // x264 constant quality: lower is better
        std::string Speed;    // the encoder's preset (ultrafast ... veryslow); "": veryfast
        bool Stretch = false; // false: pictures of another size centred on black
    };

    Mp4Writer() = default;
    ~Mp4Writer() override;

    // The export's sink for the settings: pictures centred on black, the quality's CRF.
    static base::Result<std::unique_ptr<VideoSink>> Create(const VideoSinkSettings& settings);

    // Every property (its own and the frame writer's); fails when the file name is empty.
    base::Status Configure(const Options& options);

    // H.264 with 4:2:0 chroma needs even sides.
    static int RoundSide(int value) { return value < 0 ? 0 : value / 2 * 2; }
    void SetWidth(int width) { width_ = RoundSide(width); }
    void SetHeight(int height) { height_ = RoundSide(height); }
    void SetCrf(int crf) { crf_ = crf < 0 ? 0 : (crf > 51 ? 51 : crf); }
    int Crf() const { return crf_; }
    // The encoder's preset by name, as x264 and x265 know them; "" keeps H264Settings' own.
    void SetSpeed(const std::string& speed) { speed_ = speed; }
    // A single WAV for the whole soundtrack (used when no piece is queued); must end in ".wav".
    base::Status SetWavFileName(const std::string& name);
    // Whole frames per second (24, 25, 30, 50, 60); 0 keeps the frame time in milliseconds.
    void SetFrameRate(int fps);
    int FrameRate() const { return fps_; }
    void SetHevc(bool hevc) { hevc_ = hevc; }
    // Encoder threads; 0 = one per core.
    void SetThreads(int threads) { threads_ = threads; }
    // Frames of a still encoded after its first before the rest repeat it (see H264Settings).
    void SetRefineStills(int frames) { refine_ = frames < 0 ? 0 : frames; }

    // Starts the video (and creates the output file); the first picture is not written.
    base::Status InitVideo(const imaging::Bitmap& first) override;
    // Writes the file: the video and, from the queued pieces, one AAC stream, interleaved. On
    // failure the output file is removed; after an abort it is removed and nothing is reported.
    base::Status Write();
    // The same under AviWriter's name, so one export routine drives either writer.
    base::Status WriteAvi() { return Write(); }
    base::Status WriteFile() override { return Write(); }

    // Frames the encoder actually compressed (the rest repeat a still); kept after the write.
    std::int64_t EncodedFrames() const override;
    // Once started: the colours of the encoder's YUV frames (BT.709 from 720 lines).
    std::optional<imaging::YuvMatrix> ComposedMatrix() const override;
    // The export's soundtrack comes before Start and is encoded while the frames are.
    bool SoundAhead() const override { return true; }
    void DropSound() override;

private:
    base::Status Encode(const imaging::Bgr& frame, std::int64_t count) override;
    base::Status EncodeComposed(const FrameComposer& compose) override;
    void EndFrames() override;
    base::Status Mux();
    void Release();
    // Where the frames and the sound wait until the file is written.
    std::string SpoolFolder() const;

    // The time of a frame boundary in milliseconds.
    std::int64_t FrameMs(std::int64_t frame) const;

    int crf_ = kGoodCrf;
    std::string speed_;
    int fps_ = 0;
    bool hevc_ = false;
    int threads_ = 0;
    int refine_ = H264Settings{}.RefineStills;
    std::int64_t encoded_ = 0;

    std::unique_ptr<H264Video> video_;
    std::unique_ptr<FrameQueue> ahead_;         // feeds video_ from its own thread
    std::unique_ptr<SoundtrackAac> soundAhead_; // the pieces queued before the start, encoding
    base::Status ended_;                        // how the frames queued ahead ended
};

} // namespace media
