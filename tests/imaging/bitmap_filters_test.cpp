// The bitmap filters against references written from the documented arithmetic, and its edge cases.
#include "TestBitmaps.h"

#include "imaging/BitmapFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

using namespace imaging;
using namespace testbmp;

namespace {

int ClampI(double v) {
    return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}
int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Per-pixel references, no tables.
void RefBrightness(Bitmap& b, int amount) {
    if (amount == 0)
        return;
    const double offset = amount * 128 / 100.0;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width * 3; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>(ClampI(std::trunc(b.Row(y)[x] + offset)));
}

void RefContrast(Bitmap& b, int amount, bool fixedPivot) {
    if (amount == 0)
        return;
    double pivot[3] = {128, 128, 128};
    if (!fixedPivot) {
        double sum[3] = {0, 0, 0};
        for (int y = 0; y < b.Height; ++y)
            for (int x = 0; x < b.Width; ++x)
                for (int c = 0; c < 3; ++c)
                    sum[c] += b.Row(y)[x * 3 + c];
        for (int c = 0; c < 3; ++c)
            pivot[c] = std::trunc(sum[c] / (static_cast<double>(b.Width) * b.Height));
    }
    const double f = amount > 0 ? 1 + amount / 10.0 : 1 - std::sqrt(-amount) / 10.0;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x)
            for (int c = 0; c < 3; ++c) {
                std::uint8_t& v = b.Row(y)[x * 3 + c];
                v = static_cast<std::uint8_t>(ClampI(pivot[c] + std::trunc((v - pivot[c]) * f)));
            }
}

void RefGamma(Bitmap& b, double gamma) {
    if (gamma == 0)
        gamma = 0.01;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width * 3; ++x) {
            std::uint8_t& v = b.Row(y)[x];
            if (v != 0)
                v = static_cast<std::uint8_t>(
                    Round(255 * std::exp((1 / gamma) * std::log(v / 255.0))));
        }
}

void RefColorize(Bitmap& b, int color) {
    const int wr = Round((color & 0xFF) * 2.55) % 256;
    const int wg = Round(((color >> 8) & 0xFF) * 2.55) % 256;
    const int wb = Round(((color >> 16) & 0xFF) * 2.55) % 256;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x) {
            const Px p = At(b, x, y);
            const double s = (p.r + p.g + p.b) / 300.0;
            Set(b, x, y,
                Px{static_cast<std::uint8_t>(ClampI(Round(wb * s))),
                   static_cast<std::uint8_t>(ClampI(Round(wg * s))),
                   static_cast<std::uint8_t>(ClampI(Round(wr * s)))});
        }
}

Bitmap RefRotate(const Bitmap& src, int background, double angle) {
    const int W = src.Width, H = src.Height;
    const bool whole = angle == std::trunc(angle);
    const int a = static_cast<int>(angle);
    if (whole && (a == 0 || a == 360 || a == 720 || a == -360))
        return src;
    if (whole && (a == 90 || a == 270)) {
        Bitmap d = Bitmap::CreateSized(H, W);
        for (int y = 0; y < W; ++y)
            for (int x = 0; x < H; ++x)
                Set(d, x, y, a == 90 ? At(src, y, H - 1 - x) : At(src, W - 1 - y, x));
        return d;
    }
    if (whole && a == 180) {
        Bitmap d = Bitmap::CreateSized(W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                Set(d, x, y, At(src, W - 1 - x, H - 1 - y));
        return d;
    }
    const double r = angle * (std::numbers::pi / 180.0);
    const double c = std::cos(r), s = std::sin(r);
    const int cx[4] = {0, W, W, 0}, cy[4] = {0, 0, H, H};
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (int k = 0; k < 4; ++k) {
        const int x = Round(cx[k] * c - cy[k] * s), y = Round(cx[k] * s + cy[k] * c);
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    Bitmap d = Bitmap::CreateSized(maxX - minX, maxY - minY);
    const Px bg{static_cast<std::uint8_t>(background >> 16),
                static_cast<std::uint8_t>(background >> 8), static_cast<std::uint8_t>(background)};
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            const double u = x + minX, v = y + minY;
            const int sx = Round(u * c + v * s), sy = Round(-u * s + v * c);
            Set(d, x, y, (sx >= 0 && sx < W && sy >= 0 && sy < H) ? At(src, sx, sy) : bg);
        }
    return d;
}

const std::vector<std::pair<int, int>> kSizes = {{1, 1},    {1, 9}, {9, 1},   {3, 2},
                                                 {1023, 7}, {2, 3}, {64, 48}, {101, 77}};

} // namespace

