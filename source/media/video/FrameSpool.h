// FrameSpool: the compressed frames of one video, kept in an unlinked temporary file until the
// container is written. Bytes are gathered in memory and written a few megabytes at a time;
// a frame can be read back at any time, whether it already lies in the file or still waits in
// memory. The file is unlinked as soon as it is made, so it goes away on every path.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace media {

class FrameSpool {
public:
    // Where a frame's bytes lie in the spool.
    struct Place {
        std::uint64_t Offset = 0;
        std::uint32_t Size = 0;
    };

    ~FrameSpool();
    FrameSpool(const FrameSpool&) = delete;
    FrameSpool& operator=(const FrameSpool&) = delete;

    // A spool in the folder (the output's, beside which the user knows a temporary video).
    static base::Result<std::unique_ptr<FrameSpool>> Create(const std::string& folder);

    // Appends a frame's bytes.
    base::Result<Place> Append(std::span<const std::uint8_t> bytes);
    // Writes what still waits in memory.
    base::Status Flush();
    // The bytes of a frame; valid until the next call.
    base::Result<std::span<const std::uint8_t>> Read(const Place& place);

private:
    FrameSpool() = default;

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> pending_; // bytes not yet written, the spool's tail
    std::vector<std::uint8_t> readBuffer_;
    std::uint64_t readOffset_ = ~0ull;
};

} // namespace media
