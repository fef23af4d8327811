#include "imaging/MotionSampler.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

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
    backRow_.resize(static_cast<std::size_t>(w) * 3);
    for (std::int32_t x = 0; x < w; ++x)
        std::copy(back_, back_ + 3, backRow_.begin() + x * 3);
}

void MotionSampler::RenderRow(std::int32_t y, std::uint8_t* out,
                              std::vector<std::uint16_t>& scratch) const {
    const Tap row = rows_[static_cast<std::size_t>(y)];
    const std::int32_t w = picture_.Width, h = picture_.Height;
    if (picture_.IsEmpty() || (row.First < 0 && row.Weight == 0) ||
        (row.First >= h - 1 && row.Weight == 256)) {
        for (std::int32_t x = 0; x < frameW_; ++x, out += 3)
            std::copy(back_, back_ + 3, out);
        return;
    }
    // The two picture rows mixed exactly: 256 * top + (bottom - top) * weight, over the columns
    // the output reads, the background standing for rows and columns outside the picture.
    const std::uint8_t* top = row.First < 0 ? backRow_.data() : picture_.Row(row.First);
    const std::uint8_t* bottom = row.First + 1 >= h ? backRow_.data() : picture_.Row(row.First + 1);
    const std::int32_t count = lastColumn_ - firstColumn_ + 1;
    scratch.resize(static_cast<std::size_t>(count) * 3);
    std::uint16_t* mixed = scratch.data();
    const std::int32_t wy = static_cast<std::int32_t>(row.Weight);
    const auto mix = [wy](std::int32_t a, std::int32_t b) {
        return static_cast<std::uint16_t>(a * 256 + (b - a) * wy);
    };
    std::int32_t c = firstColumn_;
    std::uint16_t* m = mixed;
    for (; c < 0 && c <= lastColumn_; ++c, m += 3)
        for (int k = 0; k < 3; ++k)
            m[k] = static_cast<std::uint16_t>(back_[k] * 256);
    const std::int32_t inside = std::min(lastColumn_, w - 1);
    if (c <= inside) {
        const std::uint8_t* a = top + c * 3;
        const std::uint8_t* b = bottom + c * 3;
        const std::int32_t n = (inside - c + 1) * 3;
        for (std::int32_t i = 0; i < n; ++i)
            m[i] = mix(a[i], b[i]);
        m += n;
        c = inside + 1;
    }
    for (; c <= lastColumn_; ++c, m += 3)
        for (int k = 0; k < 3; ++k)
            m[k] = static_cast<std::uint16_t>(back_[k] * 256);
    // Then the two columns of each output pixel, rounded once.
    const Tap* col = columns_.data();
    for (std::int32_t x = 0; x < frameW_; ++x, out += 3) {
        const std::uint16_t* p = mixed + (col[x].First - firstColumn_) * 3;
        const std::uint32_t wx = col[x].Weight, wl = 256 - wx;
        out[0] = static_cast<std::uint8_t>((p[0] * wl + p[3] * wx + 32768) >> 16);
        out[1] = static_cast<std::uint8_t>((p[1] * wl + p[4] * wx + 32768) >> 16);
        out[2] = static_cast<std::uint8_t>((p[2] * wl + p[5] * wx + 32768) >> 16);
    }
}

void MotionSampler::RenderRows(Bitmap& frame, std::int32_t first, std::int32_t last) const {
    std::vector<std::uint16_t> scratch;
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
