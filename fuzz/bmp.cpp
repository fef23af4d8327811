// libFuzzer harness for the BMP reader: any input must be decoded or refused with an error, never
// crash, read out of bounds or allocate beyond what the (lowered) limits allow.
#include "imaging/BmpFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::BmpReadLimits limits;
    limits.MaxSide = 4096;
    limits.MaxPixels = 4'000'000; // keeps each run fast; the real limit is only a larger number
    const auto decoded = imaging::DecodeBmp(data, size, limits);
    if (decoded) {
        const imaging::Bitmap& out = *decoded;
        // Touch every decoded row so out-of-range row pointers would show.
        volatile std::uint8_t sink = 0;
        for (int y = 0; y < out.Height; ++y)
            sink = sink ^ out.Row(y)[0] ^ out.Row(y)[out.Width * 3 - 1];
        // What we decode we can write and read back.
        const auto bytes = imaging::EncodeBmp(out);
        if (!imaging::DecodeBmp(bytes.data(), bytes.size(), limits))
            __builtin_trap();
    } else if (decoded.error().empty()) {
        __builtin_trap();
    }
    return 0;
}
