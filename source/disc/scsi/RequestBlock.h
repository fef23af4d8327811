// One SCSI command on its way to a drive and back: where it goes, the command block, the data
// buffer and its direction, and what came back (status, host and target status, sense bytes and
// the number of bytes really moved). Every transport fills it the same way, so the device layer
// reads one set of status codes whatever carried the command.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace disc {

// A drive's full SCSI address. Linux host numbers of 10 and more are common, so no field is
// read as a single digit.
struct DriveAddress {
    std::uint32_t host = 0;
    std::uint32_t channel = 0;
    std::uint32_t target = 0;
    std::uint32_t lun = 0;

    // "host:channel:target:lun" in decimal.
    std::string Text() const;
    // Reads "h:c:t:l" (four decimal numbers, nothing else); nullopt for anything else.
    static std::optional<DriveAddress> Parse(std::string_view text);
    bool operator==(const DriveAddress&) const = default;
};

enum class DataDirection : std::uint8_t { None, In, Out };

// The request status byte. The numbering is the traditional one of the host-adapter request
// block, so the texts and the first-failure report keep their familiar codes.
namespace request_status {
inline constexpr std::uint8_t kPending = 0x00;
inline constexpr std::uint8_t kDone = 0x01;
inline constexpr std::uint8_t kAborted = 0x02;
inline constexpr std::uint8_t kAbortFailed = 0x03;
inline constexpr std::uint8_t kError = 0x04;
inline constexpr std::uint8_t kInvalidRequest = 0x80;
inline constexpr std::uint8_t kInvalidHost = 0x81;
inline constexpr std::uint8_t kNoDevice = 0x82;
inline constexpr std::uint8_t kInvalidBlock = 0xE0;
inline constexpr std::uint8_t kBufferAlignment = 0xE1;
inline constexpr std::uint8_t kBusy = 0xE5;
inline constexpr std::uint8_t kBufferTooBig = 0xE6;
} // namespace request_status

// Host-adapter status (meaningful with request status kError).
namespace host_status {
inline constexpr std::uint8_t kOk = 0x00;
inline constexpr std::uint8_t kCommandTimeout = 0x09;
inline constexpr std::uint8_t kRequestTimeout = 0x0B;
inline constexpr std::uint8_t kMessageReject = 0x0D;
inline constexpr std::uint8_t kBusReset = 0x0E;
inline constexpr std::uint8_t kParityError = 0x0F;
inline constexpr std::uint8_t kRequestSenseFailed = 0x10;
inline constexpr std::uint8_t kSelectionTimeout = 0x11;
inline constexpr std::uint8_t kDataOverrun = 0x12;
inline constexpr std::uint8_t kUnexpectedBusFree = 0x13;
} // namespace host_status

// SCSI target status.
namespace target_status {
inline constexpr std::uint8_t kGood = 0x00;
inline constexpr std::uint8_t kCheckCondition = 0x02;
inline constexpr std::uint8_t kBusy = 0x08;
inline constexpr std::uint8_t kReservationConflict = 0x18;
inline constexpr std::uint8_t kQueueFull = 0x28;
} // namespace target_status

inline constexpr std::size_t kCommandBlockCapacity = 16;
inline constexpr std::size_t kSenseCapacity = 32;

struct RequestBlock {
    // Filled by the device layer from the selected drive.
    DriveAddress address;

    std::array<std::uint8_t, kCommandBlockCapacity> cdb{};
    std::uint8_t cdbLength = 0; // 6, 10, 12 or 16

    DataDirection direction = DataDirection::None;
    std::uint8_t* data = nullptr; // caller's buffer, dataLength bytes
    std::uint32_t dataLength = 0;
    std::uint32_t timeoutMs = 10000;
    // Close the drive's handle after this command (eject, load, allowing removal).
    bool closeAfter = false;

    // What came back.
    std::uint8_t status = request_status::kPending;
    std::uint8_t hostStatus = host_status::kOk;
    std::uint8_t targetStatus = target_status::kGood;
    std::array<std::uint8_t, kSenseCapacity> sense{};
    std::uint8_t senseLength = 0;  // sense bytes the target returned
    std::uint32_t transferred = 0; // data bytes really moved (dataLength less the residue)
    // A transport's own explanation when the command never reached the drive (no permission,
    // device gone); empty otherwise.
    std::string transportMessage;

    // A block for an n-byte command whose first byte is opcode; the other bytes are zero.
    static RequestBlock Command(std::uint8_t opcode, std::uint8_t length);
    std::uint8_t Opcode() const { return cdb[0]; }
    bool Succeeded() const { return status == request_status::kDone; }
    void SetDataIn(std::uint8_t* buffer, std::uint32_t length);
    void SetDataOut(const std::uint8_t* buffer, std::uint32_t length);
    // Marks the block as failed with CHECK CONDITION and the given fixed-format sense.
    void SetCheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
    // Resets what came back, keeping the request itself.
    void ClearResult();
};

} // namespace disc
