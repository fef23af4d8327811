// The road from the device layer to drives: finds the drives it can reach and carries one
// RequestBlock at a time to one of them. Two roads exist: SG_IO to the system's optical drives
// (SgIoTransport) and virtual recorders kept in image files (VirtualTransport).
#pragma once

#include "base/Result.h"
#include "disc/RequestBlock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace disc {

inline constexpr std::size_t kInquiryCacheSize = 36;

// A drive a transport found: its address, its device name (/dev/sr0, or a virtual recorder's
// image path) and the standard 36 bytes of its INQUIRY data.
struct DriveInfo {
    DriveAddress address;
    std::string device;
    std::array<std::uint8_t, kInquiryCacheSize> inquiry{};

    std::uint8_t PeripheralType() const { return inquiry[0] & 0x1F; }
    // The fixed-width identification fields as the drive stores them (blank-padded).
    std::string Vendor() const;   // 8 characters
    std::string Product() const;  // 16 characters
    std::string Revision() const; // 4 characters
    // Builds INQUIRY data of the given peripheral type from the three identification strings
    // (each padded with blanks or cut to its width).
    static std::array<std::uint8_t, kInquiryCacheSize> MakeInquiry(std::uint8_t type,
                                                                   std::string_view vendor,
                                                                   std::string_view product,
                                                                   std::string_view revision);
};

class Transport {
public:
    Transport() = default;
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;
    virtual ~Transport() = default;

    // A short name of the road ("SG_IO", "VIRTUAL").
    virtual std::string Name() const = 0;
    // Brings the transport up: finds its drives. Fails with a message when the transport cannot
    // work at all; finding no drive is not a failure.
    virtual base::Status Init() = 0;
    virtual const std::vector<DriveInfo>& Drives() const = 0;
    // Executes the block on the drive at block.address and returns block.status. A command that
    // reaches no drive ends with kNoDevice (or kInvalidRequest with a transportMessage), never
    // with kPending.
    virtual std::uint8_t Send(RequestBlock& block) = 0;
    // Closes every open handle, forgets the drives and runs Init() again.
    virtual base::Status Reset() = 0;
    // Whether the user may send commands to the drive; the failure names the device and the
    // group that grants access.
    virtual base::Status CheckAccess(const DriveInfo& drive) {
        return drive.device.empty() ? base::Fail("no device") : base::Status();
    }
    // Holds the drive for this process alone while a disc is written (no other program may open
    // it meanwhile), or lets it go again.
    virtual base::Status SetExclusive(const DriveAddress& address, bool exclusive) {
        (void)address;
        (void)exclusive;
        return {};
    }

    // What a person calls the drive: its vendor and model ("HL-DT-ST DVDRAM GH24NSD1").
    virtual std::string Title(const DriveInfo& drive) const;

    // High byte 01h and the number of host adapters (one above the highest host number) when
    // drives exist; E800h (no adapters) otherwise.
    std::uint16_t SupportInfo() const;
    // The drive at an address, or nullptr.
    const DriveInfo* Find(const DriveAddress& address) const;
};

} // namespace disc
