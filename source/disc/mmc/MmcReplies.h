// Readers of the replies drives send to MMC commands. Every reader checks the length the drive
// really returned before it reads a field and refuses a reply too short for what it needs.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace disc {

using Reply = std::span<const std::uint8_t>;

// READ DISC INFORMATION.
struct DiscInformation {
    std::uint8_t discStatus = 0;       // 0 empty, 1 appendable, 2 complete, 3 other
    std::uint8_t lastSessionState = 0; // 0 empty, 1 incomplete, 3 complete
    bool erasable = false;
    std::uint16_t sessions = 0;
    std::uint16_t firstTrack = 0;
    std::uint16_t firstTrackInLastSession = 0;
    std::uint16_t lastTrackInLastSession = 0;
    std::uint8_t backgroundFormat = 0;
};
base::Result<DiscInformation> ParseDiscInformation(Reply reply);

// READ TRACK INFORMATION.
struct TrackInformation {
    std::uint16_t track = 0;
    std::uint16_t session = 0;
    std::uint8_t trackMode = 0;
    std::uint8_t dataMode = 0;
    bool reserved = false;
    bool blank = false;
    bool packet = false;
    bool fixedPacket = false;
    bool nextWritableValid = false;
    bool lastRecordedValid = false;
    std::uint32_t start = 0;
    std::uint32_t nextWritable = 0;
    std::uint32_t freeBlocks = 0;
    std::uint32_t fixedPacketSize = 0;
    std::uint32_t size = 0;
    std::uint32_t lastRecorded = 0;
};
base::Result<TrackInformation> ParseTrackInformation(Reply reply);

// READ TOC format 0.
struct TocEntry {
    std::uint8_t track = 0; // AAh for the lead-out
    std::uint8_t control = 0;
    std::uint32_t address = 0; // block address (MSF replies are converted, less 150)
};
struct Toc {
    std::uint8_t firstTrack = 0;
    std::uint8_t lastTrack = 0;
    std::vector<TocEntry> entries;
    std::optional<std::uint32_t> LeadOut() const;
};
base::Result<Toc> ParseToc(Reply reply, bool msf);

// READ TOC format 1.
struct SessionInformation {
    std::uint8_t firstSession = 0;
    std::uint8_t lastSession = 0;
    std::uint8_t firstTrackInLastSession = 0;
    std::uint32_t startOfLastSession = 0;
};
base::Result<SessionInformation> ParseSessionInformation(Reply reply);

// READ TOC format 4 (ATIP), asked in MSF form.
struct Atip {
    bool recordable = false;        // byte 6 bit 7
    bool rewritable = false;        // byte 6 bit 6
    std::uint32_t leadInStart = 0;  // (minute * 60 + second) * 75 + frame
    std::uint32_t leadOutStart = 0; // the same form: the disc's capacity
};
base::Result<Atip> ParseAtip(Reply reply);

// READ FORMAT CAPACITIES.
struct CapacityDescriptor {
    std::uint32_t blocks = 0;
    std::uint8_t typeByte = 0;   // byte 4: the descriptor type or format type << 2
    std::uint32_t parameter = 0; // bytes 5-7
    std::uint32_t Word() const { return (std::uint32_t{typeByte} << 24) | parameter; }
};
struct FormatCapacities {
    CapacityDescriptor current; // current/maximum descriptor
    std::vector<CapacityDescriptor> formattable;
    // Blocks of 2048 bytes: the current/maximum figure when its word is 00000800h, else the
    // first formattable one when its word is 00000800h or 98000000h (DVD+RW), else the second
    // when its word is 00000800h, else the current/maximum figure.
    std::uint32_t SelectedBlocks() const;
};
base::Result<FormatCapacities> ParseFormatCapacities(Reply reply);

// GET CONFIGURATION: the current profile and the first feature descriptor.
struct Configuration {
    std::uint16_t currentProfile = 0;
    std::optional<std::uint16_t> feature;
    bool featureCurrent = false;
    std::vector<std::uint16_t> profiles; // when the first feature is the profile list
};
base::Result<Configuration> ParseConfiguration(Reply reply);

// MODE SENSE (10): where page `page` starts in the reply. The block descriptor length of the
// header is honoured first; drives that put the page at byte 16, 8 or 7 are also understood.
base::Result<std::size_t> LocateModePage(Reply reply, std::uint8_t page);

// The capabilities page 2Ah (bytes counted from the page code).
struct CapabilitiesPage {
    std::uint32_t bits = 0; // the capability namespace bits from bytes 2 to 4
    std::uint16_t maxReadSpeed = 0;
    std::uint16_t bufferKB = 0;
    std::uint16_t readSpeed = 0;
    std::uint16_t maxWriteSpeed = 0;
    std::uint16_t writeSpeed = 0;
};
base::Result<CapabilitiesPage> ParseCapabilitiesPage(Reply page);

struct BufferCapacity {
    std::uint32_t size = 0;
    std::uint32_t free = 0; // FFFFFFFFh counts as the whole buffer
};
base::Result<BufferCapacity> ParseBufferCapacity(Reply reply);

struct Capacity {
    std::uint32_t lastBlock = 0;
    std::uint32_t blockLength = 0;
};
base::Result<Capacity> ParseReadCapacity(Reply reply);

// A CD time as a block count: (minute * 60 + second) * 75 + frame.
inline std::uint32_t MsfBlocks(std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return (std::uint32_t{m} * 60 + s) * 75 + f;
}

} // namespace disc
