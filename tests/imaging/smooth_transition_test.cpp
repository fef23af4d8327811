// The transitions beyond the classic wipes: every kind at the start (the outgoing picture,
// exactly), the middle (checked against what the kind means, pixel by pixel) and the end (the
// incoming picture, exactly), drawn into a separate frame and in place; their names and codes, and
// the classic kind each one stands in for.
#include "TestBitmaps.h"

#include "imaging/SmoothTransition.h"
#include "imaging/Transition.h"
#include "imaging/TransitionKinds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace smooth_transition_test {

using namespace imaging;
using namespace testbmp;

namespace {

constexpr int kW = 101, kH = 61; // odd, so that halves round
constexpr double kD = 2.0;

Bitmap Draw(const Bitmap& a, const Bitmap& b, int code, double t) {
    Bitmap out = Bitmap::CreateSized(kW, kH);
    DrawSmoothTransition(out, a, b, code, t, kD);
    return out;
}

// Every channel of out within 1 of the expected value.
void ExpectNear(const Bitmap& out, const std::function<double(int x, int y, int k)>& want,
                const std::string& what) {
    int bad = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int k = 0; k < 3; ++k)
                if (std::abs(out.Row(y)[x * 3 + k] - want(x, y, k)) > 1.0 && bad++ < 3)
                    ADD_FAILURE() << what << " at " << x << "," << y << " channel " << k << ": "
                                  << int(out.Row(y)[x * 3 + k]) << " vs " << want(x, y, k);
}

double Ch(const Bitmap& b, int x, int y, int k) {
    return b.Row(y)[x * 3 + k];
}

TEST(SmoothTransition, StartsOnTheOutgoingAndEndsOnTheIncomingPicture) {
    const Bitmap a = Random(kW, kH, 1), b = Random(kW, kH, 2);
    for (int code = kFirstSmoothTransition; code < kTransitionCodes; ++code) {
        SCOPED_TRACE(std::string(TransitionCodeName(code)));
        EXPECT_EQ(Diff(Draw(a, b, code, 0.0), a), "");
        EXPECT_EQ(Diff(Draw(a, b, code, kD), b), "");
        // In place over the outgoing picture, halfway: the same frame as drawn apart.
        Bitmap inPlace = a;
        DrawSmoothTransition(inPlace, inPlace, b, code, kD / 2, kD);
        EXPECT_EQ(Diff(inPlace, Draw(a, b, code, kD / 2)), "");
    }
}

