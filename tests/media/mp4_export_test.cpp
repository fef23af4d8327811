// The MP4 export of a whole show beside its uncompressed AVI export: one pipeline of frames, so a
// frame in the middle of a slide-in must come back from the MP4 file as the AVI file holds it, to
// within what the encoder loses, and the better quality loses less.
#include "AudioFiles.h"
#include "AviProbe.h"
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "media/export/VideoExport.h"
#include "media/video/CodecChoice.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>

namespace mp4_export_test {

using media::ExportOutcome;
using testing_audio::Quote;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// One decoded frame (number n of the video stream) as raw pixels of the ffmpeg pixel format.
std::string DecodeFrame(const std::string& path, int n, const std::string& pixFmt) {
    return avi_probe::Capture("ffmpeg -nostdin -v error -i " + Quote(path) + " -map 0:v:0 -vf " +
                              Quote("select=eq(n\\," + std::to_string(n) + ")") +
                              " -fps_mode passthrough -frames:v 1 -f rawvideo -pix_fmt " + pixFmt +
                              " -");
}

// Peak signal to noise ratio of an H.264 frame's luma plane against the BT.709 studio-range luma
// of the uncompressed frame (bgr24, top row first): the encoder's error, without what 4:2:0
// chroma loses at colour edges.
double LumaPsnr(const std::string& yuv, const std::string& bgr) {
    double sum = 0;
    const std::size_t pixels = static_cast<std::size_t>(kWidth) * kHeight;
    for (std::size_t i = 0; i < pixels; ++i) {
        const auto b = static_cast<unsigned char>(bgr[3 * i]);
        const auto g = static_cast<unsigned char>(bgr[3 * i + 1]);
        const auto r = static_cast<unsigned char>(bgr[3 * i + 2]);
        const double expected = 16 + (46.559 * r + 156.629 * g + 15.812 * b) / 255.0;
        const double d = static_cast<unsigned char>(yuv[i]) - expected;
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(pixels);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

class Mp4ExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A slide of a smooth 640 x 480 photo (gradients and a disc, distinct per variant): what photos
    // look like to the encoder, so the comparison measures the encoder and not noise.
    void AddSlide(int seconds, int kind, int fade, int variant) {
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(640, 480);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                std::uint8_t* p = picture.Row(y) + x * 3;
                const int dx = x - 320 - variant * 40, dy = y - 240;
                const bool disc = dx * dx + dy * dy < 120 * 120;
                p[0] = static_cast<std::uint8_t>(x * 150 / 640 + variant * 30);
                p[1] = static_cast<std::uint8_t>(disc ? 210 - variant * 40 : 40 + y * 150 / 480);
                p[2] = static_cast<std::uint8_t>((x + y) * 120 / 1120 + variant * 50);
            }
        const std::string file = Path("slide" + std::to_string(show.Slides.size()) + ".bmp");
        ASSERT_TRUE(imaging::SaveBmpFile(file, picture));
        auto s = project::Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionKind = kind;
        s.TransitionMs = std::int64_t{fade} * 1000;
        s.BackColor = 0x00302010;
        s.WorkFile = file;
        show.Slides.push_back(s);
    }
    std::string Export(const std::string& name, int quality = media::kQualityGood) {
        media::VideoExportOptions o;
        o.OutputPath = Path(name);
        o.Resolution = media::kResolution720p;
        o.Quality = quality;
        const auto r = media::ExportVideo(show, o, progress);
        EXPECT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
        EXPECT_EQ(r->Size, (media::FrameSize{kWidth, kHeight}));
        EXPECT_EQ(r->Frames, 75);
        return o.OutputPath;
    }

    QTemporaryDir dir;
    project::ShowContent show;
    base::NoProgress progress;
};

TEST_F(Mp4ExportTest, AFrameMidTransitionMatchesTheUncompressedExport) {
    AddSlide(1, 2, 1, 1); // 25 still frames, then 25 frames of the next photo sliding in
    AddSlide(1, 0, 0, 3); // 25 still frames
    const std::string avi = Export("show.avi");
    const std::string good = Export("show.mp4");
    const std::string best = Export("best.mp4", media::kQualityBest);
    ASSERT_EQ(avi_probe::Stream(avi, "v:0")["codec_name"], "rawvideo");
    ASSERT_EQ(avi_probe::Stream(good, "v:0")["nb_read_frames"], "75");

    const std::size_t yuvBytes = static_cast<std::size_t>(kWidth) * kHeight * 3 / 2;
    const std::size_t bgrBytes = static_cast<std::size_t>(kWidth) * kHeight * 3;
    const std::string shown = DecodeFrame(avi, 37, "bgr24");
    const std::string before = DecodeFrame(avi, 36, "bgr24");
    const std::string goodFrame = DecodeFrame(good, 37, "yuv420p");
    const std::string bestFrame = DecodeFrame(best, 37, "yuv420p");
    ASSERT_EQ(shown.size(), bgrBytes);
    ASSERT_EQ(before.size(), bgrBytes);
    ASSERT_EQ(goodFrame.size(), yuvBytes);
    ASSERT_EQ(bestFrame.size(), yuvBytes);
    ASSERT_NE(shown, before) << "frame 37 must be inside the slide-in";

    const double goodPsnr = LumaPsnr(goodFrame, shown);
    const double bestPsnr = LumaPsnr(bestFrame, shown);
    EXPECT_GT(goodPsnr, 40.0);
    EXPECT_GT(bestPsnr, goodPsnr); // a lower constant quality number keeps more
    // The comparison tells neighbouring frames of the slide-in apart, so a frame written early or
    // late would not pass.
    EXPECT_LT(LumaPsnr(goodFrame, before), goodPsnr - 10) << "good " << goodPsnr;
    RecordProperty("psnr_good", std::to_string(goodPsnr));
    RecordProperty("psnr_best", std::to_string(bestPsnr));
    std::printf("mid-transition luma PSNR: good %.2f dB, best %.2f dB\n", goodPsnr, bestPsnr);
}

} // namespace mp4_export_test
