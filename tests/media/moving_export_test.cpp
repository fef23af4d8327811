// The export of slides that move, of the newer transition kinds and of exact lengths: every
// frame is handed over and checked against the rendering rule computed here independently.
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "imaging/TransitionKinds.h"
#include "media/export/VideoExport.h"
#include "project/ShowModel.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Yuv = std::vector<std::uint8_t>; // a frame's three planes, one after the other

// Keeps every frame the export hands over, repeated ones included; with yuv set, as YUV 4:2:0
// (the 24-bit frames converted), taking frames drawn straight into it too.
class FrameSink final : public media::VideoSink {
public:
    explicit FrameSink(std::vector<imaging::Bitmap>& frames, std::vector<Yuv>* yuv = nullptr,
                       int* composed = nullptr)
        : frames_(frames), yuv_(yuv), composed_(composed) {}
    base::Status Start(const imaging::Bitmap&) override { return {}; }
    base::Status AddFrames(const imaging::Bitmap& frame, std::int64_t count) override {
        for (std::int64_t k = 0; k < count; ++k) {
            if (!yuv_) {
                frames_.push_back(frame);
                continue;
            }
            width_ = frame.Width;
            height_ = frame.Height;
            imaging::BgrToYuv420(frame, Planes(), imaging::YuvMatrix::Bt601);
        }
        return {};
    }
    std::optional<imaging::YuvMatrix> ComposedMatrix() const override {
        if (!yuv_)
            return std::nullopt;
        return imaging::YuvMatrix::Bt601;
    }
    base::Status AddComposedFrame(const FrameComposer& compose) override {
        compose(Planes());
        ++*composed_;
        return {};
    }
    base::Status AddSound(media::SoundPiece) override { return {}; }
    base::Status Finish() override { return {}; }
    bool CarriesSound() const override { return false; }

private:
    // A new frame's planes.
    imaging::Yuv420Planes Planes() {
        const int cw = width_ / 2, ch = height_ / 2;
        Yuv& f = yuv_->emplace_back(static_cast<std::size_t>(width_ * height_ + 2 * cw * ch));
        return {f.data(),
                f.data() + width_ * height_,
                f.data() + width_ * height_ + cw * ch,
                width_,
                cw,
                cw};
    }
    std::vector<imaging::Bitmap>& frames_;
    std::vector<Yuv>* yuv_;
    int* composed_;
    int width_ = 0;
    int height_ = 0;
};

class MovingExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A w x h slide of one grey level, with an optional bright 3 x 3 dot centred at (dx, dy).
    project::Slide Picture(int w, int h, int grey, int dx = -1, int dy = -1) {
        imaging::Bitmap p = imaging::Bitmap::CreateSized(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool dot = dx >= 0 && std::abs(x - dx) <= 1 && std::abs(y - dy) <= 1;
                std::fill_n(p.Row(y) + 3 * x, 3, static_cast<std::uint8_t>(dot ? 255 : grey));
            }
        const std::string file = Path("p" + std::to_string(files_++) + ".bmp");
        EXPECT_TRUE(imaging::SaveBmpFile(file, p));
        auto s = project::Slide::MakeDefault();
        s.WorkFile = file;
        s.BackColor = 0;
        return s;
    }
    // With yuv, the frames as a sink of YUV frames receives them, and how many were drawn
    // straight into it.
    std::vector<imaging::Bitmap> Export(std::vector<Yuv>* yuv = nullptr, int* composed = nullptr) {
        std::vector<imaging::Bitmap> frames;
        media::VideoExportOptions o;
        o.OutputPath = Path("out.avi");
        o.Codec = "XVID";
        o.Resolution = media::kResolutionStandard;
        o.MakeSink = [&](const media::VideoSinkSettings& s)
            -> base::Result<std::unique_ptr<media::VideoSink>> {
            std::ofstream(s.Path) << "frames";
            return std::unique_ptr<media::VideoSink>(
                std::make_unique<FrameSink>(frames, yuv, composed));
        };
        const auto r = media::ExportVideo(show, o, progress);
        EXPECT_EQ(outcomes::OutcomeOf(r), media::ExportOutcome::Written) << outcomes::ErrorOf(r);
        return frames;
    }
    static int Grey(const imaging::Bitmap& f, int x, int y) { return f.Row(y)[3 * x + 1]; }

    QTemporaryDir dir;
    project::ShowContent show;
    base::NoProgress progress;
    int files_ = 0;
};

