#include "imaging/MotionSampler.h"

#include "base/ThreadPool.h"
#include "imaging/CpuFeatures.h"

#include "imaging/PixelMix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define REELPANE_SAMPLER_AVX2 1
#endif

namespace imaging {

namespace {

// Below this many output pixels a second thread costs more than it saves.
constexpr std::int64_t kBandPixels = 256 * 1024;

double FitScale(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h) {
    return std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
}

} // namespace

double MotionSampler::PictureX(std::int32_t x, std::int32_t W, std::int32_t H, std::int32_t w,
                               std::int32_t h, const MotionState& state) {
    const double s = FitScale(W, H, w, h) * state.Z;
    return state.Cx * w + (x + 0.5 - W / 2.0) / s;
}

double MotionSampler::PictureY(std::int32_t y, std::int32_t W, std::int32_t H, std::int32_t w,
                               std::int32_t h, const MotionState& state) {
    const double s = FitScale(W, H, w, h) * state.Z;
    return state.Cy * h + (y + 0.5 - H / 2.0) / s;
}

MotionSampler::Tap MotionSampler::MakeTap(double position, std::int32_t size) {
    // Pixel i's centre is at i + 0.5: the two pixels around the point and the weight of the
    // second, to 1/256 of a pixel.
    const double p = position - 0.5;
    if (!(p > -1.0)) // also a NaN
        return {-1, 0};
    if (p >= size)
        return {size - 1, 256};
    const double whole = std::floor(p);
    std::int32_t first = static_cast<std::int32_t>(whole);
    auto weight = static_cast<std::int32_t>(std::lround((p - whole) * 256.0));
    if (weight == 256) {
        ++first;
        weight = 0;
    }
    if (first >= size) // only the background is left
        return {size - 1, 256};
    return {first, static_cast<std::uint32_t>(weight)};
}

MotionSampler::MotionSampler(const Bitmap& picture, std::uint8_t backB, std::uint8_t backG,
                             std::uint8_t backR, std::int32_t frameWidth, std::int32_t frameHeight,
                             const MotionState& state, const PyramidLevel& level)
    : picture_(picture), back_{backB, backG, backR}, frameW_(std::max(frameWidth, 0)),
      frameH_(std::max(frameHeight, 0)) {
    const std::int32_t w = picture.Width, h = picture.Height;
    // The frame is placed on the base picture; a level's pixels are Span of the base's.
    const std::int32_t bw = level.BaseWidth > 0 ? level.BaseWidth : w;
    const std::int32_t bh = level.BaseHeight > 0 ? level.BaseHeight : h;
    const double span = level.Span > 0.0 ? level.Span : 1.0;
    if (picture.IsEmpty()) {
        columns_.assign(static_cast<std::size_t>(frameW_), Tap{-1, 0});
        rows_.assign(static_cast<std::size_t>(frameH_), Tap{-1, 0});
        firstColumn_ = lastColumn_ = -1;
        return;
    }
    // Any finite state is drawn as asked (automatic motion may zoom past what the editor
    // offers); what is not a number, or a zoom below 1, falls back to the centred state's.
    MotionState s = state;
    if (!std::isfinite(s.Cx) || !std::isfinite(s.Cy))
        s.Cx = s.Cy = 0.5;
    if (!std::isfinite(s.Z) || s.Z < 1.0)
        s.Z = 1.0;
    columns_.resize(static_cast<std::size_t>(frameW_));
    for (std::int32_t x = 0; x < frameW_; ++x)
        columns_[static_cast<std::size_t>(x)] =
            MakeTap(PictureX(x, frameW_, frameH_, bw, bh, s) / span, w);
    rows_.resize(static_cast<std::size_t>(frameH_));
    for (std::int32_t y = 0; y < frameH_; ++y)
        rows_[static_cast<std::size_t>(y)] =
            MakeTap(PictureY(y, frameW_, frameH_, bw, bh, s) / span, h);
    firstColumn_ = columns_.empty() ? -1 : columns_.front().First;
    lastColumn_ = columns_.empty() ? -1 : std::min(columns_.back().First + 1, w);
    // The output columns that read the picture at all: the others are the background.
    insideFrom_ = 0;
    while (insideFrom_ < frameW_ && columns_[static_cast<std::size_t>(insideFrom_)].First < 0 &&
           columns_[static_cast<std::size_t>(insideFrom_)].Weight == 0)
        ++insideFrom_;
    insideTo_ = frameW_;
    while (insideTo_ > insideFrom_ &&
           columns_[static_cast<std::size_t>(insideTo_ - 1)].First >= w - 1 &&
           columns_[static_cast<std::size_t>(insideTo_ - 1)].Weight == 256)
        --insideTo_;
    offsets_.resize(columns_.size());
    weights_.resize(columns_.size() * 8);
    for (std::size_t x = 0; x < columns_.size(); ++x) {
        offsets_[x] = (columns_[x].First - firstColumn_) * 3;
        const auto wx = static_cast<std::uint16_t>(columns_[x].Weight);
        const auto wl = static_cast<std::uint16_t>(256 - wx);
        std::uint16_t* v = weights_.data() + x * 8;
        v[0] = v[1] = v[2] = wl;
        v[3] = v[4] = v[5] = wx;
        v[6] = v[7] = 0;
    }
    backRow_.resize(static_cast<std::size_t>(w) * 3);
    for (std::int32_t x = 0; x < w; ++x)
        std::copy(back_, back_ + 3, backRow_.begin() + x * 3);
    PreparePlanar();
}

void MotionSampler::PreparePlanar() {
    planarColumns_.resize(columns_.size());
    planarWeights_.resize(columns_.size());
    for (std::size_t x = 0; x < columns_.size(); ++x) {
        planarColumns_[x] = columns_[x].First - firstColumn_;
        planarWeights_[x] = (256 - columns_[x].Weight) | (columns_[x].Weight << 16);
    }
    // Blocks while both groups of 8 columns read within 16 bytes of their first pixel (a picture
    // reduced to less than about half its size leaves the rest to the plain loop).
    std::int32_t x = insideFrom_;
    for (; x + 16 <= insideTo_; x += 16) {
        PlanarBlock b{};
        bool fits = true;
        for (int g = 0; g < 2 && fits; ++g) {
            const std::int32_t x0 = x + g * 8;
            const std::int32_t base = planarColumns_[static_cast<std::size_t>(x0)];
            b.Base[g] = base;
            for (int i = 0; i < 8; ++i) {
                const std::size_t c = static_cast<std::size_t>(x0 + i);
                const std::int32_t at = planarColumns_[c] - base;
                if (at + 1 > 15) {
                    fits = false;
                    break;
                }
                b.Shuffle[g * 16 + 2 * i] = static_cast<std::int8_t>(at);
                b.Shuffle[g * 16 + 2 * i + 1] = static_cast<std::int8_t>(at + 1);
                // Lane g holds the group: its columns 0..3 in the low words' half, 4..7 in the
                // high one.
                const int slot = (i < 4 ? 0 : 16) + g * 8 + (i % 4) * 2;
                b.Weights[slot] = static_cast<std::uint16_t>(planarWeights_[c] & 0xFFFF);
                b.Weights[slot + 1] = static_cast<std::uint16_t>(planarWeights_[c] >> 16);
            }
        }
        if (!fits)
            break;
        blocks_.push_back(b);
    }
    blocksEnd_ = x;
    // The planar pass pays when the blocks take all but the last few columns.
#if defined(REELPANE_SAMPLER_AVX2)
    planarBlocks_ = HaveAvx2() && insideTo_ - blocksEnd_ < 16;
#else
    planarBlocks_ = false;
#endif
}

const std::uint8_t* MotionSampler::MixRows(std::int32_t y,
                                           std::vector<std::uint8_t>& scratch) const {
    const Tap row = rows_[static_cast<std::size_t>(y)];
    const std::int32_t w = picture_.Width, h = picture_.Height;
    if (picture_.IsEmpty() || (row.First < 0 && row.Weight == 0) ||
        (row.First >= h - 1 && row.Weight == 256))
        return nullptr;
    // The two picture rows mixed into one over the columns the output reads, the background
    // standing for rows and columns outside the picture. The run has 8 bytes to spare, so that
    // the columns' pass may read 8 bytes from any pixel of it.
    const std::uint8_t* top = row.First < 0 ? backRow_.data() : picture_.Row(row.First);
    const std::uint8_t* bottom = row.First + 1 >= h ? backRow_.data() : picture_.Row(row.First + 1);
    const std::int32_t count = lastColumn_ - firstColumn_ + 1;
    if (scratch.size() < static_cast<std::size_t>(count) * 3 + 8)
        scratch.resize(static_cast<std::size_t>(count) * 3 + 8);
    std::uint8_t* mixed = scratch.data();
    std::int32_t c = firstColumn_;
    std::uint8_t* m = mixed;
    for (; c < 0 && c <= lastColumn_; ++c, m += 3)
        std::memcpy(m, back_, 3);
    const std::int32_t inside = std::min(lastColumn_, w - 1);
    if (c <= inside) {
        const std::size_t n = static_cast<std::size_t>(inside - c + 1) * 3;
        MixBytes256(m, top + c * 3, bottom + c * 3, n, row.Weight);
        m += n;
        c = inside + 1;
    }
    for (; c <= lastColumn_; ++c, m += 3)
        std::memcpy(m, back_, 3);
    std::memset(m, 0, 8);
    return mixed;
}

void MotionSampler::RenderRow(std::int32_t y, std::uint8_t* out,
                              std::vector<std::uint8_t>& scratch) const {
    const std::uint8_t* mixed = MixRows(y, scratch);
    if (!mixed) {
        for (std::int32_t x = 0; x < frameW_; ++x, out += 3)
            std::memcpy(out, back_, 3);
        return;
    }

    // Then the two columns of each output pixel; the columns that fall wholly outside the
    // picture are the background.
    const std::int32_t* offsets = offsets_.data();
    const std::uint16_t* weights = weights_.data();
    const auto fillBack = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t x = from; x < to; ++x)
            std::memcpy(out + x * 3, back_, 3);
    };
    fillBack(0, insideFrom_);
    std::int32_t x = insideFrom_;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    // Bytes {b0 g0 r0 b1 g1 r1 . .} times {wl wl wl wx wx wx 0 0}; lanes 3..5 shifted onto 0..2
    // and added give the three channels. Each output pixel is stored as 4 bytes, the fourth
    // overwritten by the next pixel; the last one of the row is written apart.
    for (const std::int32_t end = std::min(insideTo_, frameW_ - 1); x < end; ++x) {
        const __m128i v = _mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(mixed + offsets[x])), zero);
        __m128i p =
            _mm_mullo_epi16(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + x * 8)));
        p = _mm_add_epi16(p, _mm_srli_si128(p, 6));
        p = _mm_srli_epi16(_mm_add_epi16(p, half), 8);
        const std::uint32_t bgr =
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(p, p)));
        std::memcpy(out + x * 3, &bgr, 4);
    }
