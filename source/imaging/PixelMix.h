// The mix of two runs of bytes by one weight, the inner loop of moving pictures and cross-fades:
// out = (a * (256 - w) + b * w + 128) >> 8 for w in 0..256, which is a + (b - a) * w / 256
// rounded. Sixteen bytes at a time with SSE2 where the processor has it (every x86-64).
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

// n bytes; out may be a or b.
void MixBytes256(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
                 std::uint32_t w);

} // namespace imaging
