// Moving text as the renderer draws it: a title's fade follows its smoothstep curve, the
// typewriter shows the letters in order, text is drawn at the frame's own size (as sharp at 2160p
// as the font), a moving caption sits over its photo and leaves the working picture untouched,
// and the text takes part in the transitions on either side.
#include "GuiApp.h"
#include "imaging/BmpFile.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace moving_text_test {

using imaging::Bitmap;

project::Slide TitleSlide(const std::string& text, imaging::TextMotion motion,
                          std::int64_t stillMs) {
    project::Slide s = project::Slide::MakeDefault();
    s.StillMs = stillMs;
    s.TransitionMs = 0;
    imaging::TitleSettings title;
    title.Title = text;
    title.Color1 = 0x000000;
    title.Motion = motion;
    s.Body = title;
    return s;
}

// The sum of every byte of the frame: on black, text drawn at opacity a sums to a times its whole.
double Light(const Bitmap& frame) {
    double sum = 0.0;
    for (int y = 0; y < frame.Height; ++y)
        for (int x = 0; x < frame.Width * 3; ++x)
            sum += frame.Row(y)[x];
    return sum;
}

// The lit columns' extent [first, last] (-1 when none) of rows y0..y1.
std::pair<int, int> LitColumns(const Bitmap& frame, int y0, int y1, int threshold = 128) {
    int first = -1, last = -1;
    for (int x = 0; x < frame.Width; ++x)
        for (int y = y0; y < y1; ++y)
            if (frame.Row(y)[3 * x + 1] > threshold) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The lit rows' count.
int LitRows(const Bitmap& frame) {
    int rows = 0;
    for (int y = 0; y < frame.Height; ++y)
        for (int x = 0; x < frame.Width; ++x)
            if (frame.Row(y)[3 * x + 1] > 128) {
                ++rows;
                break;
            }
    return rows;
}

class MovingText : public ::testing::Test {
protected:
    void SetUp() override { testsupport::EnsureGuiApp(); }
};

Bitmap Frame(render::FrameRenderer& renderer, int w, int h, std::int64_t n) {
    Bitmap frame = Bitmap::CreateSized(w, h);
    EXPECT_TRUE(renderer.Render(frame, n));
    return frame;
}

TEST_F(MovingText, AFadesOpacityFollowsItsSmoothstepInAndOut) {
    // 101 frames at 25 fps: frame n starts at n * 0.04 s of a 4 s span; the fade takes 1 s in
    // and 1 s out.
    const std::vector<project::Slide> slides{TitleSlide("Fade", imaging::TextMotion::Fade, 4040)};
    render::FrameRenderer renderer(slides, {render::FrameRate::Fps(25), {}, {}, {}});
    ASSERT_EQ(renderer.FrameCount(), 101);
    const double whole = Light(Frame(renderer, 640, 360, 50));
    ASSERT_GT(whole, 0.0);
    const auto smooth = [](double x) { return x * x * (3.0 - 2.0 * x); };
    for (const int n : {0, 5, 12, 20, 25, 30, 50, 70, 80, 88, 95, 100}) {
        const double t = n * 0.04;
        const double want = std::min({smooth(std::min(t, 1.0)), smooth(std::min(4.0 - t, 1.0))});
        EXPECT_NEAR(Light(Frame(renderer, 640, 360, n)) / whole, want, 0.02) << "frame " << n;
    }
}

TEST_F(MovingText, TheTypewriterShowsTheLettersInOrderAndKeepsTheirPlaces) {
    const std::vector<project::Slide> slides{
        TitleSlide("ABCDEFGH", imaging::TextMotion::Typewriter, 8000)};
    render::FrameRenderer renderer(slides, {render::FrameRate::Fps(25), {}, {}, {}});
    const Bitmap full = Frame(renderer, 640, 360, 150);
    const auto [left, right] = LitColumns(full, 0, 360);
    ASSERT_GT(right, left);
    // The first frame shows the first letter alone, at the left of where the whole title lies.
    const auto [firstLeft, firstRight] = LitColumns(Frame(renderer, 640, 360, 0), 0, 360);
    EXPECT_NEAR(firstLeft, left, 2);
    EXPECT_LT(firstRight - firstLeft, (right - left) / 4);
    // 8 letters over 8 x 0.08 s = 16 frames: the text grows to the right, never shrinks, and
    // every shown letter stays where the whole text has it.
    int lastRight = firstRight;
    int grew = 0;
    for (int n = 1; n <= 20; ++n) {
        const Bitmap frame = Frame(renderer, 640, 360, n);
        const auto [l, r] = LitColumns(frame, 0, 360);
        EXPECT_NEAR(l, left, 2) << "frame " << n;
        EXPECT_GE(r, lastRight) << "frame " << n;
        grew += r > lastRight;
        lastRight = r;
        for (int y = 0; y < 360; ++y) {
            for (int x = l; x <= r; ++x) {
                if (frame.Row(y)[3 * x + 1] > 200) {
                    ASSERT_GT(full.Row(y)[3 * x + 1], 100) << "frame " << n << " at " << x;
                }
            }
        }
    }
    EXPECT_EQ(lastRight, right);
    EXPECT_GE(grew, 6);
}

TEST_F(MovingText, TextIsDrawnAtTheFramesOwnSize) {
    const std::vector<project::Slide> slides{TitleSlide("Sharp", imaging::TextMotion::None, 2000)};
    render::FrameRenderer renderer(slides, {render::FrameRate::Fps(25), {}, {}, {}});
    const Bitmap small = Frame(renderer, 1280, 720, 10);
    const Bitmap large = Frame(renderer, 3840, 2160, 10);
    // Three times the frame: three times the text, drawn there, with edges as steep as at 720p
    // (an enlarged picture of the text would soften them threefold).
    EXPECT_NEAR(LitRows(large) / double(LitRows(small)), 3.0, 0.1);
    const auto steepest = [](const Bitmap& f) {
        int best = 0;
        for (int y = 0; y < f.Height; ++y)
            for (int x = 1; x < f.Width; ++x)
                best = std::max(best, std::abs(f.Row(y)[3 * x + 1] - f.Row(y)[3 * x - 2]));
        return best;
    };
    EXPECT_GE(steepest(large), steepest(small) * 3 / 4);
}

TEST_F(MovingText, AMovingCaptionIsDrawnOverItsPhotoAndTakesPartInTheTransition) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A mid-grey photo with a rising caption at the bottom centre, then a black title; the photo
    // fills the 800 x 600 frame at half its size, and so does its caption's font.
    Bitmap photo = Bitmap::CreateSized(1600, 1200);
    photo.Fill(90, 90, 90);
    const std::string work = dir.filePath("photo.bmp").toStdString();
    ASSERT_TRUE(imaging::SaveBmpFile(work, photo));
    project::Slide s = project::Slide::MakeDefault();
    s.WorkFile = work;
    s.StillMs = 2000;
    s.TransitionKind = 0;
    s.Ext.TransitionKind = 14; // a cross-fade
    s.TransitionMs = 1000;
    s.BackColor = 0;
    s.Caption.Text = "Caption";
    s.Caption.Size = 60;
    s.Caption.HAlign = 2;
    s.Caption.VAlign = 3;
    s.Caption.Motion = imaging::TextMotion::Rise;
    const std::vector<project::Slide> slides{s, TitleSlide("", imaging::TextMotion::None, 1000)};
    render::FrameRenderer renderer(slides, {render::FrameRate::Fps(25), {}, {}, {}});
    // Fully in (after its rise of min(1 s, a quarter of 3 s)), the caption is on the photo's
    // lower half, the rest is the photo.
    const Bitmap still = Frame(renderer, 800, 600, 30);
    const auto [l, r] = LitColumns(still, 300, 600, 200);
    ASSERT_GE(l, 0);
    EXPECT_NEAR((l + r) / 2.0, 400.0, 8.0);
    EXPECT_EQ(LitColumns(still, 0, 300, 200).first, -1);
    EXPECT_EQ(still.Row(100)[3 * 100], 90);
    // Halfway through the cross-fade to black, the caption fades with its photo.
    const Bitmap mixing = Frame(renderer, 800, 600, 62);
    EXPECT_LT(LitColumns(mixing, 300, 600, 200).first, 0);
    EXPECT_GE(LitColumns(mixing, 300, 600, 80).first, 0);
    // The working picture was never drawn on.
    const auto reread = imaging::LoadBmpFile(work);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->Row(1100)[3 * 800], 90);
}

// Letters the chosen font lacks come from the system's other fonts: two Chinese characters, which
// the Latin font has not, draw as two different glyphs, not as the same missing-letter box.
TEST_F(MovingText, AnyScriptIsDrawnThroughTheSystemsFontFallback) {
    const auto layer = [](const char* text) {
        imaging::TextBlock block;
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(48);
        block.Lines.push_back({QString::fromUtf8(text), font});
        return imaging::RenderTextLayer(block).Image;
    };
    const QImage ni = layer("\xE4\xBD\xA0");  // U+4F60
    const QImage hao = layer("\xE5\xA5\xBD"); // U+597D
    ASSERT_FALSE(ni.isNull());
    ASSERT_EQ(ni.size(), hao.size());
    EXPECT_NE(ni, hao);
    // And a line in three scripts lays out as one block, wider than any one of them.
    EXPECT_GT(layer("Hello \xD0\x9C\xD0\xB8\xD1\x80 \xE4\xBD\xA0\xE5\xA5\xBD").width(),
              layer("Hello").width());
}

} // namespace moving_text_test
