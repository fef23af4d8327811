#include "imaging/Yuv420.h"

#include "imaging/CpuFeatures.h"

#include <algorithm>
#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define REELPANE_YUV_AVX2 1
#endif

namespace imaging {

namespace {

constexpr int Round(double x) {
    return static_cast<int>(x < 0 ? x - 0.5 : x + 0.5);
}

// One matrix's coefficients, scaled as Yuv420.h says.
struct Coefficients {
    int Yr, Yg, Yb;
    int Ur, Ug, Ub;
    int Vr, Vg, Vb;
};

constexpr Coefficients MakeCoefficients(double kr, double kb) {
    const double luma = 219.0 / 255.0 * 16384.0;
    const double chroma = 224.0 / 255.0 * 16384.0;
    Coefficients c{};
    c.Yr = Round(kr * luma);
    c.Yb = Round(kb * luma);
    c.Yg = Round(luma) - c.Yr - c.Yb;
    c.Ub = Round(0.5 * chroma);
    c.Ur = Round(-kr / (2.0 * (1.0 - kb)) * chroma);
    c.Ug = -c.Ub - c.Ur;
    c.Vr = Round(0.5 * chroma);
    c.Vb = Round(-kb / (2.0 * (1.0 - kr)) * chroma);
    c.Vg = -c.Vr - c.Vb;
    return c;
}

constexpr Coefficients kBt601 = MakeCoefficients(0.299, 0.114);
constexpr Coefficients kBt709 = MakeCoefficients(0.2126, 0.0722);

const Coefficients& CoefficientsOf(YuvMatrix matrix) {
    return matrix == YuvMatrix::Bt709 ? kBt709 : kBt601;
}

inline std::uint8_t Luma(int b, int g, int r, const Coefficients& c) {
    return static_cast<std::uint8_t>(((c.Yr * r + c.Yg * g + c.Yb * b + 8192) >> 14) + 16);
}

inline std::uint8_t Chroma(int sb, int sg, int sr, int kb, int kg, int kr) {
    const int v = ((kr * sr + kg * sg + kb * sb + 32768) >> 16) + 128;
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Pixels from..width-1 of a pair of rows, one at a time.
void RowsPlain(const std::uint8_t* top, const std::uint8_t* bottom, std::int32_t from,
               std::int32_t width, std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u,
               std::uint8_t* v, const Coefficients& c) {
    for (std::int32_t x = from; x < width; x += 2) {
        const std::int32_t x1 = std::min(x + 1, width - 1);
        const std::uint8_t* p[4] = {top + x * 3, top + x1 * 3, bottom + x * 3, bottom + x1 * 3};
        yTop[x] = Luma(p[0][0], p[0][1], p[0][2], c);
        if (x1 != x)
            yTop[x1] = Luma(p[1][0], p[1][1], p[1][2], c);
        if (yBottom) {
            yBottom[x] = Luma(p[2][0], p[2][1], p[2][2], c);
            if (x1 != x)
                yBottom[x1] = Luma(p[3][0], p[3][1], p[3][2], c);
        }
        int s[3] = {0, 0, 0};
        for (const std::uint8_t* q : p)
            for (int k = 0; k < 3; ++k)
                s[k] += q[k];
        u[x / 2] = Chroma(s[0], s[1], s[2], c.Ub, c.Ug, c.Ur);
        v[x / 2] = Chroma(s[0], s[1], s[2], c.Vb, c.Vg, c.Vr);
    }
}

// The same from planar rows.
void PlanarRowsPlain(const PlanarRow& top, const PlanarRow& bottom, std::int32_t from,
                     std::int32_t width, std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u,
                     std::uint8_t* v, const Coefficients& c) {
    for (std::int32_t x = from; x < width; x += 2) {
        const std::int32_t x1 = std::min(x + 1, width - 1);
        yTop[x] = Luma(top.B[x], top.G[x], top.R[x], c);
        if (x1 != x)
            yTop[x1] = Luma(top.B[x1], top.G[x1], top.R[x1], c);
        if (yBottom) {
            yBottom[x] = Luma(bottom.B[x], bottom.G[x], bottom.R[x], c);
            if (x1 != x)
                yBottom[x1] = Luma(bottom.B[x1], bottom.G[x1], bottom.R[x1], c);
        }
        const int sb = top.B[x] + top.B[x1] + bottom.B[x] + bottom.B[x1];
        const int sg = top.G[x] + top.G[x1] + bottom.G[x] + bottom.G[x1];
        const int sr = top.R[x] + top.R[x1] + bottom.R[x] + bottom.R[x1];
        u[x / 2] = Chroma(sb, sg, sr, c.Ub, c.Ug, c.Ur);
        v[x / 2] = Chroma(sb, sg, sr, c.Vb, c.Vg, c.Vr);
    }
}

#if defined(REELPANE_YUV_AVX2)

#define YUV_AVX2 __attribute__((target("avx2")))

// Shuffles gathering channel k of 16 pixels (48 bytes) from their three 16-byte chunks: entry
// [k][j][i] is the byte of chunk j holding pixel i's channel k, or -128 (none).
struct Gather {
    std::array<std::array<std::array<std::int8_t, 16>, 3>, 3> Index;
};

constexpr Gather MakeGather() {
    Gather g{};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 16; ++i) {
                const int at = 3 * i + k - 16 * j;
                g.Index[k][j][i] = static_cast<std::int8_t>(at >= 0 && at < 16 ? at : -128);
            }
    return g;
}

constexpr Gather kGather = MakeGather();

YUV_AVX2 inline __m256i Load2(const std::uint8_t* lo, const std::uint8_t* hi) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

YUV_AVX2 inline __m256i Mask(int k, int j) {
    const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kGather.Index[k][j].data()));
    return _mm256_broadcastsi128_si256(m);
}

