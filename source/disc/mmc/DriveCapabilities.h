// What the selected recorder can do and how fast: the capabilities page 2Ah and the DVD
// features read into the device's DriveCapabilities, the speed setting, the write modes the
// drive accepts, and the speed texts of the log.
#pragma once

#include "disc/scsi/ScsiDevice.h"

#include <cstdint>
#include <string>

namespace disc {

namespace capability {
inline constexpr std::uint32_t kCdRRead = 0x1;
inline constexpr std::uint32_t kCdRwRead = 0x2;
inline constexpr std::uint32_t kMethod2 = 0x4;
inline constexpr std::uint32_t kDvdRomRead = 0x8;
inline constexpr std::uint32_t kDvdRRead = 0x10;
inline constexpr std::uint32_t kDvdRwRead = 0x20;
inline constexpr std::uint32_t kDvdRamRead = 0x40;
inline constexpr std::uint32_t kDvdPlusRRead = 0x80;
inline constexpr std::uint32_t kDvdPlusRwRead = 0x100;
inline constexpr std::uint32_t kCdRWrite = 0x200;
inline constexpr std::uint32_t kCdRwWrite = 0x400;
inline constexpr std::uint32_t kTestWrite = 0x800;
inline constexpr std::uint32_t kDvdRWrite = 0x1000;
inline constexpr std::uint32_t kDvdRwWrite = 0x2000;
inline constexpr std::uint32_t kDvdRamWrite = 0x4000;
inline constexpr std::uint32_t kDvdPlusRWrite = 0x8000;
inline constexpr std::uint32_t kDvdPlusRwWrite = 0x10000;
inline constexpr std::uint32_t kUnderrunProtection = 0x40000;
} // namespace capability

// One write speed step of DVD media in KB/s, and of CD media.
inline constexpr std::uint32_t kDvdSpeedUnit = 1385;
inline constexpr double kCdSpeedUnit = 176.4;

// Fills the device's capabilities and speeds; fails (speeds 0) when the drive does not answer
// the current-values page.
base::Status ReadCapabilities(ScsiDevice& device);
// SET CD SPEED with both speeds in KB/s (0: the fastest).
base::Status SetSpeeds(ScsiDevice& device, std::uint16_t readKBps, std::uint16_t writeKBps);
// Sets the write speed keeping the current read speed, and remembers it.
base::Status SetWriteSpeed(ScsiDevice& device, std::uint16_t writeKBps);
// Tries raw, session-at-once and track-at-once in the write parameters page; the write_mode
// bits of those the drive accepted.
std::uint8_t ProbeWriteModes(ScsiDevice& device);
// "16.0X (22,160 KB/s)" for DVD media types (5 to 11), "48X (8,467 KB/s)" for the others.
std::string SpeedText(int mediaType, std::uint32_t kbps);

} // namespace disc
