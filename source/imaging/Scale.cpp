// Bitmap scaling, filling and drawing, and the fitting rule FitSize.
#include "imaging/Bitmap.h"

#include "base/ThreadPool.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// Round to nearest, ties to even (the processor's default rounding mode).
inline std::int64_t RoundEven(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

} // namespace

ImageSize FitSize(std::int32_t srcW, std::int32_t srcH, std::int32_t boxW, std::int32_t boxH) {
    if (srcW < boxW && srcH < boxH)
        return {srcW, srcH};
    if (srcW <= 0 || srcH <= 0)
        return {0, 0};
    const auto quotient = [](std::int64_t a, std::int64_t b, std::int64_t c) {
        // round(a*b / c): the product is exact, the division is correctly rounded, so a quotient
        // ending in .5 is exactly .5 and rounds to even.
        return static_cast<std::int32_t>(
            RoundEven(static_cast<double>(a * b) / static_cast<double>(c)));
    };
    if (srcH < srcW) {
        const std::int32_t h = quotient(srcH, boxW, srcW);
        if (boxH < h)
            return {quotient(srcW, boxH, srcH), boxH};
        return {boxW, h};
    }
    const std::int32_t w = quotient(srcW, boxH, srcH);
    if (boxW < w)
        return {boxW, quotient(srcH, boxW, srcW)};
    return {w, boxH};
}

QImage Bitmap::CopyToImage() const {
    return View().copy();
}

void Bitmap::Fill(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    if (IsEmpty())
        return;
    std::uint8_t* first = Row(0);
    for (std::int32_t x = 0; x < Width; ++x) {
        first[x * 3] = b;
        first[x * 3 + 1] = g;
        first[x * 3 + 2] = r;
    }
    for (std::int32_t y = 1; y < Height; ++y)
        std::memcpy(Row(y), first, static_cast<std::size_t>(Width) * 3);
}

