// Photos drawn from their originals: a 2160p frame of a slide zooming from 1x to 1.25x of the
// cover keeps the original's fine detail, where the working picture enlarged loses it; a still
// is composed from the original too; edits are drawn on the original at the frame's size, showing
// what the working picture shows at any size; and the picture sits where the motion rule puts it,
// to a tenth of an original pixel.
#include "GuiApp.h"
#include "imaging/Bitmap.h"
#include "imaging/Compose.h"
#include "imaging/MotionRender.h"
#include "media/video/SharpFit.h"
#include "project/Import.h"
#include "project/OriginalDrawing.h"
#include "project/SlideEdits.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cmath>
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

// The mean absolute difference of two pictures of the same size, per channel.
double MeanDifference(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < 3 * a.Width; ++x)
            sum += std::abs(a.Row(y)[x] - b.Row(y)[x]);
    return sum / (3.0 * a.Width * a.Height);
}

// The share of the frame's rows that hold pure blue text.
double BlueTextRows(const imaging::Bitmap& frame) {
    int rows = 0;
    for (int y = 0; y < frame.Height; ++y)
        for (int x = 0; x < frame.Width; ++x) {
            const std::uint8_t* p = frame.Row(y) + 3 * x;
            if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                ++rows;
                break;
            }
        }
    return double(rows) / frame.Height;
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
        ASSERT_TRUE(show.Slides[0].Original());
        EXPECT_FALSE(show.Slides[0].Original()->Edited);
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
    show.Slides[0].Original()->Edited = true;
    const double stillFromWorking = GradientEnergy(Frame(50, 3840, 2160));
    show.Slides[0].Ext.Motion =
        motion = {imaging::MotionMode::Manual, {0.5, 0.5, 1.0, true}, {0.5, 0.5, 1.25, true}};
    const double fromWorking = GradientEnergy(Frame(50, 3840, 2160));
    EXPECT_GT(fromOriginal, 2 * fromWorking) << fromOriginal << " vs " << fromWorking;
    EXPECT_GT(stillFromOriginal, 2 * stillFromWorking)
        << stillFromOriginal << " vs " << stillFromWorking;
}

TEST_F(OriginalDrawingTest, EditsAreDrawnOnTheOriginalAsOnTheWorkingPictureAtAnySize) {
    project::Slide& slide = show.Slides[0];
    project::CaptionEdit caption;
    caption.Text = "Harbour";
    caption.Color = 0xFF0000; // pure blue
    caption.HAlign = 2;
    caption.VAlign = 3;
    project::CaptionEdit moving = caption;
    moving.Motion = imaging::TextMotion::Fade;
    ASSERT_TRUE(project::EditSlide(slide, moving, photos)); // drawn over the frames: no step
    ASSERT_TRUE(project::EditSlide(slide, project::CropEdit{1000, 800, 200, 100}, photos));
    ASSERT_TRUE(project::EditSlide(slide, project::TurnEdit{project::TurnKind::Right}, photos));
    ASSERT_TRUE(project::EditSlide(slide, project::LightEdit{20, 10, 12.0}, photos));
    ASSERT_TRUE(project::EditSlide(slide, caption, photos));
    ASSERT_EQ(slide.Original()->Steps.size(), 4u);
    EXPECT_FALSE(slide.Original()->Edited);
    ASSERT_EQ(slide.DrawableOriginal(), slide.Original()->File);
    const auto* crop = std::get_if<project::CropStep>(&slide.Original()->Steps[0]);
    ASSERT_NE(crop, nullptr); // 1280 x 960 working picture, corners in any order
    EXPECT_DOUBLE_EQ(crop->Left, 200.0 / 1280);
    EXPECT_DOUBLE_EQ(crop->Bottom, 800.0 / 960);

    // The 2160p frame reduced to 720p is the 720p frame: the same region, the same edits, and
    // the caption's height the same share of the frame.
    const imaging::Bitmap small = Frame(10, 1280, 720);
    const imaging::Bitmap large = Frame(10, 3840, 2160);
    // (Reduced by area, the 2160p frame's fine checker is softer than the 720p frame's, drawn
    // with a proper kernel: they differ by a few levels of that detail.)
    EXPECT_LT(MeanDifference(imaging::ReduceByArea(large, 1280, 720), small), 4.0);
    EXPECT_GT(BlueTextRows(small), 0.01);
    EXPECT_NEAR(BlueTextRows(small), BlueTextRows(large), 0.006);
    // And it is what the working picture, which received the edits' pixels, shows.
    slide.Original()->Edited = true;
    EXPECT_LT(MeanDifference(Frame(10, 1280, 720), small), 6.0);
    slide.Original()->Edited = false;

    // The working picture drawn again from the original at a larger photo size keeps the edits.
    project::PhotoSettings larger = photos;
    larger.Resolution = "2560x2048";
    ASSERT_TRUE(project::RedrawWorkingPicture(slide, larger));
    const QImage redrawn(QString::fromStdString(slide.WorkFile));
    EXPECT_EQ(redrawn.height(), 2048); // the turned crop is taller than wide
    EXPECT_NEAR(double(redrawn.width()) / redrawn.height(), 700.0 / 800.0, 0.01);
}

