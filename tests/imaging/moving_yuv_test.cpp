// Moving frames made straight as YUV 4:2:0 for the encoder: the very samples of the 24-bit frame
// converted, for pictures sampled up (the wide columns' pass) and down (the plain one), with the
// background in view, for every byte-wise transition halfway, and at its end; the frames that
// cannot be made so are refused and leave the planes alone.
#include "imaging/TransitionFrame.h"

#include "imaging/SmoothTransition.h"
#include "imaging/TransitionKinds.h"

#include "TestBitmaps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using imaging::Bitmap;

struct Planes {
    int W, H;
    std::vector<std::uint8_t> Bytes;
    Planes(int w, int h)
        : W(w), H(h),
          Bytes(static_cast<std::size_t>(w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2)), 0x5A) {}
    imaging::Yuv420Planes View() {
        const int cw = (W + 1) / 2, ch = (H + 1) / 2;
        return {Bytes.data(), Bytes.data() + W * H, Bytes.data() + W * H + cw * ch, W, cw, cw};
    }
};

Planes Converted(const Bitmap& frame) {
    Planes p(frame.Width, frame.Height);
    imaging::BgrToYuv420(frame, p.View(), imaging::YuvMatrix::Bt709);
    return p;
}

imaging::MovingSlide Slide(const Bitmap& picture, imaging::MotionState from,
                           imaging::MotionState to, double u, int index) {
    imaging::Motion m;
    m.Mode = imaging::MotionMode::Manual;
    m.Start = from;
    m.End = to;
    m.Easing = imaging::MotionEasing::Ease;
    return {&picture, 0x00305070, m, index, u};
}

TEST(MovingYuv, ASlideHasTheSamplesOfItsConvertedFrame) {
    const int W = 198, H = 110; // blocks of 16 columns and a tail; odd chroma rows
    const Bitmap large = testbmp::Random(611, 401, 5); // sampled down
    const Bitmap small = testbmp::Random(90, 77, 6);   // sampled up, the background around it
    for (const Bitmap* picture : {&large, &small})
        for (const double u : {0.0, 0.37, 1.0}) {
            const auto slide = Slide(*picture, {0.4, 0.55, 1.0}, {0.62, 0.4, 1.9}, u, 2);
            Bitmap frame = Bitmap::CreateSized(W, H);
            imaging::ComposeSlideFrame(frame, slide);
            Planes direct(W, H);
            ASSERT_TRUE(imaging::ComposeSlideFrameYuv(direct.View(), W, H, slide,
                                                      imaging::YuvMatrix::Bt709));
            EXPECT_EQ(direct.Bytes, Converted(frame).Bytes) << picture->Width << " wide, u = " << u;
        }
}

TEST(MovingYuv, ByteWiseTransitionsHaveTheSamplesOfTheirConvertedFrames) {
    const int W = 160, H = 90;
    const Bitmap a = testbmp::Random(240, 180, 7);
    const Bitmap b = testbmp::Random(120, 160, 8);
    const auto out = Slide(a, {0.5, 0.5, 1.4}, {0.45, 0.52, 1.75}, 0.8, 0);
    const auto in = Slide(b, {0.5, 0.3, 1.2}, {0.5, 0.7, 1.5}, 0.1, 1);
    Bitmap scratch;
    for (const int code : {imaging::kTransitionCrossfade, imaging::kTransitionFadeBlack,
                           imaging::kTransitionFadeWhite, imaging::kTransitionSoftUp,
                           imaging::kTransitionSoftDown}) {
        for (const double t : {0.3, 0.5, 1.0}) {
            Bitmap frame = Bitmap::CreateSized(W, H);
            imaging::ComposeTransitionFrame(frame, out, in, code, t, 1.0, scratch);
            Planes direct(W, H);
            ASSERT_TRUE(imaging::ComposeTransitionFrameYuv(direct.View(), W, H, out, in, code, t,
                                                           1.0, imaging::YuvMatrix::Bt709));
            EXPECT_EQ(direct.Bytes, Converted(frame).Bytes) << "code " << code << " t " << t;
        }
    }
    // Kinds that move pixels by their column, and a slide that does not move, are drawn as
    // 24-bit frames: nothing is written here.
    imaging::MovingSlide still = in;
    still.Motion = imaging::Motion{};
    Planes untouched(W, H);
    EXPECT_FALSE(imaging::ComposeTransitionFrameYuv(untouched.View(), W, H, out, in,
                                                    imaging::kTransitionIris, 0.5, 1.0,
                                                    imaging::YuvMatrix::Bt709));
    EXPECT_FALSE(imaging::ComposeTransitionFrameYuv(untouched.View(), W, H, out, still,
                                                    imaging::kTransitionCrossfade, 0.5, 1.0,
                                                    imaging::YuvMatrix::Bt709));
    EXPECT_EQ(untouched.Bytes, Planes(W, H).Bytes);
}

} // namespace
