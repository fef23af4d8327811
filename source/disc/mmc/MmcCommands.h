// Thin wrappers of single MMC commands on the selected drive of a ScsiDevice: each builds the
// command block (multi-byte fields big-endian), executes it with its timeout and succeeds when
// the drive completed it; a failure carries the device's text of it (also in LastError). Reply
// buffers are zeroed before the command; `Transferred()` tells how many bytes came back.
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

    base::Status TestUnitReady(std::uint32_t timeoutMs = 5000);
    // REZERO UNIT: moves the head to the start, which some drives need after a write or blank
    // before they report the new disc layout.
    base::Status Rezero();
    base::Status RequestSense(std::span<std::uint8_t> reply); // 40 bytes asked
    // FORMAT UNIT with a 12-byte format list (header and one descriptor).
    base::Status FormatUnit(std::span<const std::uint8_t> list);
    base::Status Inquiry(std::span<std::uint8_t> reply); // 128 bytes asked
    base::Status Eject();
    base::Status Load();
    base::Status PreventRemoval(bool prevent);
    base::Status ReadFormatCapacities(std::span<std::uint8_t> reply); // 248 bytes asked
    base::Status ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength);
    // Reads `blocks` data sectors of 2048 bytes from lba into out (at least blocks * 2048).
    base::Status Read10(std::uint32_t lba, std::uint16_t blocks, std::span<std::uint8_t> out);
    // Writes `blocks` sectors from data (exactly blocks * 2048 bytes).
    base::Status Write10(std::uint32_t lba, std::uint16_t blocks,
                         std::span<const std::uint8_t> data);
    base::Status SynchronizeCache(bool immediate, std::uint32_t timeoutMs);
    // READ TOC/PMA/ATIP: format 0 TOC, 1 session information, 4 ATIP.
    base::Status ReadToc(std::uint8_t format, bool msf, std::uint8_t trackOrSession,
                         std::span<std::uint8_t> reply);
    // GET CONFIGURATION of one feature (request type 2).
    base::Status GetConfiguration(std::uint16_t feature, std::span<std::uint8_t> reply);
    base::Status ReadDiscInformation(std::span<std::uint8_t> reply); // 56 bytes asked
    // Track number addressing; FFh is the invisible track of a CD.
    base::Status ReadTrackInformation(std::uint32_t track,
                                      std::span<std::uint8_t> reply); // 40 asked
    base::Status ReserveTrack(std::uint32_t blocks);
    base::Status SendOpcInformation();
    base::Status ModeSelect10(std::span<const std::uint8_t> list);
    // The reply is copied to `reply` only when the command succeeded.
    base::Status ModeSense10(std::uint8_t page, bool defaults, std::span<std::uint8_t> reply);
    base::Status CloseTrackSession(bool immediate, std::uint8_t function, std::uint16_t track);
    // Fills the device's buffer sizes; a failure sets the free size to 0.
    base::Status ReadBufferCapacity();
    base::Status Blank(std::uint8_t type, bool immediate = true);
    base::Status SetStreaming(std::span<const std::uint8_t> descriptor);
    // Speeds in KB/s; 0 asks for the maximum (sent as FFFFh).
    base::Status SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps);
    base::Status SendDvdStructure(std::uint8_t format, std::span<const std::uint8_t> data);

    // Bytes the last command really moved.
    std::uint32_t Transferred() const { return transferred_; }
    ScsiDevice& Device() { return device_; }

private:
    base::Status Run(RequestBlock& block, std::uint32_t timeoutMs);

    ScsiDevice& device_;
    std::uint32_t transferred_ = 0;
};

} // namespace disc
