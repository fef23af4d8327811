// Pictures the benchmarks work on: noise, so nothing about them is easy for a scaler or a cache.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <random>

namespace bench {

inline imaging::Bitmap RandomBitmap(int w, int h, unsigned seed = 12345) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

} // namespace bench