// 32 pixels (96 bytes) as the bytes of each channel, pixels 0..15 in the low lane and 16..31 in
// the high one.
struct Channels {
    __m256i B, G, R;
};

YUV_AVX2 inline Channels Split(const std::uint8_t* p, const __m256i (&masks)[3][3]) {
    const __m256i chunk[3] = {Load2(p, p + 48), Load2(p + 16, p + 64), Load2(p + 32, p + 80)};
    __m256i ch[3];
    for (int k = 0; k < 3; ++k)
        ch[k] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(chunk[0], masks[k][0]),
                                                _mm256_shuffle_epi8(chunk[1], masks[k][1])),
                                _mm256_shuffle_epi8(chunk[2], masks[k][2]));
    return {ch[0], ch[1], ch[2]};
}

// (r*cr + g*cg + b*cb + round) >> shift + offset for 16 words of each channel; `unit` pairs with
// b so that the rounding rides on the same multiply-add.
struct Weights {
    __m256i Rg;    // {cr, cg} in each pair of words
    __m256i Bu;    // {cb, round / unit}
    __m256i Unit;  // the word that multiplies the rounding
    __m256i Added; // 16 or 128, in words
};

YUV_AVX2 inline __m256i Weigh(__m256i b, __m256i g, __m256i r, const Weights& w, int shift) {
    const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(r, g), w.Rg),
                                        _mm256_madd_epi16(_mm256_unpacklo_epi16(b, w.Unit), w.Bu));
    const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(r, g), w.Rg),
                                        _mm256_madd_epi16(_mm256_unpackhi_epi16(b, w.Unit), w.Bu));
    const __m128i count = _mm_cvtsi32_si128(shift);
    return _mm256_add_epi16(
        _mm256_packs_epi32(_mm256_sra_epi32(lo, count), _mm256_sra_epi32(hi, count)), w.Added);
}

// {a, b} in each pair of words.
YUV_AVX2 inline __m256i WordPair(int a, int b) {
    return _mm256_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(b) << 16) |
                                              (static_cast<std::uint32_t>(a) & 0xFFFF)));
}

YUV_AVX2 inline Weights MakeWeights(int cr, int cg, int cb, int unit, int round, int added) {
    return {WordPair(cr, cg), WordPair(cb, round / unit),
            _mm256_set1_epi16(static_cast<short>(unit)),
            _mm256_set1_epi16(static_cast<short>(added))};
}

YUV_AVX2 inline __m256i LumaOf(const Channels& p, const Weights& w) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = Weigh(_mm256_unpacklo_epi8(p.B, zero), _mm256_unpacklo_epi8(p.G, zero),
                             _mm256_unpacklo_epi8(p.R, zero), w, 14);
    const __m256i hi = Weigh(_mm256_unpackhi_epi8(p.B, zero), _mm256_unpackhi_epi8(p.G, zero),
                             _mm256_unpackhi_epi8(p.R, zero), w, 14);
    return _mm256_packus_epi16(lo, hi);
}

// The sums of the 16 blocks of 2 x 2 pixels of one channel, in order.
YUV_AVX2 inline __m256i BlockSums(__m256i top, __m256i bottom) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo =
        _mm256_add_epi16(_mm256_unpacklo_epi8(top, zero), _mm256_unpacklo_epi8(bottom, zero));
    const __m256i hi =
        _mm256_add_epi16(_mm256_unpackhi_epi8(top, zero), _mm256_unpackhi_epi8(bottom, zero));
    return _mm256_hadd_epi16(lo, hi);
}

YUV_AVX2 inline void StoreChroma(std::uint8_t* out, __m256i words) {
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
}

