// ScaleBilinear, ScaleNearest and FitSize against references written from the documented
// arithmetic.
#include "TestBitmaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using imaging::Bitmap;
using imaging::FitSize;
using imaging::ImageSize;
using namespace testbmp;

namespace {

// ScaleBilinear, as a plain per-pixel reference (no tables).
void RefBilinear(const Bitmap& src, Bitmap& dst) {
    if (dst.Width < 1 || dst.Height < 1)
        return;
    if (src.Width == 1) {
        src.ScaleNearest(dst); // checked separately against RefNearest
        return;
    }
    if (src.Width == dst.Width && src.Height == dst.Height) {
        for (int y = 0; y < src.Height; ++y)
            for (int x = 0; x < src.Width; ++x)
                Set(dst, x, y, At(src, x, y));
        return;
    }
    const int xs = ((src.Width - 1) << 15) / dst.Width;
    const int ys = ((src.Height - 1) << 15) / dst.Height;
    for (int i = 0; i < dst.Height; ++i) {
        const int fy = i * ys;
        const int ra = fy >> 15;
        const int rb = src.Height == 1 ? ra : ra + 1;
        const int wy = fy & 0x7FFF;
        for (int j = 0; j < dst.Width; ++j) {
            const int fx = j * xs;
            const int x0 = fx >> 15, wx = fx & 0x7FFF;
            const int w10 = (wx * (0x8000 - wy)) >> 15;
            const int w00 = 0x8000 - wy - w10;
            const int w11 = (wx * wy) >> 15;
            const int w01 = wy - w11;
            const std::uint8_t* A = src.Row(ra);
            const std::uint8_t* B = src.Row(rb);
            std::uint8_t* d = dst.Row(i) + j * 3;
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<std::uint8_t>((A[x0 * 3 + c] * w00 + A[x0 * 3 + 3 + c] * w10 +
                                                  B[x0 * 3 + c] * w01 + B[x0 * 3 + 3 + c] * w11) >>
                                                 15);
        }
    }
}

// ScaleNearest.
void RefNearest(const Bitmap& src, Bitmap& dst) {
    const float xr = static_cast<float>(dst.Width) / src.Width;
    const float yr = static_cast<float>(dst.Height) / src.Height;
    if (xr >= 1 && yr >= 1) {
        const long xrep = std::lrint(static_cast<double>(xr) + 0.5);
        const long yrep = std::lrint(static_cast<double>(yr) + 0.5);
        for (int i = 0; i < src.Height; ++i) {
            std::vector<Px> row(static_cast<std::size_t>(dst.Width), Px{0, 0, 0});
            for (int j = 0; j < src.Width; ++j) {
                const long start = static_cast<long>(std::trunc(static_cast<double>(xr) * j));
                for (long k = 0; k < xrep && start + k < dst.Width; ++k)
                    row[static_cast<std::size_t>(start + k)] = At(src, j, i);
            }
            const long top = static_cast<long>(std::trunc(static_cast<double>(yr) * i));
            for (long k = 0; k < yrep && top + k < dst.Height; ++k)
                for (int x = 0; x < dst.Width; ++x)
                    Set(dst, x, static_cast<int>(top + k), row[static_cast<std::size_t>(x)]);
        }
        return;
    }
    const long long xs = (static_cast<long long>(src.Width) << 16) / dst.Width;
    const long long ys = (static_cast<long long>(src.Height) << 16) / dst.Height;
    for (int y = 0; y < dst.Height; ++y)
        for (int x = 0; x < dst.Width; ++x)
            Set(dst, x, y,
                At(src, static_cast<int>((x * xs) >> 16), static_cast<int>((y * ys) >> 16)));
}

// FitSize, in plain double arithmetic with round-half-even.
ImageSize RefFit(int sw, int sh, int bw, int bh) {
    auto r = [](double v) { return static_cast<int>(std::nearbyint(v)); };
    if (sw < bw && sh < bh)
        return {sw, sh};
    if (sh < sw) {
        const int h = r(static_cast<double>(sh) * bw / sw);
        return bh < h ? ImageSize{r(static_cast<double>(sw) * bh / sh), bh} : ImageSize{bw, h};
    }
    const int w = r(static_cast<double>(sw) * bh / sh);
    return bw < w ? ImageSize{bw, r(static_cast<double>(sh) * bw / sw)} : ImageSize{w, bh};
}

const std::vector<std::pair<int, int>> kSizes = {
    {1, 1},    {1, 5}, {1, 64},  {7, 1},     {64, 1},    {3, 2},     {2, 3},   {1023, 7},
    {7, 1023}, {5, 5}, {17, 13}, {257, 131}, {640, 480}, {643, 511}, {90, 68}, {4, 3}};

} // namespace

