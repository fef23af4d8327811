// Which medium is in the selected recorder and in what state: the media type from the current
// profile (with the older fallbacks), the disc state record, the session count, whether the
// disc can be erased, and the wait until the drive is ready.
#pragma once

#include "disc/scsi/ScsiDevice.h"

#include <cstdint>
#include <string>

namespace disc {

namespace media_type {
inline constexpr int kUnknown = 0;
inline constexpr int kCdRom = 1;
inline constexpr int kCdR = 2;
inline constexpr int kCdRw = 3;
inline constexpr int kDvdRom = 4;
inline constexpr int kDvdR = 5;
inline constexpr int kDvdRam = 6;
inline constexpr int kDvdRw = 7; // never produced; kept for the numbering
inline constexpr int kDvdRwRestricted = 8;
inline constexpr int kDvdRwSequential = 9;
inline constexpr int kDvdPlusRw = 10;
inline constexpr int kDvdPlusR = 11;
inline constexpr int kDdCdRom = 12;
inline constexpr int kDdCdR = 13;
inline constexpr int kDdCdRw = 14;
} // namespace media_type

// "UNKNOWN", "CD-ROM", ... "DDCD-RW"; "UNKNOWN" outside 0..14.
const char* MediaName(int type);
// The media type of a GET CONFIGURATION profile; 0 for an unknown profile.
int MediaTypeOfProfile(std::uint16_t profile);
// The profile's long name ("DVD-RW Sequential Recording"...); "???????" for an unknown one.
const char* ProfileName(std::uint16_t profile);

// Disc status values.
namespace disc_status {
inline constexpr std::uint8_t kBlank = 0;
inline constexpr std::uint8_t kAppendable = 1;
inline constexpr std::uint8_t kComplete = 2;
inline constexpr std::uint8_t kOther = 3;
} // namespace disc_status

struct DiscState {
    bool present = false;
    std::uint32_t capacity = 0;     // blocks
    std::uint32_t firstAddress = 0; // next writable address, or the last block
    std::uint32_t blockSize = 0;
    std::uint8_t firstSession = 0;
    std::uint8_t lastSession = 0;
    std::uint8_t discStatus = 0;
    std::uint16_t profile = 0;
    std::string mediaName;
    bool erasable = false;
    std::uint32_t freeBlocks = 0; // blocks still writable (0 when unknown or closed)
    bool overwritable = false;    // DVD+RW, DVD-RAM, restricted-overwrite DVD-RW

    // "blank", "appendable", "closed", or "overwritable" for formatted overwritable media.
    std::string StatusText() const;
};

int GetMediaType(ScsiDevice& device);
DiscState ReadDiscState(ScsiDevice& device);
int SessionCount(ScsiDevice& device);
bool IsErasable(ScsiDevice& device);
// Polls until the drive is ready; fails when budgetMs runs out or the drive reports a
// condition that waiting does not cure (no medium, a hardware error...), with the drive's own
// account of it. Only BUSY and the becoming-ready states (04h/01h, 04h/04h, 04h/07h, 04h/08h)
// are waited on.
base::Status WaitReady(ScsiDevice& device, std::int64_t budgetMs, std::int64_t stepMs);

} // namespace disc
