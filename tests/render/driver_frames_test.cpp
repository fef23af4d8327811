// The one driver's frames are the same whoever asks: a collage between two photos with a 1 s
// cross-fade into and out of it, then a classic wipe between still photos and a title, exported
// through the driver's sink (as pictures, and as YUV planes where the driver draws them so) are
// the frames Render(n) draws, one for one, and the collage moves while it is on screen.
#include "GuiApp.h"
#include "imaging/BmpFile.h"
#include "imaging/TransitionKinds.h"
#include "media/export/VideoExport.h"
#include "media/video/ClipPictureSource.h"
#include "media/video/Mp4Format.h"
#include "media/video/SharpFit.h"
#include "project/CollageDrawing.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

namespace driver_frames_test {

using imaging::Bitmap;
using Yuv = std::vector<std::uint8_t>; // a frame's three planes, one after the other

// A w x h picture of a diagonal pattern of its own, so that any shift or blur of it shows.
Bitmap Pattern(int w, int h, int seed) {
    Bitmap p = Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = p.Row(y) + 3 * x;
            px[0] = static_cast<std::uint8_t>((x * 7 + y * 3 + seed * 50) % 256);
            px[1] = static_cast<std::uint8_t>(((x / 8 + y / 8 + seed) % 2) * 200 + 20);
            px[2] = static_cast<std::uint8_t>((x * y + seed * 90) % 256);
        }
    return p;
}

bool SameBits(const Bitmap& a, const Bitmap& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return false;
    for (int y = 0; y < a.Height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width) * 3) != 0)
            return false;
    return true;
}

Yuv Planes(const Bitmap& frame) {
    const int W = frame.Width, H = frame.Height;
    Yuv planes(static_cast<std::size_t>(W * H + W * H / 2));
    imaging::BgrToYuv420(
        frame,
        {planes.data(), planes.data() + W * H, planes.data() + W * H * 5 / 4, W, W / 2, W / 2},
        imaging::YuvMatrix::Bt601);
    return planes;
}

// Every frame the export hands over, repeats included: as pictures, or (yuv) as YUV 4:2:0, the
// sink then taking frames drawn straight into its planes too (those marked).
class Recording final : public media::VideoSink {
public:
    Recording(bool yuv, std::vector<Yuv>& frames, std::vector<Bitmap>& pictures,
              std::vector<bool>& planes)
        : yuv_(yuv), frames_(frames), pictures_(pictures), planes_(planes) {}
    base::Status Start(const Bitmap& first) override {
        width_ = first.Width;
        height_ = first.Height;
        return {};
    }
    base::Status AddFrames(const Bitmap& frame, std::int64_t count) override {
        for (std::int64_t k = 0; k < count; ++k) {
            if (yuv_)
                frames_.push_back(Planes(frame));
            else
                pictures_.push_back(frame);
            planes_.push_back(false);
        }
        return {};
    }
    std::optional<imaging::YuvMatrix> ComposedMatrix() const override {
        return yuv_ ? std::optional(imaging::YuvMatrix::Bt601) : std::nullopt;
    }
    base::Status AddComposedFrame(const FrameComposer& compose) override {
        const int cw = width_ / 2, ch = height_ / 2;
        Yuv& f = frames_.emplace_back(static_cast<std::size_t>(width_ * height_ + 2 * cw * ch));
        compose({f.data(), f.data() + width_ * height_, f.data() + width_ * height_ + cw * ch,
                 width_, cw, cw});
        planes_.push_back(true);
        return {};
    }
    base::Status AddSound(media::SoundPiece) override { return {}; }
    base::Status Finish() override { return {}; }
    bool CarriesSound() const override { return false; }

private:
    bool yuv_;
    std::vector<Yuv>& frames_;
    std::vector<Bitmap>& pictures_;
    std::vector<bool>& planes_;
    int width_ = 0, height_ = 0;
};

class DriverFrames : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApp();
        ASSERT_TRUE(dir.isValid());
    }
    std::string Saved(const Bitmap& picture) {
        const std::string file = dir.filePath(QString("p%1.bmp").arg(files_++)).toStdString();
        EXPECT_TRUE(imaging::SaveBmpFile(file, picture));
        return file;
    }
    project::Slide Photo(int seed, std::int64_t stillMs, std::int64_t transitionMs) {
        auto s = project::Slide::MakeDefault();
        s.WorkFile = Saved(Pattern(320, 240, seed));
        s.BackColor = 0x102030;
        s.StillMs = stillMs;
        s.TransitionMs = transitionMs;
        return s;
    }
    // The export's frames: as pictures, or (yuv) as a sink of YUV frames takes them, with
    // those that went as planes marked.
    std::vector<Yuv> Export(bool yuv, std::vector<Bitmap>& pictures, std::vector<bool>& planes) {
        std::vector<Yuv> frames; // as YUV
        media::VideoExportOptions o = Options();
        o.MakeSink = [&](const media::VideoSinkSettings& s)
            -> base::Result<std::unique_ptr<media::VideoSink>> {
            std::ofstream(s.Path) << "frames";
            return std::unique_ptr<media::VideoSink>(
                std::make_unique<Recording>(yuv, frames, pictures, planes));
        };
        base::NoProgress progress;
        const auto r = media::ExportVideo(show, o, progress);
        EXPECT_TRUE(r) << r.error();
        EXPECT_TRUE(r && r->Outcome == media::ExportOutcome::Written);
        EXPECT_TRUE(r && r->UnreadablePhotos.empty());
        return frames;
    }
    media::VideoExportOptions Options() const {
        media::VideoExportOptions o;
        o.OutputPath = dir.filePath("out.avi").toStdString();
        o.Codec = "XVID";
        o.Resolution = media::kResolutionStandard;
        return o;
    }
    // The renderer as the export makes it.
    render::RenderOptions Drawing() const {
        render::RenderOptions drawing;
        drawing.Rate = render::FrameRate::Fps(media::ExportFrameRate(Options()));
        if (media::ShortSideOf(Options().Resolution) > 0)
            drawing.Fit = media::ComposeSharp;
        drawing.Scale = media::ScaleSharp;
        drawing.ScratchPath = dir.filePath("incoming.bmp").toStdString();
        drawing.Clips = media::ClipOpenerForRendering();
        return drawing;
    }

    QTemporaryDir dir;
    project::ShowContent show;
    int files_ = 0;
};