TEST(ScaleBilinear, MatchesReferenceOnOddSizes) {
    std::uint32_t seed = 1;
    for (auto [sw, sh] : kSizes) {
        const Bitmap src = Random(sw, sh, seed++);
        for (auto [dw, dh] : kSizes) {
            Bitmap got = Bitmap::CreateSized(dw, dh);
            Bitmap want = Bitmap::CreateSized(dw, dh);
            src.ScaleBilinear(got);
            RefBilinear(src, want);
            ASSERT_EQ(Diff(got, want), "") << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
    }
}

TEST(ScaleBilinear, MatchesReferenceOnRandomSizes) {
    std::mt19937 rng(42);
    for (int round = 0; round < 100; ++round) {
        const int sw = 1 + static_cast<int>(rng() % 300), sh = 1 + static_cast<int>(rng() % 300);
        const int dw = 1 + static_cast<int>(rng() % 300), dh = 1 + static_cast<int>(rng() % 300);
        const Bitmap src = Random(sw, sh, rng());
        Bitmap got = Bitmap::CreateSized(dw, dh), want = Bitmap::CreateSized(dw, dh);
        src.ScaleBilinear(got);
        RefBilinear(src, want);
        ASSERT_EQ(Diff(got, want), "") << sw << "x" << sh << " -> " << dw << "x" << dh;
    }
}

TEST(ScaleBilinear, LargeDownscalesMatchReference) {
    const Bitmap src = Random(4000, 3000, 7);
    for (auto [dw, dh] : std::vector<std::pair<int, int>>{{1280, 960}, {90, 68}, {641, 479}}) {
        Bitmap got = Bitmap::CreateSized(dw, dh), want = Bitmap::CreateSized(dw, dh);
        src.ScaleBilinear(got);
        RefBilinear(src, want);
        ASSERT_EQ(Diff(got, want), "") << dw << "x" << dh;
    }
}

TEST(ScaleBilinear, SameSizeIsExactCopy) {
    const Bitmap src = Random(1023, 7, 3);
    Bitmap dst = Bitmap::CreateSized(1023, 7);
    src.ScaleBilinear(dst);
    EXPECT_EQ(Diff(src, dst), "");
}

TEST(ScaleBilinear, OnePixelWideSourceUsesNearest) {
    const Bitmap src = Random(1, 9, 4);
    Bitmap a = Bitmap::CreateSized(5, 20), b = Bitmap::CreateSized(5, 20);
    src.ScaleBilinear(a);
    RefNearest(src, b);
    EXPECT_EQ(Diff(a, b), "");
    // Every output row is one source pixel repeated.
    for (int y = 0; y < 20; ++y)
        for (int x = 1; x < 5; ++x)
            EXPECT_EQ(At(a, x, y), At(a, 0, y));
}

TEST(ScaleBilinear, EmptyDestinationIsLeftAlone) {
    const Bitmap src = Random(10, 10, 5);
    Bitmap dst;
    src.ScaleBilinear(dst);
    src.ScaleNearest(dst);
    EXPECT_TRUE(dst.IsEmpty());
}

TEST(ScaleBilinear, UniformColourStaysUniform) {
    Bitmap src = Bitmap::CreateSized(333, 222);
    src.Fill(10, 200, 255);
    Bitmap dst = Bitmap::CreateSized(100, 71);
    src.ScaleBilinear(dst);
    // The four weights always sum to 0x8000, so a flat colour survives exactly.
    for (int y = 0; y < dst.Height; ++y)
        for (int x = 0; x < dst.Width; ++x)
            ASSERT_EQ(At(dst, x, y), (Px{10, 200, 255}));
}

TEST(ScaleNearest, MatchesReference) {
    std::uint32_t seed = 100;
    for (auto [sw, sh] : kSizes) {
        if (sw * sh > 100000)
            continue;
        const Bitmap src = Random(sw, sh, seed++);
        for (auto [dw, dh] : kSizes) {
            Bitmap got = Bitmap::CreateSized(dw, dh), want = Bitmap::CreateSized(dw, dh);
            src.ScaleNearest(got);
            RefNearest(src, want);
            ASSERT_EQ(Diff(got, want), "") << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
    }
    std::mt19937 rng(9);
    for (int round = 0; round < 100; ++round) {
        const int sw = 1 + static_cast<int>(rng() % 100), sh = 1 + static_cast<int>(rng() % 100);
        const int dw = 1 + static_cast<int>(rng() % 400), dh = 1 + static_cast<int>(rng() % 400);
        const Bitmap src = Random(sw, sh, rng());
        Bitmap got = Bitmap::CreateSized(dw, dh), want = Bitmap::CreateSized(dw, dh);
        src.ScaleNearest(got);
        RefNearest(src, want);
        ASSERT_EQ(Diff(got, want), "") << sw << "x" << sh << " -> " << dw << "x" << dh;
    }
}

TEST(ScaleNearest, IntegerEnlargementRepeatsPixels) {
    const Bitmap src = Random(3, 2, 11);
    Bitmap dst = Bitmap::CreateSized(6, 4);
    src.ScaleNearest(dst);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(At(dst, x, y), At(src, x / 2, y / 2));
}

TEST(FitSize, PartExamples) {
    EXPECT_EQ(FitSize(4000, 3000, 640, 480), (ImageSize{640, 480}));
    EXPECT_EQ(FitSize(3000, 4000, 640, 480), (ImageSize{360, 480}));
    EXPECT_EQ(FitSize(640, 200, 640, 480), (ImageSize{640, 200}));
    EXPECT_EQ(FitSize(4000, 3000, 1280, 1024), (ImageSize{1280, 960}));
}

TEST(FitSize, SmallerBothWaysIsNeverEnlarged) {
    EXPECT_EQ(FitSize(320, 240, 640, 480), (ImageSize{320, 240}));
    EXPECT_EQ(FitSize(639, 479, 640, 480), (ImageSize{639, 479}));
    EXPECT_EQ(FitSize(1, 1, 2, 2), (ImageSize{1, 1}));
}

TEST(FitSize, EqualInOneDimensionIsScaledToTheSameSize) {
    EXPECT_EQ(FitSize(640, 100, 640, 480), (ImageSize{640, 100}));
    EXPECT_EQ(FitSize(100, 480, 640, 480), (ImageSize{100, 480}));
    EXPECT_EQ(FitSize(640, 480, 640, 480), (ImageSize{640, 480}));
}

TEST(FitSize, RoundsHalfToEven) {
    EXPECT_EQ(FitSize(8, 5, 4, 100), (ImageSize{4, 2})); // 5*4/8 = 2.5 -> 2
    EXPECT_EQ(FitSize(8, 7, 4, 100), (ImageSize{4, 4})); // 7*4/8 = 3.5 -> 4
    EXPECT_EQ(FitSize(4, 3, 2, 100), (ImageSize{2, 2})); // 3*2/4 = 1.5 -> 2
    EXPECT_EQ(FitSize(5, 8, 100, 4), (ImageSize{2, 4})); // 5*4/8 = 2.5 -> 2
    EXPECT_EQ(FitSize(7, 8, 100, 4), (ImageSize{4, 4})); // 7*4/8 = 3.5 -> 4
    EXPECT_EQ(FitSize(8, 7, 4, 3), (ImageSize{3, 3}));   // h = 4 > 3: w = 8*3/7 = 3.43 -> 3
    EXPECT_EQ(FitSize(7, 8, 3, 4), (ImageSize{3, 3}));   // w = 4 > 3: h = 8*3/7 -> 3
    EXPECT_EQ(FitSize(4, 1, 2, 100), (ImageSize{2, 0})); // 1*2/4 = 0.5 -> 0 (the rule's own result)
}

TEST(FitSize, MatchesReferenceOnRandomSizes) {
    std::mt19937 rng(5);
    for (int i = 0; i < 100000; ++i) {
        const int sw = 1 + static_cast<int>(rng() % 20000),
                  sh = 1 + static_cast<int>(rng() % 20000);
        const int bw = 1 + static_cast<int>(rng() % 4000), bh = 1 + static_cast<int>(rng() % 4000);
        ASSERT_EQ(FitSize(sw, sh, bw, bh), RefFit(sw, sh, bw, bh))
            << sw << "x" << sh << " in " << bw << "x" << bh;
        const ImageSize f = FitSize(sw, sh, bw, bh);
        ASSERT_LE(f.Width, std::max(bw, sw));
    }
}
