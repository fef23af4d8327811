// Pixel work done 64 bytes at a time with AVX-512 VBMI byte permutes (channel look-up tables,
// reversed pixel order), on the processors that have them; the callers keep their portable paths
// for the others.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

// True when this processor runs the functions below.
bool HaveVbmi();

// Maps n bytes at p through three 256-byte tables: byte i through tables[i % 3] (blue, green,
// red of 24-bit pixels). Only call when HaveVbmi().
void ApplyChannelTablesVbmi(std::uint8_t* p, std::size_t n, const std::uint8_t* const tables[3]);

// Writes the pixels (3 bytes each) of src to dst in reverse order: dst pixel k = src pixel
// count-1-k. src and dst must not overlap. Only call when HaveVbmi().
void ReversePixelsVbmi(const std::uint8_t* src, std::uint8_t* dst, std::size_t count);

} // namespace imaging
