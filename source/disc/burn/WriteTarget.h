// Where the write queue's blocks go: WRITE (10) to the selected recorder, with the waits a busy
// drive needs. (Image files are written by iso/IsoImageFile.)
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/scsi/ScsiDevice.h"

#include <cstdint>
#include <span>

namespace disc {

class WriteTarget {
public:
    virtual ~WriteTarget() = default;
    // Writes whole sectors at lba.
    virtual base::Status Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                               base::Progress& progress) = 0;
};

class DriveTarget final : public WriteTarget {
public:
    DriveTarget(ScsiDevice& device, int mediaType) : device_(device), mediaType_(mediaType) {}
    // A busy or becoming-ready drive is asked again 600 ms later (for a minute at most).
    base::Status Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                       base::Progress& progress) override;

private:
    ScsiDevice& device_;
    int mediaType_;
};

} // namespace disc