TEST(Bitfx, BrightnessMatchesReference) {
    std::uint32_t seed = 1;
    for (auto [w, h] : kSizes)
        for (int amount : {-100, -99, -57, -1, 0, 1, 3, 50, 77, 100}) {
            Bitmap a = Random(w, h, seed++), b = a;
            AdjustBrightness(a, amount);
            RefBrightness(b, amount);
            ASSERT_EQ(Diff(a, b), "") << w << "x" << h << " amount " << amount;
        }
}

TEST(Bitfx, ContrastMatchesReference) {
    std::uint32_t seed = 50;
    for (auto [w, h] : kSizes)
        for (int amount : {-25, -16, -7, -1, 0, 1, 9, 25})
            for (bool fixed : {false, true}) {
                Bitmap a = Random(w, h, seed++), b = a;
                AdjustContrast(a, amount, fixed);
                RefContrast(b, amount, fixed);
                ASSERT_EQ(Diff(a, b), "") << w << "x" << h << " amount " << amount;
            }
}

TEST(Bitfx, GammaMatchesReference) {
    std::uint32_t seed = 90;
    for (auto [w, h] : kSizes)
        for (double g : {0.0, 0.1, 0.5, 0.7, 1.0, 1.3, 2.2, 7.0}) {
            Bitmap a = Random(w, h, seed++), b = a;
            AdjustGamma(a, g);
            RefGamma(b, g);
            ASSERT_EQ(Diff(a, b), "") << w << "x" << h << " gamma " << g;
        }
}

TEST(Bitfx, ColorizeMatchesReference) {
    std::uint32_t seed = 130;
    for (auto [w, h] : kSizes)
        for (int color : {0x8C8C8C, 0x7D8A8F, 0x000000, 0xFFFFFF, 0x123456, 0x64C864}) {
            Bitmap a = Random(w, h, seed++), b = a;
            Colorize(a, color);
            RefColorize(b, color);
            ASSERT_EQ(Diff(a, b), "") << w << "x" << h << " colour " << color;
        }
}

TEST(Bitfx, NeutralValuesLeavePixelsUnchanged) {
    const Bitmap src = Random(101, 77, 7);
    Bitmap b = src;
    AdjustBrightness(b, 0);
    AdjustContrast(b, 0, false);
    AdjustGamma(b, 1.0);
    EXPECT_EQ(Diff(b, src), "");
}

TEST(Bitfx, ColorizeWeightsAndWhite) {
    int w[3];
    ColorizeWeights(0x8C8C8C, w); // black-and-white (140, 140, 140)
    EXPECT_EQ(w[0], 101);
    EXPECT_EQ(w[1], 101);
    EXPECT_EQ(w[2], 101);
    ColorizeWeights(0x7D8A8F, w); // sepia (143, 138, 125)
    EXPECT_EQ(w[0], 109);
    EXPECT_EQ(w[1], 96);
    EXPECT_EQ(w[2], 63);
    Bitmap white = Bitmap::CreateSized(1, 1);
    white.Fill(255, 255, 255);
    Bitmap sepia = white;
    Colorize(white, 0x8C8C8C);
    EXPECT_EQ(At(white, 0, 0), (Px{255, 255, 255}));
    Colorize(sepia, 0x7D8A8F);
    EXPECT_EQ(At(sepia, 0, 0), (Px{161, 245, 255})); // (R, G, B) = (255, 245, 161)
}

TEST(Bitfx, ContrastMinus25HalvesDistanceFromMean) {
    // Channel means: blue (100+200)/2 = 150, green 50, red 128.
    Bitmap b = Bitmap::CreateSized(2, 1);
    Set(b, 0, 0, Px{100, 40, 28});
    Set(b, 1, 0, Px{200, 60, 228});
    AdjustContrast(b, -25, false);
    EXPECT_EQ(At(b, 0, 0), (Px{125, 45, 78}));
    EXPECT_EQ(At(b, 1, 0), (Px{175, 55, 178}));
}

TEST(Bitfx, ContrastKeepsUniformImage) {
    for (int amount : {-25, -3, 1, 25}) {
        Bitmap b = Bitmap::CreateSized(13, 7);
        b.Fill(17, 130, 240);
        const Bitmap before = b;
        AdjustContrast(b, amount, false);
        EXPECT_EQ(Diff(b, before), "") << amount;
    }
}

