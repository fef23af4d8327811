// Pictures as studio-range YUV 4:2:0: every sample against the conversion computed in doubles
// (random pixels, both matrices, a width that leaves a tail past the wide blocks and odd sides),
// and the exact levels of black, white and the primaries that players rely on.
#include "imaging/Yuv420.h"

#include "TestBitmaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

// Named, so that the test files compiled together with this one keep their own helpers.
namespace yuv420_test {
namespace {

struct Planes {
    int W, H, CW, CH;
    std::vector<std::uint8_t> Y, U, V;
    Planes(int w, int h)
        : W(w), H(h), CW((w + 1) / 2), CH((h + 1) / 2), Y(static_cast<std::size_t>(w * h)),
          U(static_cast<std::size_t>(CW * CH)), V(static_cast<std::size_t>(CW * CH)) {}
    imaging::Yuv420Planes View() { return {Y.data(), U.data(), V.data(), W, CW, CW}; }
};

Planes Convert(const imaging::Bitmap& picture, imaging::YuvMatrix matrix) {
    Planes p(picture.Width, picture.Height);
    imaging::BgrToYuv420(picture, p.View(), matrix);
    return p;
}

// The largest difference of any sample from the conversion in doubles.
int WorstError(const imaging::Bitmap& picture, imaging::YuvMatrix matrix) {
    const double kr = matrix == imaging::YuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = matrix == imaging::YuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double kg = 1.0 - kr - kb;
    const Planes p = Convert(picture, matrix);
    int worst = 0;
    const auto note = [&](double exact, std::uint8_t got) {
        worst = std::max(worst, std::abs(static_cast<int>(std::lround(exact)) - got));
    };
    for (int y = 0; y < p.H; ++y)
        for (int x = 0; x < p.W; ++x) {
            const testbmp::Px c = testbmp::At(picture, x, y);
            note(16.0 + 219.0 / 255.0 * (kr * c.r + kg * c.g + kb * c.b), p.Y[y * p.W + x]);
        }
    for (int y = 0; y < p.CH; ++y)
        for (int x = 0; x < p.CW; ++x) {
            double r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const testbmp::Px c = testbmp::At(picture, std::min(2 * x + dx, p.W - 1),
                                                      std::min(2 * y + dy, p.H - 1));
                    r += c.r / 4.0;
                    g += c.g / 4.0;
                    b += c.b / 4.0;
                }
            const double luma = kr * r + kg * g + kb * b;
            note(128.0 + 224.0 / 255.0 * (b - luma) / (2.0 * (1.0 - kb)), p.U[y * p.CW + x]);
            note(128.0 + 224.0 / 255.0 * (r - luma) / (2.0 * (1.0 - kr)), p.V[y * p.CW + x]);
        }
    return worst;
}

TEST(Yuv420Test, EverySampleIsWithinOneLevelOfTheExactConversion) {
    for (const auto matrix : {imaging::YuvMatrix::Bt601, imaging::YuvMatrix::Bt709}) {
        EXPECT_LE(WorstError(testbmp::Random(70, 6, 11), matrix), 1); // 2 blocks and a tail
        EXPECT_LE(WorstError(testbmp::Random(67, 5, 12), matrix), 1); // odd sides
        EXPECT_LE(WorstError(testbmp::Random(7, 3, 13), matrix), 1);  // no whole block
    }
}

TEST(Yuv420Test, BlackWhiteAndPrimariesHaveTheirStudioLevels) {
    struct Case {
        testbmp::Px Colour;
        int Y, U, V;
    };
    // BT.709 levels of 8-bit studio video.
    const Case cases[] = {
        {{0, 0, 0}, 16, 128, 128},   {{255, 255, 255}, 235, 128, 128},
        {{0, 0, 255}, 63, 102, 240}, {{0, 255, 0}, 173, 42, 26},
        {{255, 0, 0}, 32, 240, 118}, {{128, 128, 128}, 126, 128, 128},
    };
    for (const Case& c : cases) {
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(40, 2); // a block and a tail
        picture.Fill(c.Colour.b, c.Colour.g, c.Colour.r);
        const Planes p = Convert(picture, imaging::YuvMatrix::Bt709);
        for (int x : {0, 31, 32, 39}) {
            EXPECT_EQ(p.Y[x], c.Y) << int(c.Colour.r) << "," << int(c.Colour.g) << " x " << x;
            EXPECT_EQ(p.U[x / 2], c.U) << int(c.Colour.r) << "," << int(c.Colour.g);
            EXPECT_EQ(p.V[x / 2], c.V) << int(c.Colour.r) << "," << int(c.Colour.g);
        }
    }
}

} // namespace

} // namespace yuv420_test
