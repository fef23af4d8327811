// Transitions: k(X) in integers against a floating-point oracle, and every kind drawn at the
// start, the middle and the end on odd-sized targets, checked pixel by pixel against where the
// incoming picture should be.
#include "TestBitmaps.h"

#include "imaging/Transition.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <optional>
#include <string>

using namespace imaging;
using namespace testbmp;

namespace {

// round(X * t / (1000 d)) with ties to even, in doubles. Exact for the sizes used here: the
// product is an exact integer and a quotient that is a true tie is representable.
std::int32_t OracleExtent(int x, std::int64_t t, int seconds) {
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    return static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(x) * static_cast<double>(t) / (1000.0 * seconds)));
}

// Where pixel (x, y) of the target comes from after one step of `kind` with extents kx, ky on
// a W x H picture: the incoming picture's pixel, or nullopt for the outgoing one. Described by
// what the kinds mean: a slide-in places the whole incoming picture shifted in from its side,
// a reveal uncovers the incoming picture in place from its side.
std::optional<std::pair<int, int>> Oracle(int kind, int W, int H, int kx, int ky, int x, int y) {
    int ox = 0, oy = 0; // where a sliding picture's top-left corner is
    switch (kind) {
    case 2:
        ox = W - kx;
        break;
    case 3:
        ox = kx - W;
        break;
    case 4:
        oy = H - ky;
        break;
    case 5:
        oy = ky - H;
        break;
    case 6:
        return x >= W - kx ? std::optional(std::pair(x, y)) : std::nullopt;
    case 7:
        return x < kx ? std::optional(std::pair(x, y)) : std::nullopt;
    case 8:
        return y >= H - ky ? std::optional(std::pair(x, y)) : std::nullopt;
    case 9:
        return y < ky ? std::optional(std::pair(x, y)) : std::nullopt;
    case 10:
        ox = W - kx, oy = H - ky;
        break;
    case 11:
        ox = W - kx, oy = ky - H;
        break;
    case 12:
        ox = kx - W, oy = ky - H;
        break;
    case 13:
        ox = kx - W, oy = H - ky;
        break;
    default:
        return std::nullopt;
    }
    const int sx = x - ox, sy = y - oy;
    if (sx < 0 || sy < 0 || sx >= W || sy >= H)
        return std::nullopt;
    return std::pair(sx, sy);
}

// Empty when every pixel of `after` is where Oracle puts it, else the first wrong pixel.
std::string CheckStep(int kind, const Bitmap& before, const Bitmap& incoming, const Bitmap& after,
                      int kx, int ky) {
    for (int y = 0; y < after.Height; ++y)
        for (int x = 0; x < after.Width; ++x) {
            const auto from = Oracle(kind, after.Width, after.Height, kx, ky, x, y);
            const Px want = from ? At(incoming, from->first, from->second) : At(before, x, y);
            if (At(after, x, y) != want)
                return "kind " + std::to_string(kind) + " pixel " + std::to_string(x) + "," +
                       std::to_string(y);
        }
    return {};
}

} // namespace

TEST(TransitionExtent, IntegersMatchRoundingToEvenOfTheExactQuotient) {
    EXPECT_EQ(TransitionExtent(225, 40, 2), 4); // 4.5 goes to the even 4
    EXPECT_EQ(TransitionExtent(275, 40, 2), 6); // 5.5 goes to the even 6
    EXPECT_EQ(TransitionExtent(640, 1500, 3), 320);
    for (int seconds : {1, 2, 3, 7})
        for (int x : {1, 2, 3, 5, 225, 528, 640, 721, 1280})
            for (std::int64_t t = 0; t <= 1000 * seconds; t += 40)
                ASSERT_EQ(TransitionExtent(x, t, seconds), OracleExtent(x, t, seconds))
                    << x << " " << t << " " << seconds;
    // Wall-clock times of the preview land anywhere, ties included.
    for (std::int64_t t = 0; t <= 3000; t += 7)
        ASSERT_EQ(TransitionExtent(529, t, 3), OracleExtent(529, t, 3)) << t;
}

TEST(TransitionExtent, OutOfRangeTimesAndDurations) {
    EXPECT_EQ(TransitionExtent(640, -500, 3), 0);
    EXPECT_EQ(TransitionExtent(640, 3001, 3), 640);
    EXPECT_EQ(TransitionExtent(640, std::int64_t{1} << 62, 99), 640);
    EXPECT_EQ(TransitionExtent(640, 0, 0), 640); // no time to run: already at the end
    EXPECT_EQ(TransitionExtent(640, 40, -2), 640);
    EXPECT_EQ(TransitionExtent(0, 1500, 3), 0);
}

