// A session's sectors in writing order, handed out piece by piece: what the write queue reads
// from, without knowing how the sectors are made.
#pragma once

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace disc {

class SectorStream {
public:
    SectorStream() = default;
    SectorStream(const SectorStream&) = delete;
    SectorStream& operator=(const SectorStream&) = delete;
    virtual ~SectorStream() = default;

    // Everything the stream hands out in all, a multiple of 2048.
    virtual std::uint64_t TotalBytes() const = 0;
    // Fills the front of out with the next bytes: how many (0 once everything was handed out),
    // or why the stream cannot go on. One thread at a time.
    virtual base::Result<std::size_t> Read(std::span<std::uint8_t> out) = 0;
};

} // namespace disc
