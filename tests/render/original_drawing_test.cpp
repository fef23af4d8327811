// Photos drawn from their originals: a 2160p frame of a slide zooming from 1x to 1.25x of the
// cover keeps the original's fine detail, where the working picture enlarged loses it; a still
// is composed from the original too; and once an edit is drawn into the working picture (what the
// original lacks), the working picture is drawn again.
#include "GuiApp.h"
#include "imaging/Bitmap.h"
#include "media/video/SharpFit.h"
#include "project/Import.h"
#include "project/SlideEdits.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>

namespace original_drawing_test {

// The mean absolute difference between neighbouring pixels' green, across and down.
double GradientEnergy(const imaging::Bitmap& frame) {
    double sum = 0;
    for (int y = 0; y + 1 < frame.Height; ++y) {
        const std::uint8_t* row = frame.Row(y);
        const std::uint8_t* below = frame.Row(y + 1);
        for (int x = 0; x + 1 < frame.Width; ++x)
            sum += std::abs(row[3 * x + 1] - row[3 * x + 4]) +
                   std::abs(row[3 * x + 1] - below[3 * x + 1]);
    }
    return sum / (static_cast<double>(frame.Width - 1) * (frame.Height - 1));
}

class OriginalDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApp(); // a caption's text is laid out with the system's fonts
        ASSERT_TRUE(dir.isValid());
        const std::string root = dir.path().toStdString() + "/";
        ASSERT_TRUE(QDir().mkpath(dir.filePath("pictures")));
        files = project::WorkFiles(root + "pictures/", root + "music/", 4);
        // A 4:3 photo of 2400 x 1800 with detail at every scale: a fine checker under soft stripes.
        QImage photo(2400, 1800, QImage::Format_RGB888);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x) {
                const int fine = ((x / 2 + y / 2) % 2) * 60;
                const int stripe = ((x / 40) % 2) * 80;
                photo.setPixel(x, y, qRgb(90 + fine, 60 + fine + stripe, 40 + stripe));
            }
        path = dir.filePath("photo.png").toStdString();
        ASSERT_TRUE(photo.save(QString::fromStdString(path)));
        const auto added = project::AddPhoto(
            show, files, photos, path, {}, project::FaceSearch::Skip, project::OriginalCopy::Keep);
        ASSERT_TRUE(project::Added(added)) << project::WhyNot(added);
        ASSERT_TRUE(show.Slides[0].Original);
        EXPECT_FALSE(show.Slides[0].Original->Edited);
        show.Slides[0].StillMs = 4000;
    }
    // Frame n of the show at width x height.
    imaging::Bitmap Frame(std::int64_t n, int width, int height) {
        render::RenderOptions options;
        options.Rate = render::FrameRate::Fps(25);
        options.Fit = media::ComposeSharp; // the export's fit, which reduces by area
        options.ScratchPath = dir.filePath("incoming.bmp").toStdString();
        render::FrameRenderer renderer(show.Slides, options);
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(width, height);
        EXPECT_TRUE(renderer.Render(frame, n));
        return frame;
    }

    QTemporaryDir dir;
    project::WorkFiles files;
    project::PhotoSettings photos; // working pictures of 1280 x 1024 at most
    project::ShowContent show;
    std::string path;
};

TEST_F(OriginalDrawingTest, FramesOfAnySizeAreDrawnSharpFromTheOriginal) {
    imaging::Motion& motion = show.Slides[0].Ext.Motion;
    motion.Mode = imaging::MotionMode::Manual;
    motion.Start = {0.5, 0.5, 1.0, true};
    motion.End = {0.5, 0.5, 1.25, true};
    const double fromOriginal = GradientEnergy(Frame(50, 3840, 2160));
    const double stillFromOriginal = [&] {
        show.Slides[0].Ext.Motion = {};
        return GradientEnergy(Frame(50, 3840, 2160));
    }();

    // The same frames from the 1280 x 960 working picture, enlarged three times.
    show.Slides[0].Original->Edited = true;
    const double stillFromWorking = GradientEnergy(Frame(50, 3840, 2160));
    show.Slides[0].Ext.Motion =
        motion = {imaging::MotionMode::Manual, {0.5, 0.5, 1.0, true}, {0.5, 0.5, 1.25, true}};
    const double fromWorking = GradientEnergy(Frame(50, 3840, 2160));
    EXPECT_GT(fromOriginal, 2 * fromWorking) << fromOriginal << " vs " << fromWorking;
    EXPECT_GT(stillFromOriginal, 2 * stillFromWorking)
        << stillFromOriginal << " vs " << stillFromWorking;
}

TEST_F(OriginalDrawingTest, AnEditDrawnIntoTheWorkingPictureIsDrawnFromIt) {
    project::Slide& slide = show.Slides[0];
    // A moving caption is drawn over the frames, not into the picture: the original still serves.
    project::CaptionEdit moving;
    moving.Text = "Hello";
    moving.Motion = imaging::TextMotion::Fade;
    ASSERT_TRUE(project::EditSlide(slide, moving, photos));
    EXPECT_FALSE(slide.Original->Edited);
    EXPECT_EQ(slide.DrawableOriginal(), slide.Original->File);
    // A crop is drawn into the working picture: from now on that is what the frames show.
    ASSERT_TRUE(project::EditSlide(slide, project::CropEdit{0, 0, 200, 200}, photos));
    EXPECT_TRUE(slide.Original->Edited);
    EXPECT_TRUE(slide.DrawableOriginal().empty());
    // The square crop fills the frame's height, centred (x 140..500 of 640): at x = 100 the
    // background shows, where the 4:3 original (x 80..560) would have been drawn.
    const imaging::Bitmap frame = Frame(10, 640, 360);
    EXPECT_EQ(std::memcmp(frame.Row(180) + 3 * 100, frame.Row(180) + 3 * 10, 3), 0);
    EXPECT_NE(std::memcmp(frame.Row(180) + 3 * 320, frame.Row(180) + 3 * 10, 3), 0);
}

} // namespace original_drawing_test
