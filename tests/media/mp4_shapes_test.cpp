// The MP4 video for today's screens, read back with ffprobe and ffmpeg: every shape at 1080 and
// 2160p at 60 frames per second (size, rate, frame count, codec tag, BT.709, AAC, index first,
// no decode error), H.265 tagged for Apple's players, the music and slides in place at 30
// frames per second, the frame timing rules and the photos enlarged sharply.
#include "AviProbe.h"
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "media/export/ExportRate.h"
#include "media/export/VideoExport.h"
#include "media/video/Mp4Format.h"
#include "media/video/SharpFit.h"
#include "render/ShowTimeline.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/FileBytes.h"
#include <cstring>
#include <fstream>

namespace {

using media::ExportOutcome;
using media::VideoShape;

// A steady tone (or silence) of a number of seconds.
class ToneSource final : public media::PcmSource {
public:
    ToneSource(std::int64_t seconds, std::int16_t amplitude)
        : left_(seconds * 48000), amplitude_(amplitude) {}
    media::PcmFormat Format() const override { return {48000, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4)));
        for (std::size_t i = 0; i < n; ++i) {
            // A 1 kHz square wave: its onset is sharp in the decoded AAC.
            const std::int16_t v = (phase_++ / 24) % 2 ? amplitude_ : -amplitude_;
            std::memcpy(out + i * 4, &v, 2);
            std::memcpy(out + i * 4 + 2, &v, 2);
        }
        left_ -= static_cast<std::int64_t>(n);
        return n * 4;
    }

private:
    std::int64_t left_;
    std::int16_t amplitude_;
    std::int64_t phase_ = 0;
};

class Mp4ShapesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A slide of one flat colour (distinct per variant) of w x h.
    void AddSlide(int seconds, int kind, int fade, int variant, int w = 320, int h = 240) {
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(w, h);
        picture.Fill(static_cast<std::uint8_t>(40 + variant * 70), 90,
                     static_cast<std::uint8_t>(220 - variant * 70));
        const std::string file = Path("slide" + std::to_string(show.Slides.size()) + ".bmp");
        ASSERT_TRUE(imaging::SaveBmpFile(file, picture));
        auto s = project::Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionKind = kind;
        s.TransitionMs = std::int64_t{fade} * 1000;
        s.BackColor = 0;
        s.WorkFile = file;
        show.Slides.push_back(s);
    }
    // The two slides made last as a show of one second in exact milliseconds: a 0.3 s still, a
    // 0.3 s slide-in, a 0.4 s still. Enough frames to check, few to encode.
    void ShortenToOneSecond() {
        show.Slides[0].StillMs = 300;
        show.Slides[0].TransitionMs = 300;
        show.Slides[1].StillMs = 400;
    }
    void AddTrack(int seconds, int amplitude) {
        auto t = project::Track::MakeDefault();
        t.PlaySeconds = seconds;
        t.Volume = 100;
        t.WorkFile = Path("t" + std::to_string(show.Sounds.size()) + "_" +
                          std::to_string(amplitude) + ".mp3");
        show.Sounds.push_back(t);
    }
    media::VideoExportOptions Options(const std::string& name, int resolution, VideoShape shape,
                                      int fps) {
        media::VideoExportOptions o;
        o.OutputPath = Path(name);
        o.Resolution = resolution;
        o.Shape = shape;
        o.Fps = fps;
        o.OpenTrack =
            [](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
            const int amplitude = std::stoi(path.substr(path.rfind('_') + 1));
            return std::unique_ptr<media::PcmSource>(
                std::make_unique<ToneSource>(60, static_cast<std::int16_t>(amplitude)));
        };
        return o;
    }
    // Checks what every MP4 of today's sizes must be.
    void ExpectPlayable(const std::string& file, media::FrameSize size, int fps,
                        std::int64_t frames, const std::string& tag) {
        auto v = avi_probe::Stream(file, "v:0");
        EXPECT_EQ(v["width"], std::to_string(size.Width)) << file;
        EXPECT_EQ(v["height"], std::to_string(size.Height)) << file;
        EXPECT_EQ(v["r_frame_rate"], std::to_string(fps) + "/1") << file;
        EXPECT_EQ(v["nb_read_frames"], std::to_string(frames)) << file;
        EXPECT_EQ(v["codec_tag_string"], tag) << file;
        EXPECT_EQ(v["color_space"], "bt709") << file;
        EXPECT_EQ(v["color_primaries"], "bt709") << file;
        EXPECT_EQ(v["color_transfer"], "bt709") << file;
        EXPECT_EQ(avi_probe::Stream(file, "a:0")["codec_name"], "aac") << file;
        EXPECT_EQ(avi_probe::DecodeErrors(file), "") << file;
        // The index before the media data, so the file plays while it downloads.
        const std::string bytes = testsupport::FileBytes(file);
        const auto moov = bytes.find("moov");
        const auto mdat = bytes.find("mdat");
        ASSERT_NE(moov, std::string::npos);
        EXPECT_LT(moov, mdat) << file;
    }

    QTemporaryDir dir;
    project::ShowContent show;
    base::NoProgress progress;
};