// The original and its steps stay the photo's truth however often it is edited: turns that undo
// each other take no room, and an edit past what a show keeps is refused with the photo as it was.
TEST_F(OriginalDrawingTest, StepsStayTheTruthAndAnEditPastTheirBoundIsRefused) {
    project::Slide& slide = show.Slides[0];
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(
            project::EditSlide(slide, project::TurnEdit{project::TurnKind::Mirror}, photos));
    EXPECT_EQ(slide.Original()->Steps.size(), 1u);
    // Filled up to the bound (as values: each stored edit draws the picture again).
    slide.Original()->Steps.resize(project::kMaxPhotoSteps,
                                   project::TurnEdit{project::TurnKind::Right});
    ASSERT_TRUE(project::RedrawWorkingPicture(slide, photos));
    const project::Slide full = slide;
    const QImage before(QString::fromStdString(slide.WorkFile));
    const auto refused = project::EditSlide(slide, project::CropEdit{0, 0, 200, 200}, photos);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("undo"), std::string::npos) << refused.error();
    EXPECT_EQ(slide, full);
    EXPECT_EQ(QImage(QString::fromStdString(slide.WorkFile)), before);
    EXPECT_FALSE(slide.DrawableOriginal().empty());
    // A turn that undoes the last one still goes in, and takes a step out.
    ASSERT_TRUE(project::EditSlide(slide, project::TurnEdit{project::TurnKind::Left}, photos));
    EXPECT_EQ(slide.Original()->Steps.size(), project::kMaxPhotoSteps - 1);
}

TEST(OriginalPosition, ThePictureSitsWhereTheMotionRulePutsItToATenthOfAnOriginalPixel) {
    testsupport::EnsureGuiApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A soft dot on a 4000 x 3000 original, centred at (u0, v0) (pixel i's centre is at i + 0.5).
    constexpr double u0 = 2137.3, v0 = 1288.6, sigma = 8.0;
    QImage photo(4000, 3000, QImage::Format_RGB888);
    photo.fill(QColor(40, 40, 40));
    for (int y = int(v0) - 60; y < int(v0) + 60; ++y)
        for (int x = int(u0) - 60; x < int(u0) + 60; ++x) {
            const double dx = x + 0.5 - u0, dy = y + 0.5 - v0;
            const int v = 40 + static_cast<int>(std::lround(
                                   200 * std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma))));
            photo.setPixel(x, y, qRgb(v, v, v));
        }
    const QString path = dir.filePath("dot.png");
    ASSERT_TRUE(photo.save(path));
    project::Slide slide;
    slide.Photo()->Original = project::OriginalPhoto{path.toStdString(), "dot.png", false, {}};

    // At 1080p the frames sample it at 0.45 and it is drawn whole (a reduction by area by less
    // than half would soften it); at a quarter of that it is reduced by area first.
    for (const auto& size : {std::pair{1920, 1080}, std::pair{960, 540}}) {
        const int W = size.first, H = size.second;
        SCOPED_TRACE(W);
        const imaging::Motion motion{
            imaging::MotionMode::Manual, {0.5, 0.5, 1.0, false}, {0.53, 0.45, 1.25, false}};
        const auto drawn = project::DrawOriginal(
            slide, [&](double w, double h) { return std::min(W / w, H / h) * 1.25; });
        ASSERT_TRUE(drawn) << drawn.error();
        if (W < 1920)
            EXPECT_LT(drawn->Width, 4000); // reduced by area to twice what the frames sample
        else
            EXPECT_EQ(drawn->Width, 4000);
        for (const double progress : {0.0, 0.37, 1.0}) {
            const imaging::MotionState state = imaging::MotionStateAt(motion, progress);
            imaging::Bitmap frame = imaging::Bitmap::CreateSized(W, H);
            imaging::RenderMotionFrame(frame, *drawn, 0, state);
            double sum = 0, sx = 0, sy = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const double weight = std::max(0, frame.Row(y)[3 * x + 1] - 40);
                    sum += weight;
                    sx += weight * (x + 0.5);
                    sy += weight * (y + 0.5);
                }
            ASSERT_GT(sum, 0.0);
            // The frame point back on the original by the rule: picture point = centre + offset
            // / (fit x zoom), the fit that of the original itself.
            const double scale = std::min(double(W) / 4000, double(H) / 3000) * state.Z;
            const double u = state.Cx * 4000 + (sx / sum - W / 2.0) / scale;
            const double v = state.Cy * 3000 + (sy / sum - H / 2.0) / scale;
            EXPECT_NEAR(u, u0, 0.1) << "at " << progress;
            EXPECT_NEAR(v, v0, 0.1) << "at " << progress;
        }
    }
}

} // namespace original_drawing_test
