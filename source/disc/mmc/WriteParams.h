// The write parameters mode page (5) as it is sent before and after a disc is written.
#pragma once

#include "disc/scsi/ScsiDevice.h"

#include <array>
#include <cstdint>

namespace disc {

struct WriteParamsOptions {
    bool testWrite = false;
    bool underrunProtection = true;
    bool finalizeDisc = false; // no further session may follow
};

inline constexpr std::size_t kWriteParamsPageBytes = 54;

// Builds page 5 for the media type from the page the drive reported (54 bytes from its page
// code). Capabilities and quirks come from the selected drive.
std::array<std::uint8_t, kWriteParamsPageBytes>
BuildWriteParamsPage(std::array<std::uint8_t, kWriteParamsPageBytes> page, int mediaType,
                     const WriteParamsOptions& options, std::uint32_t capabilityBits,
                     bool linkSizeQuirk);

// Reads page 5, adapts it and sends it with MODE SELECT (10). DVD-RAM needs none.
base::Status SendWriteParams(ScsiDevice& device, int mediaType, const WriteParamsOptions& options);

} // namespace disc
