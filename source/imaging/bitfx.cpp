#include "imaging/bitfx.h"

#include "imaging/Colors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

// Round to nearest, ties to even (the default rounding mode). cvtsd2si honours MXCSR, which is
// round-to-nearest-even unless someone changed it, exactly like nearbyint.
inline std::int64_t RoundEven(double v) {
#if defined(__SSE2__) && defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(v));
#else
    return static_cast<std::int64_t>(std::nearbyint(v));
#endif
}

inline std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Maps every channel byte of every row through one table.
void ApplyTable(TBitmap& bmp, const std::uint8_t table[256]) {
    const std::size_t n = static_cast<std::size_t>(bmp.Width) * 3;
    for (std::int32_t y = 0; y < bmp.Height; ++y) {
        std::uint8_t* __restrict p = bmp.Row(y);
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            const std::uint8_t a = table[p[i]], b = table[p[i + 1]], c = table[p[i + 2]],
                               d = table[p[i + 3]];
            p[i] = a;
            p[i + 1] = b;
            p[i + 2] = c;
            p[i + 3] = d;
        }
        for (; i < n; ++i)
            p[i] = table[p[i]];
    }
}

// Maps the blue, green and red bytes through their own tables.
void ApplyTables(TBitmap& bmp, const std::uint8_t tb[256], const std::uint8_t tg[256],
                 const std::uint8_t tr[256]) {
    for (std::int32_t y = 0; y < bmp.Height; ++y) {
        std::uint8_t* __restrict p = bmp.Row(y);
        std::uint8_t* const end = p + static_cast<std::size_t>(bmp.Width) * 3;
        for (; p < end; p += 3) {
            const std::uint8_t b = tb[p[0]], g = tg[p[1]], r = tr[p[2]];
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

} // namespace

void BrightnessTable(int amount, std::uint8_t table[256]) {
    const double offset = static_cast<double>(amount) * 128.0 / 100.0;
    for (int v = 0; v < 256; ++v)
        table[v] = Clamp(static_cast<std::int64_t>(std::trunc(v + offset)));
}

void AdjustBrightness(TBitmap& bitmap, int amount) {
    if (amount == 0 || bitmap.IsEmpty())
        return;
    std::uint8_t table[256];
    BrightnessTable(amount, table);
    ApplyTable(bitmap, table);
}

namespace {

double ContrastFactor(int amount) {
    if (amount > 0)
        return 1.0 + amount / 10.0;
    return 1.0 - std::sqrt(static_cast<double>(-amount)) / 10.0;
}

} // namespace

void ContrastTable(int amount, int pivot, std::uint8_t table[256]) {
    const double f = ContrastFactor(amount);
    for (int v = 0; v < 256; ++v)
        table[v] = Clamp(pivot + static_cast<std::int64_t>(std::trunc((v - pivot) * f)));
}

void AdjustContrast(TBitmap& bitmap, int amount, bool fixedPivot) {
    if (amount == 0 || bitmap.IsEmpty())
        return;
    int pivot[3] = {128, 128, 128};
    if (!fixedPivot) {
        std::uint64_t sum[3] = {0, 0, 0};
        for (std::int32_t y = 0; y < bitmap.Height; ++y) {
            const std::uint8_t* p = bitmap.Row(y);
            // A row is at most 20000 pixels: 32-bit sums cannot overflow within it.
            std::uint32_t s0 = 0, s1 = 0, s2 = 0;
            for (std::int32_t x = 0; x < bitmap.Width; ++x, p += 3) {
                s0 += p[0];
                s1 += p[1];
                s2 += p[2];
            }
            sum[0] += s0;
            sum[1] += s1;
            sum[2] += s2;
        }
        const std::uint64_t count =
            static_cast<std::uint64_t>(bitmap.Width) * static_cast<std::uint64_t>(bitmap.Height);
        for (int c = 0; c < 3; ++c)
            pivot[c] = static_cast<int>(sum[c] / count);
    }
    std::uint8_t tb[256], tg[256], tr[256];
    ContrastTable(amount, pivot[0], tb);
    ContrastTable(amount, pivot[1], tg);
    ContrastTable(amount, pivot[2], tr);
    if (pivot[0] == pivot[1] && pivot[1] == pivot[2])
        ApplyTable(bitmap, tb);
    else
        ApplyTables(bitmap, tb, tg, tr);
}

void GammaTable(double gamma, std::uint8_t table[256]) {
    if (gamma == 0.0)
        gamma = 0.01;
    const double exponent = 1.0 / gamma;
    table[0] = 0;
    for (int i = 1; i < 256; ++i)
        table[i] = Clamp(RoundEven(255.0 * std::exp(exponent * std::log(i / 255.0))));
}

void AdjustGamma(TBitmap& bitmap, double gamma) {
    if (bitmap.IsEmpty())
        return;
    std::uint8_t table[256];
    GammaTable(gamma, table);
    ApplyTable(bitmap, table);
}

void ColorizeWeights(TColor color, int weights[3]) {
    const auto c = static_cast<std::uint32_t>(color);
    const std::uint32_t channel[3] = {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
    for (int k = 0; k < 3; ++k)
        weights[k] = static_cast<int>(RoundEven(channel[k] * 2.55) & 0xFF);
}

void Colorize(TBitmap& bitmap, TColor color) {
    if (bitmap.IsEmpty())
        return;
    int w[3];
    ColorizeWeights(color, w); // R, G, B
    // One table per output channel over the channel sum 0..765, interleaved as B, G, R.
    std::vector<std::uint8_t> table(766 * 3);
    for (int sum = 0; sum <= 765; ++sum) {
        const double s = sum / 300.0;
        table[static_cast<std::size_t>(sum) * 3] = Clamp(RoundEven(w[2] * s));
        table[static_cast<std::size_t>(sum) * 3 + 1] = Clamp(RoundEven(w[1] * s));
        table[static_cast<std::size_t>(sum) * 3 + 2] = Clamp(RoundEven(w[0] * s));
    }
    const std::uint8_t* t = table.data();
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        std::uint8_t* __restrict p = bitmap.Row(y);
        std::uint8_t* const end = p + static_cast<std::size_t>(bitmap.Width) * 3;
        for (; p < end; p += 3) {
            const std::uint8_t* e = t + (static_cast<unsigned>(p[0]) + p[1] + p[2]) * 3;
            p[0] = e[0];
            p[1] = e[1];
            p[2] = e[2];
        }
    }
}

void InvertColors(TBitmap& bitmap) {
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        std::uint8_t* __restrict p = bitmap.Row(y);
        const std::size_t n = static_cast<std::size_t>(bitmap.Width) * 3;
        for (std::size_t i = 0; i < n; ++i)
            p[i] = static_cast<std::uint8_t>(255 - p[i]);
    }
}

void FlipBitmap(TBitmap& bitmap, bool horizontal) {
    if (bitmap.IsEmpty())
        return;
    const std::int32_t w = bitmap.Width, h = bitmap.Height;
    if (horizontal) {
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* l = bitmap.Row(y);
            std::uint8_t* r = l + static_cast<std::size_t>(w - 1) * 3;
            for (; l < r; l += 3, r -= 3) {
                std::swap(l[0], r[0]);
                std::swap(l[1], r[1]);
                std::swap(l[2], r[2]);
            }
        }
        return;
    }
    const std::size_t n = static_cast<std::size_t>(w) * 3;
    std::vector<std::uint8_t> tmp(n);
    for (std::int32_t i = 0, j = h - 1; i < j; ++i, --j) {
        std::memcpy(tmp.data(), bitmap.Row(i), n);
        std::memcpy(bitmap.Row(i), bitmap.Row(j), n);
        std::memcpy(bitmap.Row(j), tmp.data(), n);
    }
}

