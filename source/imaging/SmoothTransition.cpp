#include "imaging/SmoothTransition.h"

#include "imaging/MotionSampler.h"
#include "imaging/PixelMix.h"
#include "imaging/TransitionKinds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// Weights run 0..kOne (exactly 0 and 1 included).
constexpr std::int32_t kOne = 65536;

std::int32_t Weight(double alpha) {
    return static_cast<std::int32_t>(std::lround(std::clamp(alpha, 0.0, 1.0) * kOne));
}

// a + (b - a) * weight / kOne, rounded (halves up).
inline std::uint8_t Mix(std::int32_t a, std::int32_t b, std::int32_t weight) {
    return static_cast<std::uint8_t>(a + (((b - a) * weight + kOne / 2) >> 16));
}

// A whole run by one weight, to 1/256: within 1 of the exact mix (the weight is off by at most
// 1/512, worth half a level, and the result is rounded once).
void MixBytes(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
              double alpha) {
    const auto w = static_cast<std::uint32_t>(std::lround(std::clamp(alpha, 0.0, 1.0) * 256));
    if (w == 0) {
        if (out != a)
            std::memmove(out, a, n);
        return;
    }
    if (w == 256) {
        std::memcpy(out, b, n);
        return;
    }
    MixBytes256(out, a, b, n, w);
}

void MixToColour(std::uint8_t* out, const std::uint8_t* a, std::size_t n, const std::uint8_t colour,
                 std::int32_t weight, bool fromColour) {
    // fromColour: colour + (a - colour) * weight; otherwise a + (colour - a) * weight.
    for (std::size_t i = 0; i < n; ++i)
        out[i] = fromColour ? Mix(colour, a[i], weight) : Mix(a[i], colour, weight);
}

void MixPixel(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b,
              std::int32_t weight) {
    out[0] = Mix(a[0], b[0], weight);
    out[1] = Mix(a[1], b[1], weight);
    out[2] = Mix(a[2], b[2], weight);
}

// The soft wipes: the incoming picture's weight at distance q (pixel centres) from the side it
// enters by, the edge band being 10 % of the side L.
double SoftWeight(double q, double L, double alpha) {
    const double band = 0.1 * L;
    const double edge = alpha * (L + band);
    return std::clamp((edge - q) / band, 0.0, 1.0);
}

// The codes that treat every byte of a row alike: n bytes of row y.
void ByteWiseRow(std::uint8_t* o, const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
                 std::int32_t y, std::int32_t H, int code, double alpha) {
    switch (code) {
    case kTransitionCrossfade:
        MixBytes(o, a, b, n, alpha);
        return;
    case kTransitionFadeBlack:
    case kTransitionFadeWhite: {
        const std::uint8_t colour = code == kTransitionFadeBlack ? 0 : 255;
        if (alpha < 0.5)
            MixToColour(o, a, n, colour, Weight(2 * alpha), false);
        else
            MixToColour(o, b, n, colour, Weight(2 * alpha - 1), true);
        return;
    }
    case kTransitionSoftUp:
    case kTransitionSoftDown: {
        const double q = code == kTransitionSoftUp ? H - (y + 0.5) : y + 0.5;
        MixBytes(o, a, b, n, SoftWeight(q, H, alpha));
        return;
    }
    default:
        return;
    }
}

