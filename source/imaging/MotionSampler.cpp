#include "imaging/MotionSampler.h"

#include "imaging/PixelMix.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
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
                             const MotionState& state)
    : picture_(picture), back_{backB, backG, backR}, frameW_(std::max(frameWidth, 0)),
      frameH_(std::max(frameHeight, 0)) {
    const std::int32_t w = picture.Width, h = picture.Height;
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
        columns_[static_cast<std::size_t>(x)] = MakeTap(PictureX(x, frameW_, frameH_, w, h, s), w);
    rows_.resize(static_cast<std::size_t>(frameH_));
    for (std::int32_t y = 0; y < frameH_; ++y)
        rows_[static_cast<std::size_t>(y)] = MakeTap(PictureY(y, frameW_, frameH_, w, h, s), h);
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
}

void MotionSampler::RenderRow(std::int32_t y, std::uint8_t* out,
                              std::vector<std::uint8_t>& scratch) const {
    const Tap row = rows_[static_cast<std::size_t>(y)];
    const std::int32_t w = picture_.Width, h = picture_.Height;
    if (picture_.IsEmpty() || (row.First < 0 && row.Weight == 0) ||
        (row.First >= h - 1 && row.Weight == 256)) {
        for (std::int32_t x = 0; x < frameW_; ++x, out += 3)
            std::memcpy(out, back_, 3);
        return;
    }
    // The two picture rows mixed into one over the columns the output reads, the background
    // standing for rows and columns outside the picture. The run has 8 bytes to spare, so that
    // the columns' pass may read 8 bytes from any pixel of it.
    const std::uint8_t* top = row.First < 0 ? backRow_.data() : picture_.Row(row.First);
    const std::uint8_t* bottom = row.First + 1 >= h ? backRow_.data() : picture_.Row(row.First + 1);
    const std::int32_t count = lastColumn_ - firstColumn_ + 1;
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

void MotionSampler::RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const {
    std::vector<std::uint8_t> scratch;
    for (std::int32_t y = first; y < last; ++y)
        RenderRow(y, frame.Row(y), scratch);
}

void RunRowBands(std::int32_t rows, std::int64_t pixels, void (*call)(void*, int, int),
                 void* context) {
    if (rows <= 0)
        return;
    if (pixels < kBandPixels || rows < 2 || std::thread::hardware_concurrency() < 2) {
        call(context, 0, rows);
        return;
    }
    const std::int32_t half = rows / 2;
    std::thread other;
    try {
        other = std::thread(call, context, half, rows);
    } catch (const std::system_error&) {
        call(context, 0, rows); // no thread to be had: one pass
        return;
    }
    call(context, 0, half);
    other.join();
}

} // namespace imaging