#endif
    for (; x < insideTo_; ++x) {
        const std::uint8_t* p = mixed + offsets[x];
        const std::uint32_t wl = weights[x * 8], wx = weights[x * 8 + 3];
        for (int k = 0; k < 3; ++k)
            out[x * 3 + k] = static_cast<std::uint8_t>((p[k] * wl + p[k + 3] * wx + 128) >> 8);
    }
    fillBack(insideTo_, frameW_);
}

namespace {

#if defined(REELPANE_SAMPLER_AVX2)

// One plane's blocks of 16 columns: each group of 8 gathers its pixel pairs from the 16 bytes
// at its first pixel, weighs them and rounds, as the plain loop does.
__attribute__((target("avx2"))) void PlanarBlocksAvx2(const std::uint8_t* plane, std::uint8_t* out,
                                                      const PlanarBlock* blocks, std::size_t count,
                                                      std::int32_t from) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi32(128);
    for (const PlanarBlock* b = blocks; b != blocks + count; ++b, from += 16) {
        const __m256i bytes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + b->Base[0]))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + b->Base[1])), 1);
        const __m256i pairs = _mm256_shuffle_epi8(
            bytes, _mm256_load_si256(reinterpret_cast<const __m256i*>(b->Shuffle)));
        const __m256i* weights = reinterpret_cast<const __m256i*>(b->Weights);
        const __m256i lo =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(pairs, zero),
                                                                 _mm256_load_si256(weights)),
                                               half),
                              8);
        const __m256i hi =
            _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi8(pairs, zero),
                                                                 _mm256_load_si256(weights + 1)),
                                               half),
                              8);
        const __m256i words = _mm256_packs_epi32(lo, hi);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + from), _mm256_castsi256_si128(packed));
    }
}