TEST_F(DriverFrames, TheExportsFramesAreRenderedFramesForEveryKind) {
    // A photo panning and zooming automatically, cross-fading in 1 s into a collage of three
    // photos, which cross-fades in 1 s into a still photo; a classic wipe to another still
    // photo, which cross-fades into a title.
    auto moving = Photo(1, 2000, 1000);
    moving.Ext.Motion.Mode = imaging::MotionMode::Auto;
    moving.Ext.TransitionKind = imaging::kTransitionCrossfade;
    show.Slides.push_back(moving);

    project::CollageSettings collage;
    collage.Layout = project::CollageLayout::Grid;
    for (int k = 0; k < 3; ++k)
        collage.Photos.push_back(
            {Saved(Pattern(400 - 60 * k, 300 + 40 * k, 5 + k)), "photo.bmp", {}, {}});
    auto record = project::DrawCollagePicture(collage, 320, 240, 0x102030);
    ASSERT_TRUE(record) << record.error();
    auto collageSlide = Photo(0, 2000, 1000);
    collageSlide.WorkFile = Saved(*record);
    collageSlide.Body = collage;
    collageSlide.Ext.TransitionKind = imaging::kTransitionCrossfade;
    show.Slides.push_back(collageSlide);

    auto wiped = Photo(2, 1000, 1000);
    wiped.TransitionKind = 2; // a classic wipe, stepped frame on frame
    show.Slides.push_back(wiped);
    auto beforeTitle = Photo(3, 1000, 1000);
    beforeTitle.Ext.TransitionKind = imaging::kTransitionCrossfade;
    show.Slides.push_back(beforeTitle);
    auto title = Photo(4, 1000, 0);
    imaging::TitleSettings text;
    text.Title = "The end";
    text.Motion = imaging::TextMotion::Fade;
    title.Body = text;
    show.Slides.push_back(title);

    std::vector<Bitmap> pictures, unused;
    std::vector<bool> allPictures, asPlanes;
    Export(false, pictures, allPictures);
    const std::vector<Yuv> planes = Export(true, unused, asPlanes);

    render::FrameRenderer renderer(show.Slides, Drawing());
    const media::FrameSize size = media::ExportVideoSize(Options());
    const std::int64_t count = renderer.FrameCount();
    ASSERT_EQ(pictures.size(), static_cast<std::size_t>(count));
    ASSERT_EQ(planes.size(), static_cast<std::size_t>(count));
    Bitmap collageFirst, collageLast;
    const auto& spans = renderer.Spans();
    for (std::int64_t n = 0; n < count; ++n) {
        Bitmap frame = Bitmap::CreateSized(size.Width, size.Height);
        EXPECT_TRUE(renderer.Render(frame, n)) << n;
        const auto f = static_cast<std::size_t>(n);
        EXPECT_TRUE(SameBits(pictures[f], frame)) << "frame " << n;
        EXPECT_TRUE(planes[f] == Planes(frame)) << "frame " << n << " as YUV";
        if (n == spans[1].First)
            collageFirst = frame;
        if (n + 1 == spans[1].Cut)
            collageLast = frame;
    }

    // The collage's still, between the two cross-fades, goes straight into the planes but for
    // its first and last frame, and it moves: its first and last frames differ, and a photo fills
    // its cell.
    const auto first = static_cast<std::size_t>(spans[1].First);
    const auto last = static_cast<std::size_t>(spans[1].Cut - 1);
    EXPECT_FALSE(asPlanes[first]);
    EXPECT_FALSE(asPlanes[last]);
    for (std::size_t f = first + 1; f < last; ++f)
        EXPECT_TRUE(asPlanes[f]) << f;
    EXPECT_FALSE(SameBits(collageFirst, collageLast));
    const std::uint8_t* middle = collageLast.Row(size.Height / 3) + 3 * (size.Width / 3);
    EXPECT_FALSE(middle[0] == 0x10 && middle[1] == 0x20 && middle[2] == 0x30);
    // The classic wipe's frames are stepped, never drawn as planes.
    for (auto f = static_cast<std::size_t>(spans[2].Cut);
         f < static_cast<std::size_t>(spans[2].End); ++f)
        EXPECT_FALSE(asPlanes[f]) << f;
}

} // namespace driver_frames_test