void DrawRow(std::uint8_t* o, const std::uint8_t* a, const std::uint8_t* b, std::int32_t y,
             std::int32_t W, std::int32_t H, int code, double alpha) {
    const std::size_t n = static_cast<std::size_t>(W) * 3;
    if (IsByteWiseTransition(code)) {
        ByteWiseRow(o, a, b, n, y, H, code, alpha);
        return;
    }
    switch (code) {
    case kTransitionPushLeft:
    case kTransitionPushRight: {
        const auto k = static_cast<std::int32_t>(std::nearbyint(alpha * W));
        const std::size_t kb = static_cast<std::size_t>(k) * 3, rest = n - kb;
        if (code == kTransitionPushLeft) { // a's right part on the left, b's left part after it
            std::memmove(o, a + kb, rest);
            std::memcpy(o + rest, b, kb);
        } else { // b's right part on the left, a's left part after it
            std::memmove(o + kb, a, rest);
            std::memcpy(o, b + rest, kb);
        }
        return;
    }
    case kTransitionIris: {
        const double radius = alpha * (std::hypot(W, H) / 2.0 + 1.0);
        const double dy = y + 0.5 - H / 2.0;
        // The incoming picture's weight is radius - distance, clamped: a one-pixel edge.
        const double inner = radius > 1.0 ? (radius - 1.0) * (radius - 1.0) : -1.0;
        const double outer = radius * radius;
        for (std::int32_t x = 0; x < W; ++x) {
            const double dx = x + 0.5 - W / 2.0;
            const double d2 = dx * dx + dy * dy;
            const std::size_t i = static_cast<std::size_t>(x) * 3;
            if (d2 >= outer) {
                if (o != a)
                    std::memcpy(o + i, a + i, 3);
            } else if (d2 <= inner) {
                std::memcpy(o + i, b + i, 3);
            } else {
                MixPixel(o + i, a + i, b + i, Weight(radius - std::sqrt(d2)));
            }
        }
        return;
    }
    case kTransitionSoftLeft:
    case kTransitionSoftRight:
        for (std::int32_t x = 0; x < W; ++x) {
            const double q = code == kTransitionSoftLeft ? W - (x + 0.5) : x + 0.5;
            const std::size_t i = static_cast<std::size_t>(x) * 3;
            MixPixel(o + i, a + i, b + i, Weight(SoftWeight(q, W, alpha)));
        }
        return;
    default:
        return;
    }
}

bool SameSizes(const Bitmap& out, const Bitmap& a, const Bitmap& b) {
    return !out.IsEmpty() && out.Width == a.Width && out.Height == a.Height &&
           out.Width == b.Width && out.Height == b.Height && &out != &b;
}

void PushVertical(Bitmap& out, const Bitmap& a, const Bitmap& b, bool up, double alpha) {
    const std::int32_t H = out.Height;
    const auto k = static_cast<std::int32_t>(std::nearbyint(alpha * H));
    const std::size_t n = static_cast<std::size_t>(out.Width) * 3;
    // The outgoing rows move first, in the order that reads each before it is overwritten when
    // out is the outgoing picture.
    if (up) { // a's rows k.. at the top, b's first k rows below them
        for (std::int32_t y = 0; y < H - k; ++y)
            std::memmove(out.Row(y), a.Row(y + k), n);
        for (std::int32_t y = H - k; y < H; ++y)
            std::memcpy(out.Row(y), b.Row(y - (H - k)), n);
    } else { // b's last k rows at the top, a's rows from k down
        for (std::int32_t y = H - 1; y >= k; --y)
            std::memmove(out.Row(y), a.Row(y - k), n);
        for (std::int32_t y = 0; y < k; ++y)
            std::memcpy(out.Row(y), b.Row(y + H - k), n);
    }
}