TEST(Mp4FormatTest, SizesRatesLevelsAndTiming) {
    using media::FrameSize;
    using media::ShapedFrameSize;
    EXPECT_EQ(ShapedFrameSize(media::kResolution720p, VideoShape::Wide), (FrameSize{1280, 720}));
    EXPECT_EQ(ShapedFrameSize(media::kResolution1080p, VideoShape::Tall), (FrameSize{1080, 1920}));
    EXPECT_EQ(ShapedFrameSize(media::kResolution1440p, VideoShape::Square),
              (FrameSize{1440, 1440}));
    EXPECT_EQ(ShapedFrameSize(media::kResolution2160p, VideoShape::Classic),
              (FrameSize{2880, 2160}));
    EXPECT_EQ(ShapedFrameSize(media::kResolutionStandard, VideoShape::Square),
              (FrameSize{400, 288})); // the AVI sizes keep their own shape
    EXPECT_EQ(media::H264Level(1280, 720, 25), 31);
    EXPECT_EQ(media::H264Level(1920, 1080, 30), 40);
    EXPECT_EQ(media::H264Level(1920, 1080, 60), 42);
    EXPECT_EQ(media::H264Level(3840, 2160, 30), 51);
    EXPECT_EQ(media::H264Level(2160, 3840, 60), 52);
    EXPECT_EQ(media::H265Level(1920, 1080, 60), 123);
    EXPECT_EQ(media::H265Level(3840, 2160, 60), 153);
    // Times placed from their milliseconds: never more than half a frame off, no drift.
    for (int fps : {24, 25, 30, 50, 60})
        for (std::int64_t ms : {0, 1000, 1500, 2733, 3'600'000, 7'200'001}) {
            const double error = static_cast<double>(render::ShowTimeline::FrameAt(
                                     ms, render::FrameRate::Fps(fps))) *
                                     1000.0 / fps -
                                 static_cast<double>(ms);
            EXPECT_LE(std::abs(error), 500.0 / fps) << fps << " fps, " << ms << " ms";
        }
    EXPECT_EQ(render::ShowTimeline::FrameAt(3'600'000, render::FrameRate::Fps(24)), 86'400);
    EXPECT_EQ(render::ShowTimeline::MsOfFrame(1, render::FrameRate::Fps(30)), 33);
    EXPECT_EQ(media::FindMp4Preset("phone")->Shape, VideoShape::Tall);
    EXPECT_EQ(media::FindMp4Preset("tv"), nullptr);
    // The progress line: the time left rounded up, none once done.
    EXPECT_EQ(media::ExportRateText(100, 401, 4.0), "100 / 401 frames, 25.0 fps, 0:13 left");
    EXPECT_EQ(media::ExportRateText(401, 401, 4.0), "401 / 401 frames, 100.2 fps");
}

TEST(Mp4FormatTest, SmallPhotosAreEnlargedSmoothly) {
    // A 4 x 2 chequer enlarged to a 400 x 300 frame: filled to the width, centred, and graded
    // across each edge (a stretched copy would jump from one value to the other).
    imaging::Bitmap small = imaging::Bitmap::CreateSized(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            std::memset(small.Row(y) + x * 3, (x + y) % 2 ? 255 : 0, 3);
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(400, 300);
    media::ComposeSharp(frame, small, 0x00FF0000); // blue bars
    EXPECT_EQ(media::FillingSize(4, 2, 400, 300), (imaging::ImageSize{400, 200}));
    EXPECT_EQ(frame.Row(10)[0], 255); // the bar above: blue (B first)
    int levels = 0;
    for (int x = 1; x < 400; ++x)
        if (frame.Row(100)[x * 3] != frame.Row(100)[(x - 1) * 3])
            ++levels;
    EXPECT_GT(levels, 12); // a smooth ramp at each of the three edges, not three steps
    EXPECT_EQ(media::SofterVideoWarning({1920, 1080}, 1920, 1200), "");
    EXPECT_NE(
        media::SofterVideoWarning({1080, 1920}, 1920, 1200).find("new --resolution 1080x1920"),
        std::string::npos);
}

TEST_F(Mp4ShapesTest, EveryShapeAt1080PlaysAsWritten) {
    AddSlide(1, 2, 1, 0);
    AddSlide(1, 0, 0, 1);
    ShortenToOneSecond();
    AddTrack(1, 6000);
    for (VideoShape shape :
         {VideoShape::Wide, VideoShape::Tall, VideoShape::Square, VideoShape::Classic}) {
        const std::string name = "shape" + std::to_string(static_cast<int>(shape)) + ".mp4";
        const auto o = Options(name, media::kResolution1080p, shape, 25);
        const auto r = media::ExportVideo(show, o, progress);
        ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
        const auto size = media::ShapedFrameSize(media::kResolution1080p, shape);
        EXPECT_EQ(r->Size, size);
        ExpectPlayable(o.OutputPath, size, 25, 25, "avc1");
    }
}

TEST_F(Mp4ShapesTest, FourKAtSixtyFramesAndH265) {
    AddSlide(1, 2, 1, 0);
    AddSlide(1, 0, 0, 1);
    ShortenToOneSecond();
    AddTrack(1, 6000);
    auto o = Options("uhd.mp4", media::kResolution2160p, VideoShape::Wide, 60);
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    ExpectPlayable(o.OutputPath, {3840, 2160}, 60, 60, "avc1");
    EXPECT_EQ(avi_probe::Stream(o.OutputPath, "v:0")["level"], "52");

    auto hevc = Options("hevc.mp4", media::kResolution720p, VideoShape::Square, 24);
    hevc.Coding = media::Mp4Coding::H265;
    const auto h = media::ExportVideo(show, hevc, progress);
    ASSERT_EQ(outcomes::OutcomeOf(h), ExportOutcome::Written) << outcomes::ErrorOf(h);
    ExpectPlayable(hevc.OutputPath, {720, 720}, 24, 24, "hvc1");
    EXPECT_EQ(avi_probe::Stream(hevc.OutputPath, "v:0")["codec_name"], "hevc");
}

// A track that starts with slide 3 of a 30 fps video is heard within half a frame of the first
// frame that shows slide 3.
TEST_F(Mp4ShapesTest, MusicAndSlidesMeetAtThirtyFrames) {
    AddSlide(1, 2, 1, 0); // a slide-in first
    AddSlide(2, 0, 0, 1);
    AddSlide(2, 0, 0, 2); // begins at 4 s
    AddTrack(4, 0);       // silence
    AddTrack(2, 12000);   // with slide 3
    const auto o = Options("meet.mp4", media::kResolution720p, VideoShape::Wide, 30);
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    ASSERT_EQ(r->Frames, 180);

    const auto gray = avi_probe::DecodeFrames(o.OutputPath, "gray");
    const std::size_t frameBytes = 1280u * 720u;
    ASSERT_EQ(gray.size(), 180u * frameBytes);
    // Slide 3's grey level at the frame's centre, from its own last frame.
    const auto centre = [&](std::size_t f) { return gray[f * frameBytes + 360 * 1280 + 640]; };
    std::size_t firstOfThird = 0;
    while (firstOfThird < 180 && std::abs(centre(firstOfThird) - centre(179)) > 2)
        ++firstOfThird;
    EXPECT_EQ(firstOfThird, 120u);

    const auto audio = avi_probe::DecodeAudio(o.OutputPath);
    std::size_t onset = 0;
    while (onset < audio.size() && std::abs(audio[onset]) < 3000)
        ++onset;
    const double heard = static_cast<double>(onset / 2) / 48000.0;
    EXPECT_NEAR(heard, static_cast<double>(firstOfThird) / 30.0, 0.5 / 30.0);
}

} // namespace
