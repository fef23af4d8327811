// Moving pictures: the fixed-point renderer against the rendering rule computed here in doubles
// (a non-square picture, linear and eased motion, pictures larger and smaller than the frame),
// the still slide composed exactly as before, and a small bright dot that must follow its
// analytic path to a tenth of a pixel on every frame.
#include "TestBitmaps.h"

#include "imaging/Compose.h"
#include "imaging/Motion.h"
#include "imaging/MotionRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace imaging;
using namespace testbmp;

namespace {

// A picture with both smooth areas and sharp detail (worst for rounding: noise on top of
// gradients and a hard-edged block).
Bitmap TestPicture(int w, int h) {
    Bitmap b = Random(w, h, 77);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Row(y) + x * 3;
            const bool block = x > w / 3 && x < w / 2 && y > h / 4 && y < h / 2;
            p[0] = block ? 250 : static_cast<std::uint8_t>((p[0] % 64) + 255 * x / (w * 2));
            p[1] = block ? 10 : static_cast<std::uint8_t>((p[1] % 32) + 200 * y / h);
            p[2] = static_cast<std::uint8_t>(p[2] / 2 + 100 * ((x / 7 + y / 5) % 2));
        }
    return b;
}

// The rule, written out in doubles: the state interpolated by u (or smoothstep u), the pixel
// centre mapped onto the picture and sampled bilinearly between pixel centres, the background
// outside the picture.
struct Reference {
    const Bitmap& pic;
    Px back;

    double Channel(int x, int y, int k) const {
        if (x < 0 || y < 0 || x >= pic.Width || y >= pic.Height)
            return k == 0 ? back.b : k == 1 ? back.g : back.r;
        return pic.Row(y)[x * 3 + k];
    }
    std::vector<double> Frame(int W, int H, double cx, double cy, double z) const {
        const double w = pic.Width, h = pic.Height;
        const double s0 = std::min(W / w, H / h);
        std::vector<double> out(static_cast<std::size_t>(W) * H * 3);
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                const double px = cx * w + (X + 0.5 - W / 2.0) / (s0 * z) - 0.5;
                const double py = cy * h + (Y + 0.5 - H / 2.0) / (s0 * z) - 0.5;
                const int x0 = static_cast<int>(std::floor(px));
                const int y0 = static_cast<int>(std::floor(py));
                const double fx = px - x0, fy = py - y0;
                for (int k = 0; k < 3; ++k)
                    out[(static_cast<std::size_t>(Y) * W + X) * 3 + k] =
                        (1 - fy) * ((1 - fx) * Channel(x0, y0, k) + fx * Channel(x0 + 1, y0, k)) +
                        fy * ((1 - fx) * Channel(x0, y0 + 1, k) + fx * Channel(x0 + 1, y0 + 1, k));
            }
        return out;
    }
};

struct Error {
    double psnr;
    double worst;
};

Error Compare(const Bitmap& got, const std::vector<double>& want) {
    double sum = 0, worst = 0;
    for (int y = 0; y < got.Height; ++y)
        for (int i = 0; i < got.Width * 3; ++i) {
            const double d = got.Row(y)[i] - want[static_cast<std::size_t>(y) * got.Width * 3 + i];
            sum += d * d;
            worst = std::max(worst, std::abs(d));
        }
    const double mse = sum / (static_cast<double>(got.Width) * got.Height * 3);
    return {mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse), worst};
}

