#include "imaging/BitmapFilters.h"

#include "base/Endian.h"
#include "imaging/Colors.h"
#include "imaging/LutVbmi.h"

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

// Maps every channel byte of every row through one table. Large bitmaps go through a table of
// byte pairs (64 Ki entries of two bytes, built once per call), reading and writing eight bytes
// at a time: half the look-ups of a byte table.
void ApplyTable(Bitmap& bmp, const std::uint8_t table[256]) {
    const std::size_t n = static_cast<std::size_t>(bmp.Width) * 3;
    if (HaveVbmi()) {
        const std::uint8_t* const tables[3] = {table, table, table};
        for (std::int32_t y = 0; y < bmp.Height; ++y)
            ApplyChannelTablesVbmi(bmp.Row(y), n, tables);
        return;
    }
    const bool pairs = static_cast<std::int64_t>(bmp.Width) * bmp.Height >= 65536 && n >= 8;
    std::vector<std::uint16_t> pairTable;
    if (pairs) {
        pairTable.resize(65536);
        for (unsigned hi = 0; hi < 256; ++hi)
            for (unsigned lo = 0; lo < 256; ++lo)
                pairTable[(hi << 8) | lo] =
                    static_cast<std::uint16_t>(table[lo] | (table[hi] << 8));
    }
    const std::uint16_t* pt = pairTable.data();
    for (std::int32_t y = 0; y < bmp.Height; ++y) {
        std::uint8_t* __restrict p = bmp.Row(y);
        std::size_t i = 0;
        if (pairs) {
            for (; i + 8 <= n; i += 8) {
                std::uint64_t v;
                std::memcpy(&v, p + i, 8);
                const std::uint64_t r = static_cast<std::uint64_t>(pt[v & 0xFFFF]) |
                                        static_cast<std::uint64_t>(pt[(v >> 16) & 0xFFFF]) << 16 |
                                        static_cast<std::uint64_t>(pt[(v >> 32) & 0xFFFF]) << 32 |
                                        static_cast<std::uint64_t>(pt[v >> 48]) << 48;
                std::memcpy(p + i, &r, 8);
            }
        }
        for (; i < n; ++i)
            p[i] = table[p[i]];
    }
}

// Maps the blue, green and red bytes through their own tables (three 256-byte tables in L1).
void ApplyTables(Bitmap& bmp, const std::uint8_t tb[256], const std::uint8_t tg[256],
                 const std::uint8_t tr[256]) {
    // Four pixels (twelve bytes) are read and written as three 32-bit words, so the loop does
    // three loads and three stores per four pixels besides its twelve table look-ups.
    const std::uint8_t* const t[3] = {tb, tg, tr};
    if (HaveVbmi()) {
        const std::size_t n = static_cast<std::size_t>(bmp.Width) * 3;
        for (std::int32_t y = 0; y < bmp.Height; ++y)
            ApplyChannelTablesVbmi(bmp.Row(y), n, t);
        return;
    }
    auto word = [&t](std::uint32_t v, int first) {
        std::uint32_t out = 0;
        for (int k = 0; k < 4; ++k)
            out |= static_cast<std::uint32_t>(t[(first + k) % 3][(v >> (8 * k)) & 0xFF]) << (8 * k);
        return out;
    };
    for (std::int32_t y = 0; y < bmp.Height; ++y) {
        std::uint8_t* p = bmp.Row(y);
        const std::size_t n = static_cast<std::size_t>(bmp.Width) * 3;
        std::size_t i = 0;
        for (; i + 12 <= n; i += 12) {
            const std::uint32_t w0 = base::LoadLE<std::uint32_t>(p + i);
            const std::uint32_t w1 = base::LoadLE<std::uint32_t>(p + i + 4);
            const std::uint32_t w2 = base::LoadLE<std::uint32_t>(p + i + 8);
            base::StoreLE<std::uint32_t>(p + i, word(w0, 0));
            base::StoreLE<std::uint32_t>(p + i + 4, word(w1, 1));
            base::StoreLE<std::uint32_t>(p + i + 8, word(w2, 2));
        }
        for (; i < n; i += 3) {
            p[i] = tb[p[i]];
            p[i + 1] = tg[p[i + 1]];
            p[i + 2] = tr[p[i + 2]];
        }
    }
}

// Sums of the blue, green and red bytes over the whole bitmap.
void ChannelSums(const Bitmap& bmp, std::uint64_t sum[3]) {
    const std::size_t n = static_cast<std::size_t>(bmp.Width) * 3;
#if defined(__SSE2__)
    // 48 bytes (16 pixels) are three vectors; byte b of the block belongs to channel b mod 3.
    // Masking one channel's bytes and summing with psadbw gives that channel's partial sums.
    alignas(16) std::uint8_t maskBytes[3][3][16];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 16; ++i)
                maskBytes[k][c][i] = (16 * k + i) % 3 == c ? 0xFF : 0;
    __m128i mask[3][3];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            mask[k][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(maskBytes[k][c]));
    const __m128i zero = _mm_setzero_si128();
    __m128i acc[3] = {zero, zero, zero};
