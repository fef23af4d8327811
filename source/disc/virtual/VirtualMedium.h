// The disc inside a virtual recorder: its kind, its tracks and sessions, and the rules by which
// a real drive of that kind lets it be written, closed, formatted and blanked. Its state is
// kept as a small text file beside the disc image so the disc survives between runs.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace disc {

// What a drive answers when it refuses: sense key, ASC and ASCQ. All zero means accepted.
struct SenseCode {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    bool Failed() const { return key != 0 || asc != 0; }
};

struct VirtualTrack {
    std::uint32_t start = 0;
    std::uint32_t written = 0;  // blocks recorded from start (overwritable media: extent)
    std::uint32_t reserved = 0; // size fixed by RESERVE TRACK, 0 when none
    std::uint32_t size = 0;     // size once closed
    bool closed = false;
    std::uint16_t session = 1;

    std::uint64_t End() const { return std::uint64_t{start} + (closed ? size : written); }
};

class VirtualMedium {
public:
    enum class Kind { CdR, CdRw, DvdR, DvdRw, DvdPlusR, DvdPlusRw, DvdRam };

    // "cd-r", "cd-rw", "dvd-r", "dvd-rw", "dvd+r", "dvd+rw", "dvd-ram".
    static std::optional<Kind> KindFromName(std::string_view name);
    static const char* KindName(Kind kind);

    // A blank disc of the kind (DVD-RAM comes formatted, as it is sold).
    explicit VirtualMedium(Kind kind);

    Kind GetKind() const { return kind_; }
    // The current MMC profile (a formatted DVD-RW is restricted overwrite, 13h).
    std::uint16_t Profile() const;
    bool IsCd() const { return kind_ == Kind::CdR || kind_ == Kind::CdRw; }
    bool Sequential() const;
    bool Erasable() const;
    bool Formatted() const { return formatted_; }
    bool Finalized() const { return finalized_; }
    std::uint32_t Capacity() const;
    // Blocks between a session's lead-out start and the next session's first track: what the
    // lead-out, the next lead-in and the pre-gap take on this kind of disc.
    std::uint32_t SessionGap(bool afterFirstSession) const;

    const std::vector<VirtualTrack>& Tracks() const { return tracks_; }
    const std::vector<std::uint32_t>& LeadOuts() const { return leadOuts_; }
    std::uint16_t ClosedSessions() const { return static_cast<std::uint16_t>(leadOuts_.size()); }
    std::uint16_t OpenSession() const { return static_cast<std::uint16_t>(leadOuts_.size() + 1); }
    // Index of the track being written, if any.
    std::optional<std::size_t> OpenTrack() const;
    // Where the next track of the open session would start.
    std::uint32_t NextTrackStart() const;
    // The next writable address: in the open track, else where a new track would start.
    std::uint32_t NextWritable() const;
    // READ DISC INFORMATION fields.
    std::uint8_t DiscStatus() const;
    std::uint8_t LastSessionState() const;
    std::uint16_t SessionsReported() const;
    // Blocks a read may reach: recorded data on sequential media, the formatted area else.
    bool Readable(std::uint32_t lba, std::uint32_t count) const;
    // The last recorded block, or nothing when nothing is recorded.
    std::optional<std::uint32_t> LastRecorded() const;

    SenseCode CheckWrite(std::uint32_t lba, std::uint32_t count) const;
    void CommitWrite(std::uint32_t lba, std::uint32_t count);
    SenseCode Reserve(std::uint32_t blocks);
    SenseCode CloseTrack();
    // Closes the open session; finalize leaves no room for another one.
    SenseCode CloseSession(bool finalize);
    // FORMAT UNIT with a format type (26h DVD+RW, 00h or 15h DVD-RW, 00h or 01h DVD-RAM).
    SenseCode Format(std::uint8_t formatType);
    SenseCode Blank();

    std::string Serialize() const;
    // Reads a state file; refuses anything inconsistent (tracks out of order or beyond the
    // capacity, impossible sessions) so the rules above never meet a broken disc.
    static base::Result<VirtualMedium> Parse(std::string_view text);

private:
    void MakeFormattedTrack();

    Kind kind_;
    bool formatted_ = false;
    bool finalized_ = false;
    std::vector<VirtualTrack> tracks_;
    std::vector<std::uint32_t> leadOuts_; // lead-out start of each closed session
};

} // namespace disc
