// Sectors read from the disc in the selected recorder, so that a new session can take over the
// tree of the newest one and a finished write can be read back.
#pragma once

#include "disc/iso/SectorSource.h"
#include "disc/scsi/ScsiDevice.h"

namespace disc {

class DriveSectorSource final : public SectorSource {
public:
    // sectors: how far reads may reach (the recorded part of the disc).
    DriveSectorSource(ScsiDevice& device, std::uint32_t sectors)
        : device_(device), sectors_(sectors) {}

    base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) override;
    // From the session information of the table of contents; 0 on overwritable media, whose
    // one session grows in place.
    base::Result<std::uint32_t> LastSessionStart() override;
    std::uint32_t SectorCount() const override { return sectors_; }

private:
    ScsiDevice& device_;
    std::uint32_t sectors_;
};

} // namespace disc
