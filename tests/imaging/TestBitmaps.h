// Helpers shared by the imaging tests: random bitmaps, pixel access and comparison.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace testbmp {

using imaging::Bitmap;

inline Bitmap Random(int w, int h, std::uint32_t seed) {
    Bitmap b = Bitmap::CreateSized(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

struct Px {
    std::uint8_t b, g, r;
    bool operator==(const Px&) const = default;
};

inline Px At(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

inline void Set(Bitmap& bmp, int x, int y, Px v) {
    std::uint8_t* p = bmp.Row(y) + x * 3;
    p[0] = v.b;
    p[1] = v.g;
    p[2] = v.r;
}

// Empty string when equal, else where they first differ.
inline std::string Diff(const Bitmap& a, const Bitmap& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return "size " + std::to_string(a.Width) + "x" + std::to_string(a.Height) + " vs " +
               std::to_string(b.Width) + "x" + std::to_string(b.Height);
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width * 3; ++x)
            if (a.Row(y)[x] != b.Row(y)[x])
                return "byte " + std::to_string(x) + " of row " + std::to_string(y) + ": " +
                       std::to_string(a.Row(y)[x]) + " vs " + std::to_string(b.Row(y)[x]);
    return {};
}

} // namespace testbmp
