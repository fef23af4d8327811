// A picture drawn smaller than itself is filtered to the frame's scale: a zone plate zooming
// slowly (1.0 to 1.1 of the cover, a 4032 x 3024 photo at 1080p, here at a quarter of both) does
// not shimmer in its finest region more than the same views scaled by a Lanczos filter, a detailed
// picture whose detail the frame can hold keeps the Lanczos view's gradient energy, and the
// frames drawn straight into planes are the same bytes as the 24-bit ones.
#include "TestBitmaps.h"

#include "imaging/AutoMotion.h"
#include "imaging/MotionRender.h"
#include "imaging/MotionSampler.h"
#include "imaging/PicturePyramid.h"
#include "imaging/PyramidSampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace imaging;

namespace filtered_sampling_test {

constexpr int kW = 480, kH = 270;    // 1920 x 1080 / 4
constexpr int kPw = 1008, kPh = 756; // 4032 x 3024 / 4

// Grey cos(pi r^2 / (2 R)), R the half diagonal: its frequency grows from the centre to half a
// cycle a pixel (the finest a picture holds) in the corners.
Bitmap ZonePlate() {
    Bitmap b = Bitmap::CreateSized(kPw, kPh);
    const double R = std::hypot(kPw / 2.0, kPh / 2.0);
    for (int y = 0; y < kPh; ++y)
        for (int x = 0; x < kPw; ++x) {
            const double dx = x + 0.5 - kPw / 2.0, dy = y + 0.5 - kPh / 2.0;
            const auto v = static_cast<std::uint8_t>(std::lround(
                127.5 + 127.0 * std::cos(std::numbers::pi * (dx * dx + dy * dy) / (2 * R))));
            std::uint8_t* p = b.Row(y) + 3 * x;
            p[0] = p[1] = p[2] = v;
        }
    return b;
}

// Noise blurred to detail of about four picture pixels, on soft bands: at the frames' scale of
// about a half, detail of two frame pixels, which the frame holds.
Bitmap DetailedPicture() {
    std::mt19937 random(11);
    std::vector<double> noise(static_cast<std::size_t>(kPw) * kPh);
    for (double& v : noise)
        v = std::uniform_real_distribution<double>(-1.0, 1.0)(random);
    // A box of 4 twice each way (a smooth low-pass).
    const auto blur = [&](std::vector<double>& a) {
        std::vector<double> t(a.size());
        for (int pass = 0; pass < 2; ++pass) {
            for (int y = 0; y < kPh; ++y)
                for (int x = 0; x < kPw; ++x) {
                    double s = 0;
                    for (int k = -2; k < 2; ++k)
                        s += a[static_cast<std::size_t>(y) * kPw + std::clamp(x + k, 0, kPw - 1)];
                    t[static_cast<std::size_t>(y) * kPw + x] = s / 4;
                }
            for (int y = 0; y < kPh; ++y)
                for (int x = 0; x < kPw; ++x) {
                    double s = 0;
                    for (int k = -2; k < 2; ++k)
                        s += t[static_cast<std::size_t>(std::clamp(y + k, 0, kPh - 1)) * kPw + x];
                    a[static_cast<std::size_t>(y) * kPw + x] = s / 4;
                }
        }
    };
    blur(noise);
    Bitmap b = Bitmap::CreateSized(kPw, kPh);
    for (int y = 0; y < kPh; ++y)
        for (int x = 0; x < kPw; ++x) {
            const double band = 30.0 * std::sin(x / 60.0) + 20.0 * std::cos(y / 45.0);
            const double v = 128 + band + 260.0 * noise[static_cast<std::size_t>(y) * kPw + x];
            std::uint8_t* p = b.Row(y) + 3 * x;
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    return b;
}

double Lanczos3(double x) {
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= 3.0)
        return 0.0;
    const double px = std::numbers::pi * x;
    return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// One output pixel's taps: Lanczos 3 widened by 1 / s when the picture
// shrinks, centred on the rule's position of the pixel (MotionSampler.h), edges repeated.
struct Taps {
    int First = 0;
    std::vector<double> Weights;
};
Taps TapsAt(double position, double s) {
    const double stretch = std::max(1.0, 1.0 / s);
    const double reach = 3.0 * stretch;
    Taps t;
    t.First = static_cast<int>(std::floor(position - 0.5 - reach));
    const int last = static_cast<int>(std::ceil(position - 0.5 + reach));
    double sum = 0;
    for (int i = t.First; i <= last; ++i) {
        const double w = Lanczos3((i + 0.5 - position) / stretch);
        t.Weights.push_back(w);
        sum += w;
    }
    for (double& w : t.Weights)
        w /= sum;
    return t;
}

// The green of the frame as a Lanczos scaler draws it under state (in the fit's terms).
std::vector<double> LanczosView(const Bitmap& pic, const MotionState& state) {
    const double s = std::min(double(kW) / pic.Width, double(kH) / pic.Height) * state.Z;
    const auto at = [&](int x, int y) {
        return double(
            pic.Row(std::clamp(y, 0, pic.Height - 1))[3 * std::clamp(x, 0, pic.Width - 1) + 1]);
    };
    std::vector<Taps> columns, rows;
    for (int x = 0; x < kW; ++x)
        columns.push_back(
            TapsAt(MotionSampler::PictureX(x, kW, kH, pic.Width, pic.Height, state), s));
    for (int y = 0; y < kH; ++y)
        rows.push_back(TapsAt(MotionSampler::PictureY(y, kW, kH, pic.Width, pic.Height, state), s));
    // The rows the frame reads, filtered across first.
    const int top = rows.front().First,
              bottom = rows.back().First + int(rows.back().Weights.size());
    std::vector<double> across(static_cast<std::size_t>(bottom - top) * kW);
    for (int r = top; r < bottom; ++r)
        for (int x = 0; x < kW; ++x) {
            double v = 0;
            for (std::size_t k = 0; k < columns[x].Weights.size(); ++k)
                v += columns[x].Weights[k] * at(columns[x].First + int(k), r);
            across[static_cast<std::size_t>(r - top) * kW + x] = v;
        }
    std::vector<double> out(static_cast<std::size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            double v = 0;
            for (std::size_t k = 0; k < rows[y].Weights.size(); ++k)
                v += rows[y].Weights[k] *
                     across[static_cast<std::size_t>(rows[y].First + int(k) - top) * kW + x];
            out[static_cast<std::size_t>(y) * kW + x] = std::clamp(std::round(v), 0.0, 255.0);
        }
    return out;
}

std::vector<double> Green(const Bitmap& frame) {
    std::vector<double> g;
    for (int y = 0; y < frame.Height; ++y)
        for (int x = 0; x < frame.Width; ++x)
            g.push_back(frame.Row(y)[3 * x + 1]);
    return g;
}

// The mean absolute change between two views over the frame's top-left eighth each way, where
// the zone plate is finest.
double CornerChange(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    int n = 0;
    for (int y = 0; y < kH / 8; ++y)
        for (int x = 0; x < kW / 8; ++x, ++n)
            sum += std::abs(a[static_cast<std::size_t>(y) * kW + x] -
                            b[static_cast<std::size_t>(y) * kW + x]);
    return sum / n;
}

// The mean absolute difference between neighbours across and down, inside the frame's border.
double GradientEnergy(const std::vector<double>& v) {
    double sum = 0;
    int n = 0;
    for (int y = 4; y + 5 < kH; ++y)
        for (int x = 4; x + 5 < kW; ++x, ++n) {
            const std::size_t i = static_cast<std::size_t>(y) * kW + x;
            sum += std::abs(v[i] - v[i + 1]) + std::abs(v[i] - v[i + kW]);
        }
    return sum / n;
}

// The state of a zoom from 1.0 to 1.1 of the cover at progress u, in the fit's terms.
MotionState ZoomAt(const Bitmap& pic, double u) {
    const double cover = CoverZoom(kW, kH, pic.Width, pic.Height);
    return MotionState{0.5, 0.5, cover * (1.0 + 0.1 * u), false};
}

Bitmap Drawn(const Bitmap& pic, PicturePyramid* levels, const MotionState& state) {
    Bitmap frame = Bitmap::CreateSized(kW, kH);
    RenderMotionFrame(frame, pic, 0, state, levels);
    return frame;
}

TEST(FilteredSampling, AZonePlateZoomingSlowlyShimmersNoMoreThanItsLanczosViews) {
    const Bitmap plate = ZonePlate();
    PicturePyramid levels;
    // Twelve frames of a 4-second zoom at 25 frames a second, around its middle and its ends.
    for (const double from : {0.0, 0.45, 0.88}) {
        double ours = 0, lanczos = 0, unfiltered = 0;
        std::vector<double> lastOurs, lastLanczos, lastPlain;
        for (int f = 0; f < 12; ++f) {
            const MotionState state = ZoomAt(plate, from + f / 100.0);
            std::vector<double> o = Green(Drawn(plate, &levels, state));
            std::vector<double> l = LanczosView(plate, state);
            std::vector<double> p = Green(Drawn(plate, nullptr, state));
            if (f > 0) {
                ours += CornerChange(lastOurs, o);
                lanczos += CornerChange(lastLanczos, l);
                unfiltered += CornerChange(lastPlain, p);
            }
            lastOurs = std::move(o);
            lastLanczos = std::move(l);
            lastPlain = std::move(p);
        }
        EXPECT_LE(ours, 1.5 * lanczos) << "from " << from << ": " << ours / 11 << " vs Lanczos "
                                       << lanczos / 11 << " (unfiltered " << unfiltered / 11 << ")";
        // The fault the filter is for shows on the unfiltered sampling.
        EXPECT_GT(unfiltered, 3 * lanczos) << "from " << from;
    }
}

TEST(FilteredSampling, DetailTheFrameCanHoldKeepsTheLanczosViewsGradientEnergy) {
    const Bitmap pic = DetailedPicture();
    PicturePyramid levels;
    for (const double u : {0.3, 0.5, 0.7}) {
        const MotionState state = ZoomAt(pic, u);
        const double ours = GradientEnergy(Green(Drawn(pic, &levels, state)));
        const double lanczos = GradientEnergy(LanczosView(pic, state));
        EXPECT_GE(ours, 0.9 * lanczos) << "u " << u << ": " << ours << " vs " << lanczos;
        EXPECT_LE(ours, 1.1 * lanczos) << "u " << u << ": " << ours << " vs " << lanczos;
    }
}

TEST(FilteredSampling, PlanarRowsAreTheBytesOfTheRowsAtEveryMixOfLevels) {
    const Bitmap pic = testbmp::Random(kPw, kPh, 5);
    PicturePyramid levels;
    // Fits from above the picture's size to an eighth of it, so one level, two and the smallest.
    for (const double z : {2.5, 1.0, 0.6, 0.3}) {
        const int W = static_cast<int>(kW * z) / 2 * 2, H = static_cast<int>(kH * z) / 2 * 2;
        const PyramidSampler sampler(pic, &levels, 10, 20, 30, W, H, {0.4, 0.55, 1.3, false});
        PyramidSampler::Scratch scratch;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(W) * 3), planes(3 * W);
        for (int y = 0; y < H; y += 7) {
            sampler.RenderRow(y, row.data(), scratch);
            sampler.RenderPlanarRow(y, {planes.data(), planes.data() + W, planes.data() + 2 * W},
                                    scratch);
            for (int x = 0; x < W; ++x)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(row[3 * x + k], planes[k * W + x]) << z << " " << x << "," << y;
        }
    }
}

} // namespace filtered_sampling_test