TEST(TransitionStep, SlideInFromTheRightAtHalfTimeCopiesTheLeftHalf) {
    const Bitmap outgoing = Random(640, 480, 1);
    const Bitmap incoming = Random(640, 480, 2);
    Bitmap target = outgoing;
    ASSERT_EQ(DrawTransitionStep(target, incoming, {2, 3, 0}, 1500), TransitionStep::Running);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(At(target, x, y), x < 320 ? At(outgoing, x, y) : At(incoming, x - 320, y))
                << x << "," << y;
}

TEST(TransitionStep, EveryMovingKindAtStartMiddleAndEndOnAnOddTarget) {
    const int W = 241, H = 177, seconds = 3;
    const Bitmap outgoing = Random(W, H, 3);
    const Bitmap incoming = Random(W, H, 4);
    for (int kind = 2; kind < kTransitionKinds; ++kind) {
        for (std::int64_t t : {0, 40, 1480, 1500, 2960}) {
            Bitmap target = outgoing;
            ASSERT_EQ(DrawTransitionStep(target, incoming, {kind, seconds, 0}, t),
                      TransitionStep::Running)
                << kind << " at " << t;
            const std::string wrong =
                CheckStep(kind, outgoing, incoming, target, TransitionExtent(W, t, seconds),
                          TransitionExtent(H, t, seconds));
            ASSERT_EQ(wrong, "") << "at " << t;
            if (t == 0) {
                ASSERT_EQ(Diff(target, outgoing), "") << kind; // a zero-sized rectangle
            }
        }
        // At the end the step draws nothing and reports the transition over.
        Bitmap target = outgoing;
        EXPECT_EQ(DrawTransitionStep(target, incoming, {kind, seconds, 0}, 3000),
                  TransitionStep::Over);
        EXPECT_EQ(Diff(target, outgoing), "") << kind;
    }
}

TEST(TransitionStep, ExportStepsAccumulateToTheLastRunningState) {
    // Each state covers the earlier ones, so after all the 40 ms steps the target shows exactly
    // the last running state; the step at the full duration ends the transition.
    const int W = 161, H = 97, seconds = 2;
    const Bitmap outgoing = Random(W, H, 5);
    const Bitmap incoming = Random(W, H, 6);
    for (int kind = 2; kind < kTransitionKinds; ++kind) {
        Bitmap target = outgoing;
        std::int64_t lastRunning = -1;
        for (std::int64_t t = 0; t <= 1000 * seconds; t += 40) {
            if (DrawTransitionStep(target, incoming, {kind, seconds, 0}, t) ==
                TransitionStep::Running) {
                lastRunning = t;
            } else {
                ASSERT_EQ(t, 1000 * seconds) << kind; // ends only at the end for these sizes
            }
        }
        ASSERT_EQ(lastRunning, 1960) << kind;
        ASSERT_EQ(CheckStep(kind, outgoing, incoming, target, TransitionExtent(W, 1960, seconds),
                            TransitionExtent(H, 1960, seconds)),
                  "");
    }
}

TEST(TransitionStep, ZeroSecondsAndMissingIncomingEndAtOnceWithoutDrawing) {
    const Bitmap outgoing = Random(241, 177, 7);
    const Bitmap incoming = Random(241, 177, 8);
    for (int kind = 0; kind < kTransitionKinds; ++kind)
        for (std::int64_t t : {0, 40, 1000}) {
            Bitmap target = outgoing;
            EXPECT_EQ(DrawTransitionStep(target, incoming, {kind, 0, 0x0000FF}, t),
                      TransitionStep::Over);
            EXPECT_EQ(Diff(target, outgoing), "") << kind;
        }
    // The last slide's transition has no incoming picture: the moving kinds leave the frame.
    for (int kind = 2; kind < kTransitionKinds; ++kind) {
        Bitmap target = outgoing;
        EXPECT_EQ(DrawTransitionStep(target, Bitmap(), {kind, 3, 0}, 1500), TransitionStep::Over);
        EXPECT_EQ(Diff(target, outgoing), "") << kind;
    }
}