// A dot panned across a slide follows the rule's path: its centroid on every frame is within
// 0.1 px of where the rule puts the dot's centre, with the motion's progress running from the
// first frame to the last.
TEST_F(MovingExportTest, ADotFollowsThePanOnEveryFrame) {
    const int w = 400, h = 300, dx = 200, dy = 150;
    auto s = Picture(w, h, 0, dx, dy);
    s.StillMs = 2000;
    s.Ext.Motion.Mode = imaging::MotionMode::Manual;
    s.Ext.Motion.Start = {0.45, 0.48, 1.5};
    s.Ext.Motion.End = {0.55, 0.52, 1.5};
    show.Slides.push_back(s);
    const auto frames = Export();
    ASSERT_EQ(frames.size(), 50u);
    const int W = frames[0].Width, H = frames[0].Height;
    const double s0 = std::min(double(W) / w, double(H) / h) * 1.5;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const double u = double(n) / double(frames.size() - 1);
        const double cx = (0.45 + 0.10 * u) * w, cy = (0.48 + 0.04 * u) * h;
        // Picture point (px, py) shows at X + 0.5 = (px - cx) * s0 + W / 2 (pixel centres).
        const double ex = (dx + 0.5 - cx) * s0 + W / 2.0 - 0.5;
        const double ey = (dy + 0.5 - cy) * s0 + H / 2.0 - 0.5;
        double sum = 0, sx = 0, sy = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const double v = Grey(frames[n], x, y);
                sum += v;
                sx += v * x;
                sy += v * y;
            }
        ASSERT_GT(sum, 0) << n;
        EXPECT_NEAR(sx / sum, ex, 0.1) << "frame " << n;
        EXPECT_NEAR(sy / sum, ey, 0.1) << "frame " << n;
    }
}

// A cross-fade between two flat slides mixes them by the elapsed share of its length, exact
// lengths in milliseconds land on their nearest frames, and the older readers' kind is kept.
TEST_F(MovingExportTest, ACrossFadeOfExactLengthMixesByElapsedTime) {
    auto a = Picture(160, 120, 40);
    a.StillMs = 1000;
    a.StillMs = 1020;     // 25.5 frames: the cut at frame 26
    a.TransitionKind = 0; // what older readers play
    a.Ext.TransitionKind = imaging::kTransitionCrossfade;
    a.TransitionMs = 1000;
    a.TransitionMs = 800; // 20 frames
    auto b = Picture(160, 120, 240);
    b.StillMs = 1000;
    show.Slides.push_back(a);
    show.Slides.push_back(b);
    const auto frames = Export();
    // 1020 + 800 + 1000 ms: the cut at 25.5 -> 26, the fade's end at 45.5 -> 46, the end at
    // 70.5 -> 71 (halves round up).
    ASSERT_EQ(frames.size(), 71u);
    const int cx = frames[0].Width / 2, cy = frames[0].Height / 2;
    EXPECT_EQ(Grey(frames[25], cx, cy), 40); // still the first slide
    for (int f = 0; f < 20; ++f) {
        // Frame 26 + f shows the fade at 40·(26 + f) − 1020 ms of 800.
        const double alpha = (40.0 * (26 + f) - 1020.0) / 800.0;
        EXPECT_NEAR(Grey(frames[26 + f], cx, cy), 40 + 200 * alpha, 1.0) << f;
    }
    EXPECT_EQ(Grey(frames[46], cx, cy), 240);
}

// Moving slides drawn straight into an encoder's YUV planes give the very frames the 24-bit
// frames converted give, in order: pans, byte-wise blends between moving slides, an iris (drawn
// whole), a still slide and a picture that cannot be read.
TEST_F(MovingExportTest, FramesDrawnAsYuvAreTheConvertedFramesInOrder) {
    const int kinds[] = {imaging::kTransitionCrossfade, imaging::kTransitionIris,
                         imaging::kTransitionFadeBlack, imaging::kTransitionSoftDown, 0};
    for (int i = 0; i < 6; ++i) {
        auto s = Picture(200 + 40 * i, 150 - 10 * i, 30 + 30 * i, 60 + 10 * i, 50);
        s.StillMs = 1000;
        s.TransitionMs = 1000;
        s.Ext.TransitionKind = kinds[i % 5];
        if (i != 3) {
            s.Ext.Motion.Mode = imaging::MotionMode::Auto;
        }
        if (i == 4)
            s.WorkFile = Path("missing.bmp");
        show.Slides.push_back(s);
    }
    const auto frames = Export();
    std::vector<Yuv> yuv;
    int composed = 0;
    Export(&yuv, &composed);
    ASSERT_EQ(yuv.size(), frames.size());
    EXPECT_GT(composed, static_cast<int>(frames.size()) / 3);
    std::vector<Yuv> converted;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const int W = frames[f].Width, H = frames[f].Height;
        Yuv planes(static_cast<std::size_t>(W * H + W * H / 2));
        imaging::BgrToYuv420(
            frames[f],
            {planes.data(), planes.data() + W * H, planes.data() + W * H * 5 / 4, W, W / 2, W / 2},
            imaging::YuvMatrix::Bt601);
        EXPECT_TRUE(planes == yuv[f]) << "frame " << f;
    }
}

} // namespace
