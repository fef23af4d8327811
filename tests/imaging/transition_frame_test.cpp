// A transition frame between two moving slides: made band by band for the kinds that allow it,
// it must be the same frame as each slide drawn whole at its own progress and then mixed; the
// classic kinds run their steps over the moving slides; from the end on, the incoming slide alone.
#include "TestBitmaps.h"

#include "imaging/MotionRender.h"
#include "imaging/SmoothTransition.h"
#include "imaging/Transition.h"
#include "imaging/TransitionFrame.h"
#include "imaging/TransitionKinds.h"

#include <gtest/gtest.h>

#include <string>

using namespace imaging;
using namespace testbmp;

namespace {

Motion Manual(MotionState a, MotionState b) {
    Motion m;
    m.Mode = MotionMode::Manual;
    m.Start = a;
    m.End = b;
    m.Easing = MotionEasing::Ease;
    return m;
}

TEST(TransitionFrame, BothSlidesKeepMovingUnderEveryKind) {
    // Large enough for the frame to be made by two threads.
    const int W = 720, H = 404;
    const Bitmap a = Random(900, 600, 11), b = Random(300, 420, 12);
    const MovingSlide out{&a, 0x00102030, Manual({0.4, 0.5, 1.0}, {0.6, 0.4, 1.4}), 0, 0.85};
    MovingSlide in{&b, 0x00405060, Manual({0.5, 0.3, 1.2}, {0.5, 0.6, 1.0}), 1, 0.1};
    for (int code = 0; code < kTransitionCodes; ++code) {
        SCOPED_TRACE(code);
        const double t = 0.4, d = 1.0;
        Bitmap frame = Bitmap::CreateSized(W, H), scratch;
        ComposeTransitionFrame(frame, out, in, code, t, d, scratch);

        Bitmap wantA = Bitmap::CreateSized(W, H), wantB = Bitmap::CreateSized(W, H);
        ComposeMovingPhoto(wantA, a, out.BackColor, out.Motion, out.U);
        ComposeMovingPhoto(wantB, b, in.BackColor, in.Motion, in.U);
        Bitmap want = wantA;
        if (IsSmoothTransition(code))
            DrawSmoothTransition(want, wantA, wantB, code, t, d);
        else if (code == kTransitionBackground)
            want.Fill(0x10, 0x20, 0x30); // 0x00BBGGRR
        else if (IsMovingTransition(code))
            DrawTransitionStep(want, wantB, {code, 1, 0}, 400);
        EXPECT_EQ(Diff(frame, want), "");
    }
    // From the end of the transition on: the incoming slide alone, its own still when it has no
    // motion.
    in.Motion = Motion{};
    Bitmap frame = Bitmap::CreateSized(W, H), scratch, want = Bitmap::CreateSized(W, H);
    ComposeTransitionFrame(frame, out, in, kTransitionCrossfade, 1.0, 1.0, scratch);
    ComposeMovingPhoto(want, b, in.BackColor, Motion{}, 0.0);
    EXPECT_EQ(Diff(frame, want), "");
}

} // namespace