void ZoomIn(Bitmap& out, const Bitmap& a, const Bitmap& b, double alpha) {
    const std::int32_t W = out.Width, H = out.Height;
    if (alpha <= 0.0) {
        if (&out != &a)
            std::memcpy(out.Bits, a.Bits, static_cast<std::size_t>(a.ByteSize));
        return;
    }
    // Pixel (x, y) shows the incoming picture when its centre lies inside the centred rectangle
    // of alpha*W x alpha*H, sampled bilinearly at centre + offset / alpha (kept between the
    // incoming picture's pixel centres); the outgoing picture elsewhere.
    const auto tap = [alpha](std::int32_t i, std::int32_t L, bool& inside) {
        const double offset = i + 0.5 - L / 2.0;
        inside = std::abs(offset) < alpha * L / 2.0;
        const double p = std::clamp(L / 2.0 + offset / alpha - 0.5, 0.0, L - 1.0);
        auto first = static_cast<std::int32_t>(p);
        auto weight = static_cast<std::int32_t>(std::lround((p - first) * 256));
        if (weight == 256 || first == L - 1) {
            first = std::min(first + (weight == 256 ? 1 : 0), L - 1);
            weight = 0;
        }
        return std::pair(first, weight);
    };
    std::vector<std::pair<std::int32_t, std::int32_t>> cols(static_cast<std::size_t>(W));
    std::int32_t left = W, right = -1;
    for (std::int32_t x = 0; x < W; ++x) {
        bool inside = false;
        cols[static_cast<std::size_t>(x)] = tap(x, W, inside);
        if (inside) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    for (std::int32_t y = 0; y < H; ++y) {
        if (&out != &a)
            std::memcpy(out.Row(y), a.Row(y), static_cast<std::size_t>(W) * 3);
        bool inside = false;
        const auto [r, wy] = tap(y, H, inside);
        if (!inside || left > right)
            continue;
        const std::uint8_t* top = b.Row(r);
        const std::uint8_t* bottom = b.Row(std::min(r + 1, H - 1));
        std::uint8_t* o = out.Row(y);
        for (std::int32_t x = left; x <= right; ++x) {
            const auto [c, wx] = cols[static_cast<std::size_t>(x)];
            const std::int32_t c1 = std::min(c + 1, W - 1);
            for (int k = 0; k < 3; ++k) {
                const std::int32_t t0 =
                    top[c * 3 + k] * 256 + (bottom[c * 3 + k] - top[c * 3 + k]) * wy;
                const std::int32_t t1 =
                    top[c1 * 3 + k] * 256 + (bottom[c1 * 3 + k] - top[c1 * 3 + k]) * wy;
                o[x * 3 + k] = static_cast<std::uint8_t>((t0 * (256 - wx) + t1 * wx + 32768) >> 16);
            }
        }
    }
}

} // namespace

double TransitionProgress(double t, double d) {
    if (!(d > 0.0))
        return 1.0;
    const double alpha = t / d;
    if (!(alpha > 0.0))
        return 0.0;
    return std::min(alpha, 1.0);
}

bool IsByteWiseTransition(int code) {
    return code == kTransitionCrossfade || code == kTransitionFadeBlack ||
           code == kTransitionFadeWhite || code == kTransitionSoftUp || code == kTransitionSoftDown;
}

void DrawByteWiseRow(std::uint8_t* out, const std::uint8_t* outgoing, const std::uint8_t* incoming,
                     std::size_t n, std::int32_t y, std::int32_t H, int code, double t, double d) {
    if (IsByteWiseTransition(code))
        ByteWiseRow(out, outgoing, incoming, n, y, H, code, TransitionProgress(t, d));
}

bool IsRowLocalTransition(int code) {
    return IsSmoothTransition(code) && code != kTransitionZoomIn && code != kTransitionPushUp &&
           code != kTransitionPushDown;
}

void DrawSmoothTransitionRows(Bitmap& out, const Bitmap& outgoing, const Bitmap& incoming, int code,
                              double t, double d, std::int32_t first, std::int32_t last) {
    if (!IsRowLocalTransition(code) || !SameSizes(out, outgoing, incoming))
        return;
    const double alpha = TransitionProgress(t, d);
    first = std::max(first, 0);
    last = std::min(last, out.Height);
    for (std::int32_t y = first; y < last; ++y)
        DrawRow(out.Row(y), outgoing.Row(y), incoming.Row(y), y, out.Width, out.Height, code,
                alpha);
}

void DrawSmoothTransition(Bitmap& out, const Bitmap& outgoing, const Bitmap& incoming, int code,
                          double t, double d) {
    if (!IsSmoothTransition(code) || !SameSizes(out, outgoing, incoming))
        return;
    const double alpha = TransitionProgress(t, d);
    switch (code) {
    case kTransitionZoomIn:
        ZoomIn(out, outgoing, incoming, alpha);
        return;
    case kTransitionPushUp:
    case kTransitionPushDown:
        PushVertical(out, outgoing, incoming, code == kTransitionPushUp, alpha);
        return;
    default:
        ForRowBands(out.Height, static_cast<std::int64_t>(out.Width) * out.Height,
                    [&](int first, int last) {
                        DrawSmoothTransitionRows(out, outgoing, incoming, code, t, d, first, last);
                    });
    }
}

} // namespace imaging