TEST(MotionRender, FollowsTheRuleInDoublesWithLinearAndEasedMotion) {
    // 0x00BBGGRR: blue 0x20, green 0x40, red 0x60.
    const std::int32_t back = 0x00204060;
    const Px backPx{0x20, 0x40, 0x60};
    struct Case {
        int w, h, W, H;
    };
    // A picture larger than the frame (sampled down) and one smaller (sampled up, its edges
    // meeting the background inside the frame).
    for (const Case c : {Case{301, 173, 160, 96}, Case{47, 71, 192, 108}}) {
        const Bitmap pic = TestPicture(c.w, c.h);
        const Reference ref{pic, backPx};
        Motion m;
        m.Mode = MotionMode::Manual;
        m.Start = {0.31, 0.62, 1.0};
        m.End = {0.72, 0.41, 2.7};
        for (const MotionEasing easing : {MotionEasing::Linear, MotionEasing::Ease}) {
            m.Easing = easing;
            for (const double u : {0.0, 0.27, 0.5, 0.81, 1.0}) {
                const double e = easing == MotionEasing::Ease ? u * u * (3 - 2 * u) : u;
                const double cx = 0.31 + (0.72 - 0.31) * e, cy = 0.62 + (0.41 - 0.62) * e;
                const double z = 1.0 + 1.7 * e;
                Bitmap frame = Bitmap::CreateSized(c.W, c.H);
                ComposeMovingPhoto(frame, pic, back, m, u);
                const Error err = Compare(frame, ref.Frame(c.W, c.H, cx, cy, z));
                SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " u=" +
                             std::to_string(u) + (easing == MotionEasing::Ease ? " ease" : ""));
                EXPECT_GE(err.psnr, 45.0);
                EXPECT_LE(err.worst, 3.0);
            }
        }
    }
}

TEST(MotionRender, AStillSlideIsComposedAsBefore) {
    // The default motion is none: a picture larger than the frame is fitted, a smaller one drawn
    // unscaled, both exactly as the still composition draws them.
    EXPECT_TRUE(Motion{}.IsStill());
    for (const auto& [w, h] : {std::pair(333, 150), std::pair(64, 40)}) {
        const Bitmap pic = TestPicture(w, h);
        Bitmap still = Bitmap::CreateSized(160, 120);
        ComposePhoto(still, pic, 0x00112233);
        Bitmap moving = Bitmap::CreateSized(160, 120);
        ComposeMovingPhoto(moving, pic, 0x00112233, Motion{}, 0.6, 3);
        EXPECT_EQ(Diff(still, moving), "");
    }
}

TEST(MotionRender, ABrightDotFollowsItsPathToATenthOfAPixel) {
    // A soft dot on black, and a slow pan with zoom over 75 frames (three seconds at 25 frames
    // a second): the dot's centroid on each frame against where the rule puts its centre.
    const int w = 400, h = 300, W = 320, H = 180;
    const double dotX = 212.3, dotY = 141.7, sigma = 1.6;
    Bitmap pic = Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double r2 =
                (x + 0.5 - dotX) * (x + 0.5 - dotX) + (y + 0.5 - dotY) * (y + 0.5 - dotY);
            const auto v =
                static_cast<std::uint8_t>(std::lround(255 * std::exp(-r2 / (2 * sigma * sigma))));
            std::fill_n(pic.Row(y) + x * 3, 3, v);
        }
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Start = {0.50, 0.46, 1.4};
    m.End = {0.55, 0.49, 2.1};
    m.Easing = MotionEasing::Ease;
    const double s0 = std::min(double(W) / w, double(H) / h);
    const int frames = 75;
    double worst = 0;
    for (int f = 0; f < frames; ++f) {
        const double u = f / double(frames - 1);
        const double e = u * u * (3 - 2 * u);
        const double cx = 0.50 + 0.05 * e, cy = 0.46 + 0.03 * e, z = 1.4 + 0.7 * e;
        // Where the rule puts the dot's centre, in frame coordinates (pixel X spans X..X+1).
        const double wantX = W / 2.0 + (dotX - cx * w) * s0 * z;
        const double wantY = H / 2.0 + (dotY - cy * h) * s0 * z;
        Bitmap frame = Bitmap::CreateSized(W, H);
        ComposeMovingPhoto(frame, pic, 0, m, u);
        double sum = 0, sx = 0, sy = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const double v = frame.Row(y)[x * 3 + 1];
                sum += v;
                sx += v * (x + 0.5);
                sy += v * (y + 0.5);
            }
        ASSERT_GT(sum, 0) << "frame " << f;
        worst = std::max({worst, std::abs(sx / sum - wantX), std::abs(sy / sum - wantY)});
    }
    EXPECT_LE(worst, 0.1);
}

} // namespace