YUV_AVX2 inline __m256i Load32(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Blocks of 32 pixels, each pair of rows' channels given by channels(x, top, bottom); returns
// the first pixel left for the plain code.
template <typename Source>
YUV_AVX2 std::int32_t BlocksAvx2(std::int32_t width, std::uint8_t* yTop, std::uint8_t* yBottom,
                                 std::uint8_t* u, std::uint8_t* v, const Coefficients& c,
                                 const Source& channels) {
    const Weights wy = MakeWeights(c.Yr, c.Yg, c.Yb, 1, 1 << 13, 16);
    const Weights wu = MakeWeights(c.Ur, c.Ug, c.Ub, 2, 1 << 15, 128);
    const Weights wv = MakeWeights(c.Vr, c.Vg, c.Vb, 2, 1 << 15, 128);
    std::int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        Channels a, b;
        channels(x, a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(yTop + x), LumaOf(a, wy));
        if (yBottom)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(yBottom + x), LumaOf(b, wy));
        const __m256i sb = BlockSums(a.B, b.B);
        const __m256i sg = BlockSums(a.G, b.G);
        const __m256i sr = BlockSums(a.R, b.R);
        StoreChroma(u + x / 2, Weigh(sb, sg, sr, wu, 16));
        StoreChroma(v + x / 2, Weigh(sb, sg, sr, wv, 16));
    }
    return x;
}

YUV_AVX2 void LoadMasks(__m256i (&masks)[3][3]) {
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            masks[k][j] = Mask(k, j);
}

YUV_AVX2 std::int32_t RowsAvx2(const std::uint8_t* top, const std::uint8_t* bottom,
                               std::int32_t width, std::uint8_t* yTop, std::uint8_t* yBottom,
                               std::uint8_t* u, std::uint8_t* v, const Coefficients& c) {
    __m256i masks[3][3];
    LoadMasks(masks);
    return BlocksAvx2(width, yTop, yBottom, u, v, c,
                      [&](std::int32_t x, Channels& a, Channels& b) YUV_AVX2 {
                          a = Split(top + x * 3, masks);
                          b = bottom == top ? a : Split(bottom + x * 3, masks);
                      });
}

YUV_AVX2 std::int32_t PlanarRowsAvx2(const PlanarRow& top, const PlanarRow& bottom,
                                     std::int32_t width, std::uint8_t* yTop, std::uint8_t* yBottom,
                                     std::uint8_t* u, std::uint8_t* v, const Coefficients& c) {
    return BlocksAvx2(width, yTop, yBottom, u, v, c,
                      [&](std::int32_t x, Channels& a, Channels& b) YUV_AVX2 {
                          a = {Load32(top.B + x), Load32(top.G + x), Load32(top.R + x)};
                          b = {Load32(bottom.B + x), Load32(bottom.G + x), Load32(bottom.R + x)};
                      });
}

YUV_AVX2 std::int32_t SplitAvx2(const std::uint8_t* bgr, std::int32_t n, const PlanarRow& out) {
    __m256i masks[3][3];
    LoadMasks(masks);
    std::int32_t x = 0;
    for (; x + 32 <= n; x += 32) {
        const Channels p = Split(bgr + x * 3, masks);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.B + x), p.B);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.G + x), p.G);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.R + x), p.R);
    }
    return x;
}

#endif

} // namespace

void BgrRowsToYuv420(const std::uint8_t* top, const std::uint8_t* bottom, std::int32_t width,
                     std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u, std::uint8_t* v,
                     YuvMatrix matrix) {
    const Coefficients& c = CoefficientsOf(matrix);
    std::int32_t x = 0;
#if defined(REELPANE_YUV_AVX2)
    if (HaveAvx2())
        x = RowsAvx2(top, bottom, width, yTop, yBottom, u, v, c);
#endif
    RowsPlain(top, bottom, x, width, yTop, yBottom, u, v, c);
}

void PlanarRowsToYuv420(const PlanarRow& top, const PlanarRow& bottom, std::int32_t width,
                        std::uint8_t* yTop, std::uint8_t* yBottom, std::uint8_t* u, std::uint8_t* v,
                        YuvMatrix matrix) {
    const Coefficients& c = CoefficientsOf(matrix);
    std::int32_t x = 0;
#if defined(REELPANE_YUV_AVX2)
    if (HaveAvx2())
        x = PlanarRowsAvx2(top, bottom, width, yTop, yBottom, u, v, c);
#endif
    PlanarRowsPlain(top, bottom, x, width, yTop, yBottom, u, v, c);
}

void SplitBgrRow(const std::uint8_t* bgr, std::int32_t n, const PlanarRow& out) {
    std::int32_t x = 0;
#if defined(REELPANE_YUV_AVX2)
    if (HaveAvx2())
        x = SplitAvx2(bgr, n, out);
#endif
    for (; x < n; ++x) {
        out.B[x] = bgr[x * 3];
        out.G[x] = bgr[x * 3 + 1];
        out.R[x] = bgr[x * 3 + 2];
    }
}

void BgrToYuv420(const Bgr& picture, const Yuv420Planes& out, YuvMatrix matrix) {
    for (std::int32_t y = 0; y < picture.Height; y += 2) {
        const bool pair = y + 1 < picture.Height;
        BgrRowsToYuv420(picture.Row(y), picture.Row(pair ? y + 1 : y), picture.Width,
                        out.Y + y * out.YStride, pair ? out.Y + (y + 1) * out.YStride : nullptr,
                        out.U + y / 2 * out.UStride, out.V + y / 2 * out.VStride, matrix);
    }
}

} // namespace imaging