void Bitmap::Draw(const Bitmap& src, std::int32_t x, std::int32_t y) {
    if (IsEmpty() || src.IsEmpty())
        return;
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(static_cast<std::int64_t>(x) + src.Width, Width);
    const std::int64_t y1 =
        std::min<std::int64_t>(static_cast<std::int64_t>(y) + src.Height, Height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
    for (std::int64_t row = y0; row < y1; ++row)
        std::memcpy(Row(static_cast<int>(row)) + x0 * 3,
                    src.Row(static_cast<int>(row - y)) + (x0 - x) * 3, bytes);
}

void Bitmap::ScaleNearest(Bitmap& dst) const {
    if (dst.IsEmpty() || IsEmpty())
        return;
    const float xr = static_cast<float>(dst.Width) / static_cast<float>(Width);
    const float yr = static_cast<float>(dst.Height) / static_cast<float>(Height);
    if (xr >= 1.0f && yr >= 1.0f) {
        // Enlarging both ways: widen each source row once, then repeat it downwards. The
        // products are exact in double precision (a 24-bit mantissa times a small integer).
        const std::int64_t xRepeat = RoundEven(static_cast<double>(xr) + 0.5);
        const std::int64_t yRepeat = RoundEven(static_cast<double>(yr) + 0.5);
        std::vector<std::uint8_t> scratch(static_cast<std::size_t>(dst.Width) * 3);
        for (std::int32_t i = 0; i < Height; ++i) {
            const std::uint8_t* s = Row(i);
            for (std::int32_t j = 0; j < Width; ++j) {
                const std::int64_t start =
                    static_cast<std::int64_t>(static_cast<double>(xr) * j); // trunc
                for (std::int64_t k = 0; k < xRepeat && start + k < dst.Width; ++k) {
                    std::uint8_t* d = scratch.data() + (start + k) * 3;
                    d[0] = s[j * 3];
                    d[1] = s[j * 3 + 1];
                    d[2] = s[j * 3 + 2];
                }
            }
            const std::int64_t top = static_cast<std::int64_t>(static_cast<double>(yr) * i);
            for (std::int64_t k = 0; k < yRepeat && top + k < dst.Height; ++k)
                std::memcpy(dst.Row(static_cast<int>(top + k)), scratch.data(), scratch.size());
        }
        return;
    }
    const std::int64_t xs = (static_cast<std::int64_t>(Width) << 16) / dst.Width;
    const std::int64_t ys = (static_cast<std::int64_t>(Height) << 16) / dst.Height;
    std::vector<std::int32_t> xoff(static_cast<std::size_t>(dst.Width));
    for (std::int32_t x = 0; x < dst.Width; ++x)
        xoff[static_cast<std::size_t>(x)] = static_cast<std::int32_t>(((x * xs) >> 16) * 3);
    for (std::int32_t y = 0; y < dst.Height; ++y) {
        const std::uint8_t* s = Row(static_cast<int>((y * ys) >> 16));
        std::uint8_t* d = dst.Row(y);
        const std::int32_t* off = xoff.data();
        for (std::int32_t x = 0; x < dst.Width; ++x, d += 3) {
            const std::uint8_t* p = s + off[x];
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
}

namespace {

// One destination row of the bilinear scaler: rows a and b of the source with the vertical weight
// wy, the per-column source offsets (x0*3) and horizontal weights wx.
inline void BilinearRow(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
                        std::uint32_t wy, const std::int32_t* __restrict xoff,
                        const std::uint32_t* __restrict wxs, std::uint8_t* __restrict d,
                        std::int32_t width) {
    const std::uint32_t wa = 0x8000u - wy;
    for (std::int32_t j = 0; j < width; ++j, d += 3) {
        const std::uint32_t wx = wxs[j];
        const std::uint32_t w10 = (wx * wa) >> 15;
        const std::uint32_t w00 = wa - w10;
        const std::uint32_t w11 = (wx * wy) >> 15;
        const std::uint32_t w01 = wy - w11;
        const std::uint8_t* p = a + xoff[j];
        const std::uint8_t* q = b + xoff[j];
        d[0] = static_cast<std::uint8_t>((p[0] * w00 + p[3] * w10 + q[0] * w01 + q[3] * w11) >> 15);
        d[1] = static_cast<std::uint8_t>((p[1] * w00 + p[4] * w10 + q[1] * w01 + q[4] * w11) >> 15);
        d[2] = static_cast<std::uint8_t>((p[2] * w00 + p[5] * w10 + q[2] * w01 + q[5] * w11) >> 15);
    }
}

// The same when wy = 0 (only row a counts): w10 = wx, w00 = 0x8000 - wx.
inline void BilinearRowTop(const std::uint8_t* __restrict a, const std::int32_t* __restrict xoff,
                           const std::uint32_t* __restrict wxs, std::uint8_t* __restrict d,
                           std::int32_t width) {
    for (std::int32_t j = 0; j < width; ++j, d += 3) {
        const std::uint32_t w10 = wxs[j];
        const std::uint32_t w00 = 0x8000u - w10;
        const std::uint8_t* p = a + xoff[j];
        d[0] = static_cast<std::uint8_t>((p[0] * w00 + p[3] * w10) >> 15);
        d[1] = static_cast<std::uint8_t>((p[1] * w00 + p[4] * w10) >> 15);
        d[2] = static_cast<std::uint8_t>((p[2] * w00 + p[5] * w10) >> 15);
    }
}

} // namespace

// Below this many destination pixels a second thread costs more than it saves.
constexpr std::int64_t kParallelPixels = 256 * 1024;

void Bitmap::ScaleBilinear(Bitmap& dst) const {
    if (dst.Width < 1 || dst.Height < 1 || IsEmpty())
        return;
    if (Width == 1) {
        dst.Fill(0, 0, 0);
        ScaleNearest(dst);
        return;
    }
    if (Width == dst.Width && Height == dst.Height) {
        std::memcpy(dst.Bits, Bits, static_cast<std::size_t>(ByteSize));
        return;
    }
    // Rows are independent: fy of row i is i * ys whatever order they are made in, so large
    // pictures are split between the cores with results identical to one pass.
    auto rows = [&](std::int32_t first, std::int32_t last) {
        ScaleBilinearRows(*this, dst, first, last);
    };
    const std::int64_t pixels = static_cast<std::int64_t>(dst.Width) * dst.Height;
    if (pixels >= kParallelPixels && dst.Height >= 2) {
        base::ThreadPool::Shared().ParallelFor(dst.Height, rows);
    } else {
        rows(0, dst.Height);
    }
}

std::int32_t BilinearSourceRowsNeeded(std::int32_t srcHeight, std::int32_t dstHeight,
                                      std::int32_t dstRows) {
    if (dstRows <= 0)
        return 0;
    const std::int32_t ys = ((srcHeight - 1) << 15) / dstHeight;
    // The last row made reads its top row and, unless it falls exactly on it, the one below.
    return std::min(srcHeight, (((dstRows - 1) * ys) >> 15) + 2);
}

void ScaleBilinearRows(const Bgr& src, Bgr& dst, std::int32_t first, std::int32_t last) {
    const std::int32_t xs = ((src.Width - 1) << 15) / dst.Width;
    const std::int32_t ys = ((src.Height - 1) << 15) / dst.Height;
    std::vector<std::int32_t> xoff(static_cast<std::size_t>(dst.Width));
    std::vector<std::uint32_t> wxs(static_cast<std::size_t>(dst.Width));
    std::int32_t fx = 0;
    for (std::int32_t j = 0; j < dst.Width; ++j, fx += xs) {
        xoff[static_cast<std::size_t>(j)] = (fx >> 15) * 3;
        wxs[static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(fx & 0x7FFF);
    }
    for (std::int32_t i = first; i < last; ++i) {
        const std::int32_t fy = i * ys;
        const std::int32_t y0 = fy >> 15;
        const std::uint32_t wy = static_cast<std::uint32_t>(fy & 0x7FFF);
        const std::uint8_t* a = src.Row(y0);
        if (wy == 0) {
            BilinearRowTop(a, xoff.data(), wxs.data(), dst.Row(i), dst.Width);
        } else {
            const std::uint8_t* b = src.Height > 1 ? src.Row(y0 + 1) : a;
            BilinearRow(a, b, wy, xoff.data(), wxs.data(), dst.Row(i), dst.Width);
        }
    }
}

} // namespace imaging