#endif

} // namespace

void MotionSampler::RenderPlanarRow(std::int32_t y, const PlanarRow& out,
                                    std::vector<std::uint8_t>& scratch) const {
    std::uint8_t* const outs[3] = {out.B, out.G, out.R};
    if (!planarBlocks_) {
        // A picture reduced to less than about half its size: the 24-bit row (after the mixed
        // run in scratch, which is made large enough first), split.
        const std::size_t run =
            static_cast<std::size_t>(std::max(lastColumn_ - firstColumn_ + 1, 0)) * 3 + 8;
        const std::size_t row = static_cast<std::size_t>(frameW_) * 3 + 8;
        if (scratch.size() < run + row)
            scratch.resize(run + row);
        RenderRow(y, scratch.data() + run, scratch);
        SplitBgrRow(scratch.data() + run, frameW_, out);
        return;
    }
    const std::uint8_t* mixed = MixRows(y, scratch);
    if (!mixed) {
        for (int k = 0; k < 3; ++k)
            std::memset(outs[k], back_[k], static_cast<std::size_t>(frameW_));
        return;
    }
    // The mixed run split into planes (after it in scratch, each with 32 bytes to spare for the
    // blocks' 16-byte reads), then each plane's columns.
    const std::int32_t count = lastColumn_ - firstColumn_ + 1;
    const std::size_t run = static_cast<std::size_t>(count) * 3 + 8;
    const std::size_t planeSize = static_cast<std::size_t>(count) + 32;
    if (scratch.size() < run + 3 * planeSize) {
        scratch.resize(run + 3 * planeSize);
        mixed = scratch.data();
    }
    std::uint8_t* planes[3];
    for (int k = 0; k < 3; ++k)
        planes[k] = scratch.data() + run + static_cast<std::size_t>(k) * planeSize;
    SplitBgrRow(mixed, count, PlanarRow{planes[0], planes[1], planes[2]});
    for (int k = 0; k < 3; ++k) {
        std::uint8_t* o = outs[k];
        const std::uint8_t* p = planes[k];
        std::memset(o, back_[k], static_cast<std::size_t>(insideFrom_));
        std::int32_t x = insideFrom_;
#if defined(REELPANE_SAMPLER_AVX2)
        PlanarBlocksAvx2(p, o, blocks_.data(), blocks_.size(), insideFrom_);
        x = blocksEnd_;
#endif
        for (; x < insideTo_; ++x) {
            const std::int32_t c = planarColumns_[static_cast<std::size_t>(x)];
            const std::uint32_t wt = planarWeights_[static_cast<std::size_t>(x)];
            o[x] = static_cast<std::uint8_t>((p[c] * (wt & 0xFFFF) + p[c + 1] * (wt >> 16) + 128) >>
                                             8);
        }
        std::memset(o + insideTo_, back_[k], static_cast<std::size_t>(frameW_ - insideTo_));
    }
}

void MotionSampler::RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const {
    std::vector<std::uint8_t> scratch;
    for (std::int32_t y = first; y < last; ++y)
        RenderRow(y, frame.Row(y), scratch);
}

void RunRowBands(std::int32_t rows, std::int64_t pixels, void (*call)(void*, int, int),
                 void* context) {
    if (rows <= 0)
        return;
    if (pixels < kBandPixels || rows < 2) {
        call(context, 0, rows);
        return;
    }
    base::ThreadPool::Shared().ParallelFor(
        rows, [call, context](int first, int last) { call(context, first, last); });
}

} // namespace imaging
