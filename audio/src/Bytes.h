// Byte-order helpers for the file formats the library reads itself (MP3 frame headers, ID3,
// Ogg pages, RIFF). Callers check that the bytes exist before calling.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bass {

inline std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}
inline std::uint16_t Be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t Le32(const std::uint8_t* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           std::uint32_t{p[0]};
}
inline std::uint64_t Le64(const std::uint8_t* p) {
    return (std::uint64_t{Le32(p + 4)} << 32) | Le32(p);
}
// A 28-bit "sync-safe" number: four bytes of seven bits each, most significant first. Returns
// false when a byte has its top bit set.
inline bool SyncSafe32(const std::uint8_t* p, std::uint32_t* out) {
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80)
        return false;
    *out = (std::uint32_t{p[0]} << 21) | (std::uint32_t{p[1]} << 14) | (std::uint32_t{p[2]} << 7) |
           std::uint32_t{p[3]};
    return true;
}

} // namespace bass
