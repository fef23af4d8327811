#include "imaging/PicturePyramid.h"

#include "imaging/MotionSampler.h"

#include <algorithm>
#include <vector>

namespace imaging {

namespace {

// The filter of a halving, at the ten old pixels around a new pixel's centre (which lies between
// two old ones), in 256ths: Lanczos 2 widened to the new pixels, which passes what the half-sized
// picture can hold nearly whole and stops what it cannot far better than averaging pairs (whose
// leak folds back as moiré in fine detail), with a sharpening of the new pixels by
// [-1/12, 7/6, -1/12] that gives back on average what the bilinear sampling of a level between its
// pixels' centres takes from its finest detail.
constexpr int kTaps = 10;
constexpr int kHalfBand[kTaps] = {1, -5, -22, 26, 128, 128, 26, -22, -5, 1};

std::uint8_t Clamp8(int v) {
    return static_cast<std::uint8_t>(std::clamp((v + 128) >> 8, 0, 255));
}

} // namespace

Bitmap HalvePicture(const Bitmap& picture) {
    if (picture.IsEmpty())
        return {};
    const std::int32_t w = picture.Width, h = picture.Height;
    const std::int32_t hw = (w + 1) / 2, hh = (h + 1) / 2;
    Bitmap down = Bitmap::CreateUninitialised(w, hh);
    Bitmap half = Bitmap::CreateUninitialised(hw, hh);
    if (down.IsEmpty() || half.IsEmpty())
        return {};
    // New pixel i takes old pixels 2i - 4 .. 2i + 5, the edges repeated: down first (whole rows
    // of bytes at a time, which the compiler vectorises), then across the rows halved.
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    ForRowBands(hh, static_cast<std::int64_t>(w) * hh * 2, [&](int first, int last) {
        std::vector<int> sum(bytes);
        for (std::int32_t y = first; y < last; ++y) {
            std::fill(sum.begin(), sum.end(), 0);
            for (int k = 0; k < kTaps; ++k) {
                const std::uint8_t* row = picture.Row(std::clamp(2 * y - 4 + k, 0, h - 1));
                const int weight = kHalfBand[k];
                for (std::size_t b = 0; b < bytes; ++b)
                    sum[b] += weight * row[b];
            }
            std::uint8_t* out = down.Row(y);
            for (std::size_t b = 0; b < bytes; ++b)
                out[b] = Clamp8(sum[b]);
        }
    });
    std::vector<std::int32_t> columns(static_cast<std::size_t>(hw) * kTaps);
    for (std::int32_t i = 0; i < hw; ++i)
        for (int k = 0; k < kTaps; ++k)
            columns[static_cast<std::size_t>(i) * kTaps + k] =
                3 * std::clamp(2 * i - 4 + k, 0, w - 1);
    // Inside the edges, the taps are 3 bytes apart from 6i - 12.
    const std::int32_t firstInside = 2, lastInside = std::max<std::int32_t>(2, (w - 5) / 2);
    ForRowBands(hh, static_cast<std::int64_t>(hw) * hh * 4, [&](int first, int last) {
        for (std::int32_t y = first; y < last; ++y) {
            const std::uint8_t* in = down.Row(y);
            std::uint8_t* out = half.Row(y);
            for (std::int32_t i = 0; i < hw; ++i) {
                int v[3] = {0, 0, 0};
                if (i >= firstInside && i < lastInside) {
                    const std::uint8_t* p = in + 6 * i - 12;
                    for (int k = 0; k < kTaps; ++k, p += 3)
                        for (int c = 0; c < 3; ++c)
                            v[c] += kHalfBand[k] * p[c];
                } else {
                    const std::int32_t* at = columns.data() + static_cast<std::size_t>(i) * kTaps;
                    for (int k = 0; k < kTaps; ++k)
                        for (int c = 0; c < 3; ++c)
                            v[c] += kHalfBand[k] * in[at[k] + c];
                }
                for (int c = 0; c < 3; ++c)
                    out[3 * i + c] = Clamp8(v[c]);
            }
        }
    });
    return half;
}

const Bitmap* PicturePyramid::Level(const Bitmap& base, int level) {
    if (level < 1 || base.IsEmpty())
        return level == 0 && !base.IsEmpty() ? &base : nullptr;
    while (Made() < level) {
        const Bitmap& above = levels_.empty() ? base : levels_.back();
        if (above.Width <= 1 && above.Height <= 1)
            return nullptr;
        Bitmap next = HalvePicture(above);
        if (next.IsEmpty())
            return nullptr;
        levels_.push_back(std::move(next));
    }
    return &levels_[static_cast<std::size_t>(level - 1)];
}

} // namespace imaging