#endif
    for (std::int32_t y = 0; y < bmp.Height; ++y) {
        const std::uint8_t* p = bmp.Row(y);
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 48 <= n; i += 48) {
            for (int k = 0; k < 3; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k));
                for (int c = 0; c < 3; ++c)
                    acc[c] =
                        _mm_add_epi64(acc[c], _mm_sad_epu8(_mm_and_si128(v, mask[k][c]), zero));
            }
        }
#endif
        for (; i < n; i += 3) {
            sum[0] += p[i];
            sum[1] += p[i + 1];
            sum[2] += p[i + 2];
        }
    }
#if defined(__SSE2__)
    for (int c = 0; c < 3; ++c) {
        alignas(16) std::uint64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc[c]);
        sum[c] += lanes[0] + lanes[1];
    }
#endif
}

} // namespace

void BrightnessTable(int amount, std::uint8_t table[256]) {
    const double offset = static_cast<double>(amount) * 128.0 / 100.0;
    for (int v = 0; v < 256; ++v)
        table[v] = Clamp(static_cast<std::int64_t>(std::trunc(v + offset)));
}

void AdjustBrightness(Bitmap& bitmap, int amount) {
    if (amount == 0 || bitmap.IsEmpty())
        return;
#if defined(__SSE2__)
    // clamp(trunc(v + offset)) = clamp(v + floor(offset)): for v + offset >= 0 truncation is
    // the floor, and anything below 0 clamps to 0 either way. So the filter is a saturating
    // add (or subtract) of one whole number, done sixteen bytes at a time.
    const int whole = static_cast<int>(std::floor(static_cast<double>(amount) * 128.0 / 100.0));
    const bool up = whole >= 0;
    const int mag = std::min(std::abs(whole), 255);
    const __m128i k = _mm_set1_epi8(static_cast<char>(mag));
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        std::uint8_t* p = bitmap.Row(y);
        const std::size_t n = static_cast<std::size_t>(bitmap.Width) * 3;
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                             up ? _mm_adds_epu8(v, k) : _mm_subs_epu8(v, k));
        }
        for (; i < n; ++i)
            p[i] = Clamp(up ? p[i] + mag : p[i] - mag);
    }
#else
    std::uint8_t table[256];
    BrightnessTable(amount, table);
    ApplyTable(bitmap, table);
#endif
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

void AdjustContrast(Bitmap& bitmap, int amount, bool fixedPivot) {
    if (amount == 0 || bitmap.IsEmpty())
        return;
    int pivot[3] = {128, 128, 128};
    if (!fixedPivot) {
        std::uint64_t sum[3] = {0, 0, 0};
        ChannelSums(bitmap, sum);
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

void AdjustGamma(Bitmap& bitmap, double gamma) {
    if (bitmap.IsEmpty())
        return;
    std::uint8_t table[256];
    GammaTable(gamma, table);
    ApplyTable(bitmap, table);
}

void ColorizeWeights(ColorValue color, int weights[3]) {
    const auto c = static_cast<std::uint32_t>(color);
    const std::uint32_t channel[3] = {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF};
    for (int k = 0; k < 3; ++k)
        weights[k] = static_cast<int>(RoundEven(channel[k] * 2.55) & 0xFF);
}

void Colorize(Bitmap& bitmap, ColorValue color) {
    if (bitmap.IsEmpty())
        return;
    int w[3];
    ColorizeWeights(color, w); // R, G, B
    // One entry per channel sum 0..765: the new blue, green and red bytes packed little-endian
    // into 32 bits, so a pixel is written with one 4-byte store whose fourth byte the next
    // pixel overwrites (the last pixel of a row is written byte by byte).
    std::uint32_t table[766];
    for (int sum = 0; sum <= 765; ++sum) {
        const double s = sum / 300.0;
        table[sum] = static_cast<std::uint32_t>(Clamp(RoundEven(w[2] * s))) |
                     static_cast<std::uint32_t>(Clamp(RoundEven(w[1] * s))) << 8 |
                     static_cast<std::uint32_t>(Clamp(RoundEven(w[0] * s))) << 16;
    }
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        std::uint8_t* __restrict p = bitmap.Row(y);
        std::uint8_t* const last = p + static_cast<std::size_t>(bitmap.Width - 1) * 3;
        unsigned sum = static_cast<unsigned>(p[0]) + p[1] + p[2];
        for (; p < last; p += 3) {
            // Read the next pixel before the store spills onto its first byte.
            const unsigned next = static_cast<unsigned>(p[3]) + p[4] + p[5];
            const std::uint32_t e = table[sum];
            std::memcpy(p, &e, 4);
            sum = next;
        }
        const std::uint32_t e = table[sum];
        p[0] = static_cast<std::uint8_t>(e);
        p[1] = static_cast<std::uint8_t>(e >> 8);
        p[2] = static_cast<std::uint8_t>(e >> 16);
    }
}

void InvertColors(Bitmap& bitmap) {
    // 255 - v is v with every bit flipped: eight bytes at a time.
    for (std::int32_t y = 0; y < bitmap.Height; ++y) {
        std::uint8_t* __restrict p = bitmap.Row(y);
        const std::size_t n = static_cast<std::size_t>(bitmap.Width) * 3;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t v;
            std::memcpy(&v, p + i, 8);
            v = ~v;
            std::memcpy(p + i, &v, 8);
        }
        for (; i < n; ++i)
            p[i] = static_cast<std::uint8_t>(255 - p[i]);
    }
}