namespace {

inline void SetPixel(std::uint8_t* d, const std::uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// Quarter and half turns, walked in tiles so both bitmaps stay in cache.
void QuarterTurn(const TBitmap& src, TBitmap& dst, int angle) {
    const std::int32_t W = src.Width, H = src.Height;
    constexpr std::int32_t kTile = 32;
    if (angle == 180) {
        for (std::int32_t y = 0; y < H; ++y) {
            const std::uint8_t* s = src.Row(H - 1 - y) + static_cast<std::size_t>(W - 1) * 3;
            std::uint8_t* d = dst.Row(y);
            for (std::int32_t x = 0; x < W; ++x, d += 3, s -= 3)
                SetPixel(d, s);
        }
        return;
    }
    // dst is H x W. 90: dst(x, y) = src(y, H-1-x); 270: dst(x, y) = src(W-1-y, x).
    const std::int32_t DW = H, DH = W;
    for (std::int32_t ty = 0; ty < DH; ty += kTile) {
        const std::int32_t yEnd = std::min(ty + kTile, DH);
        for (std::int32_t tx = 0; tx < DW; tx += kTile) {
            const std::int32_t xEnd = std::min(tx + kTile, DW);
            for (std::int32_t y = ty; y < yEnd; ++y) {
                std::uint8_t* d = dst.Row(y) + static_cast<std::size_t>(tx) * 3;
                if (angle == 90) {
                    const std::size_t sx = static_cast<std::size_t>(y) * 3;
                    for (std::int32_t x = tx; x < xEnd; ++x, d += 3)
                        SetPixel(d, src.Row(H - 1 - x) + sx);
                } else {
                    const std::size_t sx = static_cast<std::size_t>(W - 1 - y) * 3;
                    for (std::int32_t x = tx; x < xEnd; ++x, d += 3)
                        SetPixel(d, src.Row(x) + sx);
                }
            }
        }
    }
}

void FreeRotation(const TBitmap& src, TBitmap& bitmap, TColor background, double angle) {
    const double a = angle * (std::numbers::pi / 180.0);
    const double c = std::cos(a), s = std::sin(a);
    const std::int32_t W = src.Width, H = src.Height;
    const double cx[4] = {0, static_cast<double>(W), static_cast<double>(W), 0};
    const double cy[4] = {0, 0, static_cast<double>(H), static_cast<double>(H)};
    std::int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < 4; ++k) {
        const std::int64_t x = RoundEven(cx[k] * c - cy[k] * s);
        const std::int64_t y = RoundEven(cx[k] * s + cy[k] * c);
        if (k == 0 || x < minX)
            minX = x;
        if (k == 0 || x > maxX)
            maxX = x;
        if (k == 0 || y < minY)
            minY = y;
        if (k == 0 || y > maxY)
            maxY = y;
    }
    const std::int64_t newW = maxX - minX, newH = maxY - minY;
    if (newW < 1 || newH < 1 || newW > kMaxSide || newH > kMaxSide || newW * newH > kMaxPixels)
        return; // too large (or degenerate): the bitmap keeps its previous state
    bitmap.SetSize(static_cast<std::int32_t>(newW), static_cast<std::int32_t>(newH));
    const std::uint32_t bg = ResolveColor(background);
    bitmap.Fill(static_cast<std::uint8_t>(bg >> 16), static_cast<std::uint8_t>(bg >> 8),
                static_cast<std::uint8_t>(bg));
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        const double v = static_cast<double>(y + minY);
        const double vs = v * s, vc = v * c;
        std::uint8_t* d = bitmap.Row(y);
        for (std::int32_t x = 0; x < bitmap.Width; ++x, d += 3) {
            const double u = static_cast<double>(x + minX);
            const std::int64_t sx = RoundEven(u * c + vs);
            const std::int64_t sy = RoundEven(-u * s + vc);
            if (sx >= 0 && sx < W && sy >= 0 && sy < H)
                SetPixel(d, src.Row(static_cast<int>(sy)) + sx * 3);
        }
    }
}

} // namespace

void RotateBitmap(TBitmap& bitmap, TColor background, double angle) {
    if (bitmap.IsEmpty() || !std::isfinite(angle))
        return;
    const bool fractional = angle != std::trunc(angle);
    const double whole = std::trunc(angle);
    if (!fractional) {
        if (whole == 0 || whole == 360 || whole == 720 || whole == -360)
            return;
        if (whole == 90 || whole == 180 || whole == 270) {
            const int turn = static_cast<int>(whole);
            const TBitmap src = bitmap;
            if (turn == 180) {
                QuarterTurn(src, bitmap, 180);
            } else {
                bitmap.SetSize(src.Height, src.Width);
                QuarterTurn(src, bitmap, turn);
            }
            return;
        }
    }
    const TBitmap src = bitmap;
    FreeRotation(src, bitmap, background, angle);
}

} // namespace imaging