TEST(SmoothTransition, HalfwayEachKindShowsWhatItMeans) {
    const Bitmap a = Random(kW, kH, 3), b = Random(kW, kH, 4);
    const double half = kD / 2;
    const auto mix = [&](int x, int y, int k, double wb) {
        return Ch(a, x, y, k) + (Ch(b, x, y, k) - Ch(a, x, y, k)) * wb;
    };
    ExpectNear(
        Draw(a, b, kTransitionCrossfade, half),
        [&](int x, int y, int k) { return mix(x, y, k, 0.5); }, "crossfade");
    ExpectNear(
        Draw(a, b, kTransitionCrossfade, 0.3 * kD),
        [&](int x, int y, int k) { return mix(x, y, k, 0.3); }, "crossfade 0.3");
    ExpectNear(
        Draw(a, b, kTransitionFadeBlack, half), [](int, int, int) { return 0.0; }, "fade-black");
    ExpectNear(
        Draw(a, b, kTransitionFadeWhite, half), [](int, int, int) { return 255.0; }, "fade-white");
    ExpectNear(
        Draw(a, b, kTransitionFadeBlack, kD / 4),
        [&](int x, int y, int k) { return Ch(a, x, y, k) / 2; }, "fade-black 1/4");
    ExpectNear(
        Draw(a, b, kTransitionFadeWhite, 3 * kD / 4),
        [&](int x, int y, int k) { return (Ch(b, x, y, k) + 255) / 2; }, "fade-white 3/4");

    // Pushes: content moves by half the side rounded to even, 50 columns or 30 rows.
    const int kx = 50, ky = 30;
    ExpectNear(
        Draw(a, b, kTransitionPushLeft, half),
        [&](int x, int y, int k) {
            return x < kW - kx ? Ch(a, x + kx, y, k) : Ch(b, x - (kW - kx), y, k);
        },
        "push-left");
    ExpectNear(
        Draw(a, b, kTransitionPushRight, half),
        [&](int x, int y, int k) {
            return x >= kx ? Ch(a, x - kx, y, k) : Ch(b, x + kW - kx, y, k);
        },
        "push-right");
    ExpectNear(
        Draw(a, b, kTransitionPushUp, half),
        [&](int x, int y, int k) {
            return y < kH - ky ? Ch(a, x, y + ky, k) : Ch(b, x, y - (kH - ky), k);
        },
        "push-up");
    ExpectNear(
        Draw(a, b, kTransitionPushDown, half),
        [&](int x, int y, int k) {
            return y >= ky ? Ch(a, x, y - ky, k) : Ch(b, x, y + kH - ky, k);
        },
        "push-down");

    // Soft wipes: the incoming picture's weight climbs from 0 to 1 over a band of 10 % of the
    // side centred on the middle, from the side it enters by.
    const auto soft = [&](double q, double L) {
        return std::clamp((0.5 * 1.1 * L - q) / (0.1 * L), 0.0, 1.0);
    };
    ExpectNear(
        Draw(a, b, kTransitionSoftLeft, half),
        [&](int x, int y, int k) { return mix(x, y, k, soft(kW - x - 0.5, kW)); }, "soft-left");
    ExpectNear(
        Draw(a, b, kTransitionSoftRight, half),
        [&](int x, int y, int k) { return mix(x, y, k, soft(x + 0.5, kW)); }, "soft-right");
    ExpectNear(
        Draw(a, b, kTransitionSoftUp, half),
        [&](int x, int y, int k) { return mix(x, y, k, soft(kH - y - 0.5, kH)); }, "soft-up");
    ExpectNear(
        Draw(a, b, kTransitionSoftDown, half),
        [&](int x, int y, int k) { return mix(x, y, k, soft(y + 0.5, kH)); }, "soft-down");

    // Iris: inside the circle of half the half-diagonal the incoming picture, outside it the
    // outgoing one, a pixel-wide edge between.
    const Bitmap iris = Draw(a, b, kTransitionIris, half);
    const double r = 0.5 * (std::hypot(kW, kH) / 2 + 1);
    ExpectNear(
        iris,
        [&](int x, int y, int k) {
            const double d = std::hypot(x + 0.5 - kW / 2.0, y + 0.5 - kH / 2.0);
            return mix(x, y, k, std::clamp(r - d, 0.0, 1.0));
        },
        "iris");

    // Zoom-in: the incoming picture at half size in the middle, sampled bilinearly.
    ExpectNear(
        Draw(a, b, kTransitionZoomIn, half),
        [&](int x, int y, int k) {
            const double ox = x + 0.5 - kW / 2.0, oy = y + 0.5 - kH / 2.0;
            if (std::abs(ox) >= kW / 4.0 || std::abs(oy) >= kH / 4.0)
                return Ch(a, x, y, k);
            // Sample points kept between the incoming picture's pixel centres.
            const double px = std::clamp(kW / 2.0 + 2 * ox - 0.5, 0.0, kW - 1.0);
            const double py = std::clamp(kH / 2.0 + 2 * oy - 0.5, 0.0, kH - 1.0);
            const int x0 = int(px), y0 = int(py);
            const int x1 = std::min(x0 + 1, kW - 1), y1 = std::min(y0 + 1, kH - 1);
            const double fx = px - x0, fy = py - y0;
            return (1 - fy) * ((1 - fx) * Ch(b, x0, y0, k) + fx * Ch(b, x1, y0, k)) +
                   fy * ((1 - fx) * Ch(b, x0, y1, k) + fx * Ch(b, x1, y1, k));
        },
        "zoom-in");
}