void FlipBitmap(Bitmap& bitmap, bool horizontal) {
    if (bitmap.IsEmpty())
        return;
    const std::int32_t w = bitmap.Width, h = bitmap.Height;
    if (horizontal) {
        // Each row reversed into a scratch row with 4-byte moves (the spare fourth byte lands
        // on the next pixel, written next, or on the scratch row's extra byte), then copied back.
        const std::size_t n = static_cast<std::size_t>(w) * 3;
        std::vector<std::uint8_t> tmp(n + 1);
        if (HaveVbmi()) {
            for (std::int32_t y = 0; y < h; ++y) {
                ReversePixelsVbmi(bitmap.Row(y), tmp.data(), static_cast<std::size_t>(w));
                std::memcpy(bitmap.Row(y), tmp.data(), n);
            }
            return;
        }
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* row = bitmap.Row(y);
            const std::uint8_t* s = row + n - 3;
            std::uint8_t* d = tmp.data();
            // Source pixel w-1 is read byte by byte: its fourth byte may lie past the buffer.
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            for (d += 3, s -= 3; s >= row; d += 3, s -= 3)
                std::memcpy(d, s, 4);
            std::memcpy(row, tmp.data(), n);
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

// Quarter turns (90 or 270), walked in tiles so both bitmaps stay in cache.
void QuarterTurn(const Bitmap& src, Bitmap& dst, int angle) {
    const std::int32_t W = src.Width, H = src.Height;
    constexpr std::int32_t kTile = 32;
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

bool FreeRotation(const Bitmap& src, Bitmap& bitmap, ColorValue background, double angle) {
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
        return false; // too large (or degenerate)
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
    return true;
}

} // namespace

void RotateBitmap(Bitmap& bitmap, ColorValue background, double angle) {
    if (bitmap.IsEmpty() || !std::isfinite(angle))
        return;
    const bool fractional = angle != std::trunc(angle);
    const double whole = std::trunc(angle);
    if (!fractional) {
        if (whole == 0 || whole == 360 || whole == 720 || whole == -360)
            return;
        if (whole == 180) {
            // A half turn reverses the pixel order: swap rows i and H-1-i reversed, in place.
            const std::int32_t W = bitmap.Width, H = bitmap.Height;
            if (HaveVbmi()) {
                const std::size_t n = static_cast<std::size_t>(W) * 3;
                std::vector<std::uint8_t> tmp(n);
                for (std::int32_t i = 0, j = H - 1; i <= j; ++i, --j) {
                    ReversePixelsVbmi(bitmap.Row(j), tmp.data(), static_cast<std::size_t>(W));
                    if (i != j)
                        ReversePixelsVbmi(bitmap.Row(i), bitmap.Row(j),
                                          static_cast<std::size_t>(W));
                    std::memcpy(bitmap.Row(i), tmp.data(), n);
                }
                return;
            }
            for (std::int32_t i = 0, j = H - 1; i <= j; ++i, --j) {
                std::uint8_t* a = bitmap.Row(i);
                std::uint8_t* b = bitmap.Row(j) + static_cast<std::size_t>(W - 1) * 3;
                const std::int32_t count = i == j ? W / 2 : W;
                for (std::int32_t x = 0; x < count; ++x, a += 3, b -= 3) {
                    std::swap(a[0], b[0]);
                    std::swap(a[1], b[1]);
                    std::swap(a[2], b[2]);
                }
            }
            return;
        }
        if (whole == 90 || whole == 270) {
            const Bitmap src = std::move(bitmap); // the source, taken over rather than copied
            bitmap.SetSize(src.Height, src.Width);
            QuarterTurn(src, bitmap, static_cast<int>(whole));
            return;
        }
    }
    Bitmap src = std::move(bitmap);
    if (!FreeRotation(src, bitmap, background, angle))
        bitmap = std::move(src); // too large: the bitmap keeps its previous state
}

} // namespace imaging
