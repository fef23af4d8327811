// Automatic motion: on every frame of a slide's time the picture covers the whole frame (a
// one-colour picture on a background of another colour leaves no pixel of a third), zooms
// alternate in and out between 1.0x and 1.25x of cover, and portraits and panoramas pan along
// their long side.
#include "TestBitmaps.h"

#include "imaging/AutoMotion.h"
#include "imaging/MotionRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

using namespace imaging;
using namespace testbmp;

namespace {

struct Sizes {
    int w, h; // the picture
    const char* what;
};

// 16:9 frames; a 4:3 and a 9:16 photo larger than the frame, a panorama, and a photo smaller than
// the frame (drawn enlarged, where the samples nearest the edges matter most).
constexpr Sizes kPictures[] = {
    {400, 300, "4:3"}, {225, 400, "9:16"}, {900, 200, "panorama"}, {36, 64, "small 9:16"}};
constexpr int kW = 320, kH = 180;

TEST(AutoMotion, NoFrameShowsTheBackground) {
    const Px colour{30, 160, 220};
    for (const Sizes s : kPictures) {
        Bitmap pic = Bitmap::CreateSized(s.w, s.h);
        pic.Fill(colour.b, colour.g, colour.r);
        Motion m;
        m.Mode = MotionMode::Auto;
        for (int slide = 0; slide < 4; ++slide)
            for (int f = 0; f <= 50; f += 5) { // both ends (the zoom's extremes) and between
                Bitmap frame = Bitmap::CreateSized(kW, kH);
                ComposeMovingPhoto(frame, pic, 0x00FF00FF, m, f / 50.0, slide);
                int off = 0;
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x)
                        off += At(frame, x, y) == colour ? 0 : 1;
                ASSERT_EQ(off, 0) << s.what << " slide " << slide << " frame " << f;
            }
    }
}

// A manual motion counted in the cover's zoom ("1c") fills frames of every shape: the same
// stored states never show the background, in a wide frame or an upright one, and 1.25c is a
// quarter closer than the cover.
TEST(AutoMotion, CoverCountedZoomsFillFramesOfEveryShape) {
    const Px colour{30, 160, 220};
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Start = {0.5, 0.5, 1.0, true};
    m.End = {0.45, 0.55, 1.25, true};
    for (const Sizes s : kPictures)
        for (const auto& [fw, fh] : {std::pair{kW, kH}, std::pair{kH, kW}, std::pair{200, 200}}) {
            Bitmap pic = Bitmap::CreateSized(s.w, s.h);
            pic.Fill(colour.b, colour.g, colour.r);
            for (int f = 0; f <= 10; f += 5) {
                Bitmap frame = Bitmap::CreateSized(fw, fh);
                ComposeMovingPhoto(frame, pic, 0x00FF00FF, m, f / 10.0);
                int off = 0;
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x)
                        off += At(frame, x, y) == colour ? 0 : 1;
                ASSERT_EQ(off, 0) << s.what << " in " << fw << "x" << fh << " at " << f;
            }
            const Motion fitted = ResolveMotion(m, 0, fw, fh, s.w, s.h);
            EXPECT_FALSE(fitted.Start.Cover || fitted.End.Cover);
            EXPECT_DOUBLE_EQ(fitted.Start.Z, CoverZoom(fw, fh, s.w, s.h));
            // ...up to the largest zoom a state may hold.
            EXPECT_NEAR(fitted.End.Z, std::min(1.25 * CoverZoom(fw, fh, s.w, s.h), kMaxMotionZoom),
                        1e-9);
        }
}

TEST(AutoMotion, AlternatesZoomAndPansAlongTheLongSide) {
    for (const Sizes s : kPictures) {
        SCOPED_TRACE(s.what);
        const double s0 = std::min(double(kW) / s.w, double(kH) / s.h);
        const double cover = std::max(double(kW) / s.w, double(kH) / s.h) / s0;
        const double zc = CoverZoom(kW, kH, s.w, s.h);
        EXPECT_GE(zc, cover);
        EXPECT_LE(zc, cover * 1.05); // raised only by the edge samples of small pictures
        for (int slide = 0; slide < 4; ++slide) {
            const Motion m = AutomaticMotion(slide, kW, kH, s.w, s.h);
            EXPECT_EQ(m.Mode, MotionMode::Manual);
            const bool zoomIn = slide % 2 == 0;
            EXPECT_DOUBLE_EQ(zoomIn ? m.Start.Z : m.End.Z, zc);
            EXPECT_DOUBLE_EQ(zoomIn ? m.End.Z : m.Start.Z, zc * 1.25);
            const bool portrait = s.h > s.w, panorama = s.w >= 2 * s.h;
            // The long side pans over a good part of its slack; the other stays centred.
            const double panX = std::abs(m.End.Cx - m.Start.Cx);
            const double panY = std::abs(m.End.Cy - m.Start.Cy);
            EXPECT_EQ(panX > 0.02, panorama) << "slide " << slide;
            EXPECT_EQ(panY > 0.02, portrait) << "slide " << slide;
            EXPECT_DOUBLE_EQ(portrait ? m.Start.Cx : m.Start.Cy, 0.5);
            // Deterministic: the same slide and sizes give the same motion.
            EXPECT_EQ(m, AutomaticMotion(slide, kW, kH, s.w, s.h));
        }
        // Slides two apart pan opposite ways.
        const Motion a = AutomaticMotion(0, kW, kH, s.w, s.h);
        const Motion b = AutomaticMotion(2, kW, kH, s.w, s.h);
        const double panA = (a.End.Cx - a.Start.Cx) + (a.End.Cy - a.Start.Cy);
        const double panB = (b.End.Cx - b.Start.Cx) + (b.End.Cy - b.Start.Cy);
        if (s.h > s.w || s.w >= 2 * s.h) {
            EXPECT_LT(panA * panB, 0.0);
        }
    }
    // Auto is resolved; the other modes pass through.
    Motion still;
    EXPECT_EQ(ResolveMotion(still, 3, kW, kH, 400, 300), still);
    Motion autoMotion;
    autoMotion.Mode = MotionMode::Auto;
    EXPECT_EQ(ResolveMotion(autoMotion, 3, kW, kH, 400, 300), AutomaticMotion(3, kW, kH, 400, 300));
}

} // namespace