TEST(Bitfx, GammaTableEdges) {
    std::uint8_t t[256];
    GammaTable(0.5, t);
    EXPECT_EQ(t[128], 64);
    GammaTable(0.0, t); // slider 0: gamma 0.01
    for (int v = 0; v <= 239; ++v)
        ASSERT_EQ(t[v], 0) << v;
    EXPECT_EQ(t[254], 172);
    EXPECT_EQ(t[255], 255);
    GammaTable(1.0, t);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(t[v], v);
}

TEST(Bitfx, InvertTwiceRestores) {
    const Bitmap src = Random(1023, 7, 8);
    Bitmap b = src;
    InvertColors(b);
    EXPECT_EQ(At(b, 5, 3).g, 255 - At(src, 5, 3).g);
    InvertColors(b);
    EXPECT_EQ(Diff(b, src), "");
}

TEST(Bitfx, FlipMatchesReference) {
    std::uint32_t seed = 300;
    for (auto [w, h] : kSizes) {
        const Bitmap src = Random(w, h, seed++);
        Bitmap hb = src, vb = src;
        FlipBitmap(hb, true);
        FlipBitmap(vb, false);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(At(hb, x, y), At(src, w - 1 - x, y));
                ASSERT_EQ(At(vb, x, y), At(src, x, h - 1 - y));
            }
    }
}

TEST(Bitfx, MirrorOddWidthKeepsMiddleColumn) {
    const Bitmap src = Random(5, 4, 9);
    Bitmap b = src;
    FlipBitmap(b, true);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(At(b, 2, y), At(src, 2, y));
}

TEST(Bitfx, RotationMatchesReference) {
    std::uint32_t seed = 400;
    for (auto [w, h] : kSizes)
        for (double angle : {0.0, 90.0, 180.0, 270.0, 360.0, -90.0, 45.0, 30.5, -12.25, 1e-3, 359.0,
                             720.0, -360.0, 135.0}) {
            const Bitmap src = Random(w, h, seed++);
            Bitmap got = src;
            RotateBitmap(got, 0x336699, angle);
            const Bitmap want = RefRotate(src, 0x336699, angle);
            ASSERT_EQ(Diff(got, want), "") << w << "x" << h << " angle " << angle;
        }
}

TEST(Bitfx, QuarterTurns) {
    const Bitmap src = Random(3, 2, 10);
    Bitmap b = src;
    RotateBitmap(b, 0, 90);
    EXPECT_EQ(b.Width, 2);
    EXPECT_EQ(b.Height, 3);
    // Clockwise: the bottom-left source pixel becomes the top-left.
    EXPECT_EQ(At(b, 0, 0), At(src, 0, 1));
    for (int k = 0; k < 3; ++k)
        RotateBitmap(b, 0, 90);
    EXPECT_EQ(Diff(b, src), "");
    Bitmap row = Random(7, 1, 11);
    Bitmap turned = row;
    RotateBitmap(turned, 0, 180);
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(At(turned, x, 0), At(row, 6 - x, 0));
    Bitmap big = Random(1023, 7, 12);
    Bitmap quarter = big;
    RotateBitmap(quarter, 0, 270);
    RotateBitmap(quarter, 0, 90);
    EXPECT_EQ(Diff(quarter, big), "");
}

TEST(Bitfx, FreeRotationFillsBackground) {
    Bitmap b = Bitmap::CreateSized(100, 50);
    b.Fill(0, 0, 255);
    RotateBitmap(b, 0x00FF00, 45);
    // Bounding box of the turned rectangle: |x| spans 106, y spans 106.
    EXPECT_EQ(b.Width, 106);
    EXPECT_EQ(b.Height, 106);
    EXPECT_EQ(At(b, 0, 0), (Px{0, 255, 0}));
    EXPECT_EQ(At(b, 53, 53), (Px{0, 0, 255}));
}

TEST(Bitfx, EmptyBitmapsAreSafe) {
    Bitmap e;
    AdjustBrightness(e, 10);
    AdjustContrast(e, 10, false);
    AdjustGamma(e, 2);
    Colorize(e, 0x8C8C8C);
    InvertColors(e);
    FlipBitmap(e, true);
    FlipBitmap(e, false);
    RotateBitmap(e, 0, 30);
    RotateBitmap(e, 0, 90);
    EXPECT_TRUE(e.IsEmpty());
}