TEST(TransitionKinds, NamesCodesAndTheClassicKindsStoredForOlderReaders) {
    const char* names[] = {"crossfade",  "fade-black", "fade-white", "zoom-in", "push-left",
                           "push-right", "push-up",    "push-down",  "iris",    "soft-left",
                           "soft-right", "soft-up",    "soft-down"};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(TransitionCodeName(14 + i), names[i]);
        EXPECT_EQ(TransitionCodeFromName(names[i]), 14 + i);
        EXPECT_NE(TransitionTitleKey(14 + i), 0);
    }
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(TransitionCodeFromName(std::to_string(k)), k);
    for (const char* bad : {"", "14", "07", "-1", "+3", "Crossfade", "push", "1 "})
        EXPECT_EQ(TransitionCodeFromName(bad), std::nullopt) << '"' << bad << '"';
    EXPECT_EQ(TransitionCodeName(3), "");
    // Both language files hold every title.
    for (const char* file : {"english.lng", "russian.lng"}) {
        std::ifstream in(std::string(REELPANE_TEST_SOURCE_DIR) + "/language/" + file,
                         std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        for (int code = kFirstSmoothTransition; code < kTransitionCodes; ++code)
            EXPECT_NE(text.str().find("\n" + std::to_string(TransitionTitleKey(code)) + "="),
                      std::string::npos)
                << file << " " << code;
    }

    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(NearestClassicKind(k), k);
    for (int code : {kTransitionCrossfade, kTransitionFadeBlack, kTransitionFadeWhite})
        EXPECT_EQ(NearestClassicKind(code), 0);
    EXPECT_EQ(NearestClassicKind(99), 0);

    // A push's classic kind brings the incoming picture in from the same side: halfway, the
    // classic step draws exactly the part of the incoming picture the push shows.
    const Bitmap a = Random(kW, kH, 5), b = Random(kW, kH, 6);
    for (int code :
         {kTransitionPushLeft, kTransitionPushRight, kTransitionPushUp, kTransitionPushDown,
          kTransitionSoftLeft, kTransitionSoftRight, kTransitionSoftUp, kTransitionSoftDown}) {
        SCOPED_TRACE(std::string(TransitionCodeName(code)));
        const int classic = NearestClassicKind(code);
        ASSERT_TRUE(IsMovingTransition(classic));
        // Marks where the classic kind puts incoming pixels: a white outgoing, a black incoming.
        Bitmap white = Bitmap::CreateSized(kW, kH), black = Bitmap::CreateSized(kW, kH);
        white.Fill(255, 255, 255);
        Bitmap classicFrame = white;
        DrawTransitionStep(classicFrame, black, {classic, 2, 0}, 1000);
        const Bitmap ours = Draw(a, b, code, kD / 2);
        const bool push = code <= kTransitionPushDown;
        int drawn = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                drawn += At(classicFrame, x, y) == Px{0, 0, 0} ? 1 : 0;
        EXPECT_GT(drawn, kW * kH / 3);
        if (push) {
            // The classic slide-in and the push agree pixel for pixel where the slide-in draws.
            Bitmap classicOfB = a;
            DrawTransitionStep(classicOfB, b, {classic, 2, 0}, 1000);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (At(classicFrame, x, y) == Px{0, 0, 0}) {
                        ASSERT_EQ(At(classicOfB, x, y), At(ours, x, y)) << x << "," << y;
                    }
        } else {
            // The reveal uncovers the side where the soft wipe's incoming weight is over half.
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const double q = code == kTransitionSoftLeft    ? kW - x - 0.5
                                     : code == kTransitionSoftRight ? x + 0.5
                                     : code == kTransitionSoftUp    ? kH - y - 0.5
                                                                    : y + 0.5;
                    const double side = code <= kTransitionSoftRight ? kW : kH;
                    if (std::abs(q - side / 2) < 1)
                        continue; // the middle line itself
                    const bool drawnHere = At(classicFrame, x, y) == Px{0, 0, 0};
                    EXPECT_EQ(drawnHere, q < side / 2) << x << "," << y;
                }
        }
    }
}

} // namespace

} // namespace smooth_transition_test