TEST(TransitionStep, BackgroundColourPaintsEveryRowUntilTheEnd) {
    const Bitmap outgoing = Random(480, 640, 9); // portrait
    Bitmap target = outgoing;
    // Kind 1 needs no incoming picture: the last slide's transition paints too.
    ASSERT_EQ(DrawTransitionStep(target, Bitmap(), {1, 2, 0x00336699}, 0), TransitionStep::Running);
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 480; x += 53)
            ASSERT_EQ(At(target, x, y), (Px{0x33, 0x66, 0x99})) << x << "," << y;
    Bitmap ended = outgoing;
    EXPECT_EQ(DrawTransitionStep(ended, Bitmap(), {1, 2, 0x00336699}, 1999),
              TransitionStep::Running);
    ended = outgoing;
    EXPECT_EQ(DrawTransitionStep(ended, Bitmap(), {1, 2, 0x00336699}, 2000), TransitionStep::Over);
    EXPECT_EQ(Diff(ended, outgoing), "");
}

TEST(TransitionStep, NoneAndUnknownKindsDrawNothingForTheirDuration) {
    const Bitmap outgoing = Random(33, 17, 10);
    for (int kind : {0, 14, -1, 99}) {
        Bitmap target = outgoing;
        EXPECT_EQ(DrawTransitionStep(target, Random(33, 17, 11), {kind, 1, 0}, 999),
                  TransitionStep::Running);
        EXPECT_EQ(DrawTransitionStep(target, Random(33, 17, 11), {kind, 1, 0}, 1000),
                  TransitionStep::Over);
        EXPECT_EQ(Diff(target, outgoing), "") << kind;
    }
}

TEST(TransitionStep, IncomingOfAnotherSizeIsClippedByBothPictures) {
    // A target resized under a running transition: the copies stay inside both buffers (run
    // under AddressSanitizer) and land where the incoming picture's own size puts them.
    const int iw = 240, ih = 176; // the incoming picture; the targets one pixel larger, smaller
    const Bitmap incoming = Random(iw, ih, 12);
    for (int kind = 2; kind < kTransitionKinds; ++kind)
        for (auto [w, h] : {std::pair(iw + 1, ih + 1), std::pair(100, 66)}) {
            const Bitmap outgoing = Random(w, h, 13);
            Bitmap target = outgoing;
            ASSERT_EQ(DrawTransitionStep(target, incoming, {kind, 3, 0}, 2960),
                      TransitionStep::Running);
            const int kx = TransitionExtent(iw, 2960, 3), ky = TransitionExtent(ih, 2960, 3);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto from = Oracle(kind, iw, ih, kx, ky, x, y);
                    const bool inside = x < iw && y < ih && from;
                    ASSERT_EQ(At(target, x, y),
                              inside ? At(incoming, from->first, from->second) : At(outgoing, x, y))
                        << kind << " " << w << "x" << h << " at " << x << "," << y;
                }
        }
}

TEST(CopyClipped, TrimsDestinationAndSourceTogether) {
    const Bitmap source = Random(10, 8, 14);
    const Bitmap before = Random(12, 9, 15);
    for (const TransitionCopy& c :
         {TransitionCopy{-3, -2, 8, 6, 0, 0}, TransitionCopy{5, 4, 20, 20, -4, -1},
          TransitionCopy{0, 0, 12, 9, 6, 5}, TransitionCopy{11, 8, 5, 5, 9, 7},
          TransitionCopy{-2147483647, 0, 2147483647, 9, 0, 0}, TransitionCopy{2, 2, -4, 3, 0, 0}}) {
        Bitmap target = before;
        CopyClipped(target, source, c);
        for (int y = 0; y < target.Height; ++y)
            for (int x = 0; x < target.Width; ++x) {
                const std::int64_t sx = std::int64_t{x} - c.X + c.SourceX;
                const std::int64_t sy = std::int64_t{y} - c.Y + c.SourceY;
                const bool copied = x >= c.X && y >= c.Y && x < std::int64_t{c.X} + c.Width &&
                                    y < std::int64_t{c.Y} + c.Height && sx >= 0 && sy >= 0 &&
                                    sx < source.Width && sy < source.Height;
                ASSERT_EQ(At(target, x, y),
                          copied ? At(source, static_cast<int>(sx), static_cast<int>(sy))
                                 : At(before, x, y))
                    << c.X << "," << c.Y << " pixel " << x << "," << y;
            }
    }
}
