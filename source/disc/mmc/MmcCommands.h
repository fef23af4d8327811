// Thin wrappers of single MMC commands on the selected drive of a ScsiDevice: each builds the
// command block (multi-byte fields big-endian), executes it with its timeout and succeeds when
// the drive completed it; a failure carries the device's text of it and the drive's sense
// (ScsiReply). Reply buffers are zeroed before the command; `Transferred()` tells how many bytes
// came back.
#pragma once

#include "disc/scsi/ScsiDevice.h"

#include <array>
#include <cstdint>
#include <span>

namespace disc {

inline constexpr std::uint32_t kSectorSize = 2048;

// CLOSE TRACK/SESSION close functions.
// FORMAT UNIT parameter list of a quick full format of DVD+RW (format type 26h).
inline constexpr std::array<std::uint8_t, 12> kFormatPlusRw{0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                                            0x05, 0x40, 0x98, 0x00, 0x00, 0x00};

namespace close_function {
inline constexpr std::uint8_t kTrack = 1;
inline constexpr std::uint8_t kSession = 2;
inline constexpr std::uint8_t kPlusRwFormat = 3;    // DVD+RW: finish the format (track FFh)
inline constexpr std::uint8_t kFinalizeMinimal = 5; // DVD+R: finalize with minimal radius
inline constexpr std::uint8_t kFinalize = 6;        // DVD+R: finalize the disc
} // namespace close_function

// BLANK blanking types.
namespace blank_type {
inline constexpr std::uint8_t kFull = 0;
inline constexpr std::uint8_t kMinimal = 1;
} // namespace blank_type

class MmcCommands {
public:
    explicit MmcCommands(ScsiDevice& device) : device_(device) {}

    ScsiReply TestUnitReady(std::uint32_t timeoutMs = 5000);
    // REZERO UNIT: moves the head to the start, which some drives need after a write or blank
    // before they report the new disc layout.
    ScsiReply Rezero();
    ScsiReply RequestSense(std::span<std::uint8_t> reply); // 40 bytes asked
    // FORMAT UNIT with a 12-byte format list (header and one descriptor).
    ScsiReply FormatUnit(std::span<const std::uint8_t> list);
    ScsiReply Inquiry(std::span<std::uint8_t> reply); // 128 bytes asked
    ScsiReply Eject();
    ScsiReply Load();
    ScsiReply PreventRemoval(bool prevent);
    ScsiReply ReadFormatCapacities(std::span<std::uint8_t> reply); // 248 bytes asked
    ScsiReply ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength);
    // Reads `blocks` data sectors of 2048 bytes from lba into out (at least blocks * 2048).
    ScsiReply Read10(std::uint32_t lba, std::uint16_t blocks, std::span<std::uint8_t> out);
    // Writes `blocks` sectors from data (exactly blocks * 2048 bytes).
    ScsiReply Write10(std::uint32_t lba, std::uint16_t blocks, std::span<const std::uint8_t> data);
    ScsiReply SynchronizeCache(bool immediate, std::uint32_t timeoutMs);
    // READ TOC/PMA/ATIP: format 0 TOC, 1 session information, 4 ATIP.
    ScsiReply ReadToc(std::uint8_t format, bool msf, std::uint8_t trackOrSession,
                      std::span<std::uint8_t> reply);
    // GET CONFIGURATION of one feature (request type 2).
    ScsiReply GetConfiguration(std::uint16_t feature, std::span<std::uint8_t> reply);
    ScsiReply ReadDiscInformation(std::span<std::uint8_t> reply); // 56 bytes asked
    // Track number addressing; FFh is the invisible track of a CD.
    ScsiReply ReadTrackInformation(std::uint32_t track,
                                   std::span<std::uint8_t> reply); // 40 asked
    ScsiReply ReserveTrack(std::uint32_t blocks);
    ScsiReply SendOpcInformation();
    ScsiReply ModeSelect10(std::span<const std::uint8_t> list);
    // The reply is copied to `reply` only when the command succeeded.
    ScsiReply ModeSense10(std::uint8_t page, bool defaults, std::span<std::uint8_t> reply);
    ScsiReply CloseTrackSession(bool immediate, std::uint8_t function, std::uint16_t track);
    // Fills the device's buffer sizes; a failure sets the free size to 0.
    ScsiReply ReadBufferCapacity();
    ScsiReply Blank(std::uint8_t type, bool immediate = true);
    ScsiReply SetStreaming(std::span<const std::uint8_t> descriptor);
    // Speeds in KB/s; 0 asks for the maximum (sent as FFFFh).
    ScsiReply SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps);
    ScsiReply SendDvdStructure(std::uint8_t format, std::span<const std::uint8_t> data);

    // Bytes the last command really moved.
    std::uint32_t Transferred() const { return transferred_; }
    ScsiDevice& Device() { return device_; }

private:
    ScsiReply Run(RequestBlock& block, std::uint32_t timeoutMs);

    ScsiDevice& device_;
    std::uint32_t transferred_ = 0;
};

} // namespace disc
