#include "disc/virtual/VirtualMedium.h"

#include "disc/virtual/VirtualRecorderCodes.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace disc {

namespace {

// Sense answers shared by the rules.
constexpr SenseCode kInvalidWriteAddress{0x05, 0x21, 0x02};
constexpr SenseCode kOutOfRange{0x05, 0x21, 0x00};
constexpr SenseCode kSequenceError{0x05, 0x2C, 0x00};
constexpr SenseCode kProgramAreaEmpty{0x05, 0x2C, 0x04};
constexpr SenseCode kNotFormatted{0x05, 0x30, 0x10};
constexpr SenseCode kCannotFormat{0x05, 0x30, 0x06};
using virtual_recorder::kInvalidParameter;
constexpr SenseCode kAccepted{};

// On CD, track-at-once ends each track with two run-out blocks, and a new track of the same
// session begins after a 150-block pre-gap.
constexpr std::uint32_t kCdRunOut = 2;
constexpr std::uint32_t kCdPreGap = 150;
// 6750 lead-out + 4500 lead-in + 150 pre-gap after the first session; the later lead-outs are
// 2250 blocks.
constexpr std::uint32_t kCdFirstGap = 6750 + 4500 + 150;
constexpr std::uint32_t kCdLaterGap = 2250 + 4500 + 150;
// What this virtual drive reports on DVD (in 16-block ECC units; chosen apart from the CD values
// so that code assuming one fixed gap fails).
constexpr std::uint32_t kDvdMinusFirstGap = 28688;
constexpr std::uint32_t kDvdMinusLaterGap = 6160;
constexpr std::uint32_t kDvdPlusFirstGap = 12304;
constexpr std::uint32_t kDvdPlusLaterGap = 4112;
constexpr std::uint32_t kEccBlock = 16;

std::uint64_t AlignEcc(std::uint64_t v) {
    return (v + kEccBlock - 1) / kEccBlock * kEccBlock;
}

} // namespace

std::optional<VirtualMedium::Kind> VirtualMedium::KindFromName(std::string_view name) {
    if (name == "cd-r")
        return Kind::CdR;
    if (name == "cd-rw")
        return Kind::CdRw;
    if (name == "dvd-r")
        return Kind::DvdR;
    if (name == "dvd-rw")
        return Kind::DvdRw;
    if (name == "dvd+r")
        return Kind::DvdPlusR;
    if (name == "dvd+rw")
        return Kind::DvdPlusRw;
    if (name == "dvd-ram")
        return Kind::DvdRam;
    return std::nullopt;
}

const char* VirtualMedium::KindName(Kind kind) {
    switch (kind) {
    case Kind::CdR:
        return "cd-r";
    case Kind::CdRw:
        return "cd-rw";
    case Kind::DvdR:
        return "dvd-r";
    case Kind::DvdRw:
        return "dvd-rw";
    case Kind::DvdPlusR:
        return "dvd+r";
    case Kind::DvdPlusRw:
        return "dvd+rw";
    case Kind::DvdRam:
        return "dvd-ram";
    }
    return "?";
}

VirtualMedium::VirtualMedium(Kind kind) : kind_(kind) {
    if (kind_ == Kind::DvdRam) {
        formatted_ = true;
        MakeFormattedTrack();
    }
}

void VirtualMedium::MakeFormattedTrack() {
    tracks_.clear();
    leadOuts_.clear();
    finalized_ = false;
    VirtualTrack t;
    t.size = Capacity();
    t.closed = true;
    tracks_.push_back(t);
}

std::uint16_t VirtualMedium::Profile() const {
    switch (kind_) {
    case Kind::CdR:
        return 0x09;
    case Kind::CdRw:
        return 0x0A;
    case Kind::DvdR:
        return 0x11;
    case Kind::DvdRw:
        return formatted_ ? 0x13 : 0x14;
    case Kind::DvdPlusR:
        return 0x1B;
    case Kind::DvdPlusRw:
        return 0x1A;
    case Kind::DvdRam:
        return 0x12;
    }
    return 0;
}

bool VirtualMedium::Sequential() const {
    switch (kind_) {
    case Kind::CdR:
    case Kind::CdRw:
    case Kind::DvdR:
    case Kind::DvdPlusR:
        return true;
    case Kind::DvdRw:
        return !formatted_;
    default:
        return false;
    }
}

bool VirtualMedium::Erasable() const {
    return kind_ == Kind::CdRw || kind_ == Kind::DvdRw || kind_ == Kind::DvdPlusRw ||
           kind_ == Kind::DvdRam;
}

std::uint32_t VirtualMedium::Capacity() const {
    switch (kind_) {
    case Kind::CdR:
    case Kind::CdRw:
        return 359849; // 80 minutes: lead-out at 79:59:74
    case Kind::DvdRam:
        return 2236704;
    default:
        return 2295104;
    }
}

std::uint32_t VirtualMedium::SessionGap(bool afterFirstSession) const {
    switch (kind_) {
    case Kind::CdR:
    case Kind::CdRw:
        return afterFirstSession ? kCdFirstGap : kCdLaterGap;
    case Kind::DvdPlusR:
        return afterFirstSession ? kDvdPlusFirstGap : kDvdPlusLaterGap;
    default:
        return afterFirstSession ? kDvdMinusFirstGap : kDvdMinusLaterGap;
    }
}

std::optional<std::size_t> VirtualMedium::OpenTrack() const {
    if (!Sequential() || tracks_.empty() || tracks_.back().closed)
        return std::nullopt;
    return tracks_.size() - 1;
}

std::uint32_t VirtualMedium::NextTrackStart() const {
    if (!Sequential())
        return 0;
    if (tracks_.empty())
        return 0;
    const VirtualTrack& last = tracks_.back();
    std::uint64_t start;
    if (last.session < OpenSession()) {
        start = std::uint64_t{leadOuts_.back()} + SessionGap(leadOuts_.size() == 1);
    } else if (IsCd()) {
        start = last.End() + kCdPreGap;
    } else {
        start = AlignEcc(last.End());
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(start, Capacity()));
}

std::uint32_t VirtualMedium::NextWritable() const {
    if (const auto open = OpenTrack())
        return tracks_[*open].start + tracks_[*open].written;
    return NextTrackStart();
}

std::uint8_t VirtualMedium::DiscStatus() const {
    if (!Sequential()) {
        if (kind_ == Kind::DvdRam)
            return 3;
        return formatted_ ? 2 : 0;
    }
    if (finalized_)
        return 2;
    return tracks_.empty() ? 0 : 1;
}

std::uint8_t VirtualMedium::LastSessionState() const {
    if (!Sequential())
        return formatted_ ? 3 : 0;
    if (finalized_)
        return 3;
    const bool anyInOpen = !tracks_.empty() && tracks_.back().session == OpenSession();
    return anyInOpen ? 1 : 0;
}

std::uint16_t VirtualMedium::SessionsReported() const {
    if (!Sequential())
        return 1;
    if (finalized_)
        return ClosedSessions();
    return OpenSession();
}

bool VirtualMedium::Readable(std::uint32_t lba, std::uint32_t count) const {
    const std::uint64_t end = std::uint64_t{lba} + count;
    if (!Sequential())
        return formatted_ && end <= Capacity();
    for (const auto& t : tracks_) {
        const std::uint64_t recorded = std::uint64_t{t.start} + t.written;
        if (lba >= t.start && end <= std::max<std::uint64_t>(recorded, t.End()))
            return true;
    }
    return false;
}

std::optional<std::uint32_t> VirtualMedium::LastRecorded() const {
    if (!Sequential())
        return formatted_ ? std::optional<std::uint32_t>(Capacity() - 1) : std::nullopt;
    std::optional<std::uint32_t> last;
    for (const auto& t : tracks_)
        if (t.written)
            last = t.start + t.written - 1;
    return last;
}

SenseCode VirtualMedium::CheckWrite(std::uint32_t lba, std::uint32_t count) const {
    const std::uint64_t end = std::uint64_t{lba} + count;
    if (!Sequential()) {
        if (!formatted_)
            return kNotFormatted;
        if (end > Capacity())
            return kOutOfRange;
        // Restricted overwrite writes whole ECC blocks only.
        if (kind_ == Kind::DvdRw && (lba % kEccBlock || count % kEccBlock))
            return kInvalidWriteAddress;
        return kAccepted;
    }
    if (finalized_ || lba != NextWritable())
        return kInvalidWriteAddress;
    if (const auto open = OpenTrack()) {
        const VirtualTrack& t = tracks_[*open];
        if (t.reserved && std::uint64_t{t.written} + count > t.reserved)
            return kInvalidWriteAddress;
    }
    if (end > Capacity())
        return kOutOfRange;
    return kAccepted;
}

void VirtualMedium::CommitWrite(std::uint32_t lba, std::uint32_t count) {
    if (!Sequential()) {
        VirtualTrack& t = tracks_.front();
        t.written = std::max(t.written, lba + count);
        return;
    }
    if (!OpenTrack()) {
        VirtualTrack t;
        t.start = lba;
        t.session = OpenSession();
        tracks_.push_back(t);
    }
    tracks_.back().written += count;
}

SenseCode VirtualMedium::Reserve(std::uint32_t blocks) {
    if (!Sequential() || finalized_ || OpenTrack() || blocks == 0)
        return kSequenceError;
    const std::uint32_t start = NextTrackStart();
    if (std::uint64_t{start} + blocks > Capacity())
        return kOutOfRange;
    VirtualTrack t;
    t.start = start;
    t.reserved = blocks;
    t.session = OpenSession();
    tracks_.push_back(t);
    return kAccepted;
}

SenseCode VirtualMedium::CloseTrack() {
    if (!Sequential())
        return kAccepted;
    const auto open = OpenTrack();
    if (!open)
        return kSequenceError;
    VirtualTrack& t = tracks_[*open];
    if (t.written == 0 && t.reserved == 0)
        return kProgramAreaEmpty;
    const std::uint32_t used = std::max(t.written, t.reserved);
    std::uint64_t size =
        IsCd() ? std::uint64_t{used} + (t.reserved ? 0 : kCdRunOut) : AlignEcc(used);
    size = std::min<std::uint64_t>(size, Capacity() - t.start);
    t.size = static_cast<std::uint32_t>(size);
    t.closed = true;
    return kAccepted;
}

SenseCode VirtualMedium::CloseSession(bool finalize) {
    if (!Sequential())
        return kAccepted;
    if (finalized_)
        return kSequenceError;
    if (OpenTrack()) {
        const SenseCode closed = CloseTrack();
        if (closed.Failed())
            return closed;
    }
    const bool anyInOpen = !tracks_.empty() && tracks_.back().session == OpenSession();
    if (!anyInOpen) {
        // An empty session can only be closed to finish a disc that holds sessions already.
        if (finalize && !leadOuts_.empty()) {
            finalized_ = true;
            return kAccepted;
        }
        return kProgramAreaEmpty;
    }
    leadOuts_.push_back(static_cast<std::uint32_t>(tracks_.back().End()));
    const std::uint64_t next = std::uint64_t{leadOuts_.back()} + SessionGap(leadOuts_.size() == 1);
    // A disc with no room for another session's first block is finished.
    finalized_ = finalize || next >= Capacity();
    return kAccepted;
}

SenseCode VirtualMedium::Format(std::uint8_t formatType) {
    switch (kind_) {
    case Kind::DvdPlusRw:
        if (formatType != 0x26)
            return kInvalidParameter;
        break;
    case Kind::DvdRw:
        if (formatType != 0x00 && formatType != 0x15)
            return kInvalidParameter;
        break;
    case Kind::DvdRam:
        if (formatType != 0x00 && formatType != 0x01)
            return kInvalidParameter;
        break;
    default:
        return kCannotFormat;
    }
    formatted_ = true;
    MakeFormattedTrack();
    return kAccepted;
}

SenseCode VirtualMedium::Blank() {
    if (kind_ != Kind::CdRw && kind_ != Kind::DvdRw)
        return kCannotFormat;
    formatted_ = false;
    finalized_ = false;
    tracks_.clear();
    leadOuts_.clear();
    return kAccepted;
}

std::string VirtualMedium::Serialize() const {
    std::ostringstream out;
    out << "kind=" << KindName(kind_) << '\n'
        << "formatted=" << (formatted_ ? 1 : 0) << '\n'
        << "finalized=" << (finalized_ ? 1 : 0) << '\n';
    for (std::uint32_t l : leadOuts_)
        out << "leadout=" << l << '\n';
    for (const auto& t : tracks_)
        out << "track=" << t.start << ',' << t.written << ',' << t.reserved << ',' << t.size << ','
            << (t.closed ? 1 : 0) << ',' << t.session << '\n';
    return out.str();
}

namespace {

bool Number(std::string_view text, std::uint32_t& out) {
    if (text.empty())
        return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool Flag(std::string_view text, bool& out) {
    if (text != "0" && text != "1")
        return false;
    out = text == "1";
    return true;
}

} // namespace

base::Result<VirtualMedium> VirtualMedium::Parse(std::string_view text) {
    std::optional<Kind> kind;
    bool formatted = false;
    bool finalized = false;
    std::vector<std::uint32_t> leadOuts;
    std::vector<VirtualTrack> tracks;
    std::size_t lineNo = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        const auto bad = [lineNo] {
            return base::Fail("virtual disc state: line " + std::to_string(lineNo) +
                              " is not understood");
        };
        if (eq == std::string_view::npos)
            return bad();
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "kind") {
            kind = KindFromName(value);
            if (!kind)
                return bad();
        } else if (key == "formatted") {
            if (!Flag(value, formatted))
                return bad();
        } else if (key == "finalized") {
            if (!Flag(value, finalized))
                return bad();
        } else if (key == "leadout") {
            std::uint32_t v = 0;
            if (!Number(value, v))
                return bad();
            leadOuts.push_back(v);
        } else if (key == "track") {
            std::uint32_t f[6] = {};
            std::string_view rest = value;
            for (int i = 0; i < 6; ++i) {
                const std::size_t comma = rest.find(',');
                if ((i < 5) == (comma == std::string_view::npos))
                    return bad();
                if (!Number(rest.substr(0, comma), f[i]))
                    return bad();
                rest =
                    comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            }
            if (f[4] > 1 || f[5] == 0 || f[5] > 0xFFFF)
                return bad();
            tracks.push_back({f[0], f[1], f[2], f[3], f[4] == 1, static_cast<std::uint16_t>(f[5])});
        } else {
            return bad();
        }
    }
    if (!kind)
        return base::Fail("virtual disc state: the disc kind is missing");

    VirtualMedium m(*kind);
    m.formatted_ = formatted;
    m.finalized_ = finalized;
    m.tracks_ = std::move(tracks);
    m.leadOuts_ = std::move(leadOuts);
    const auto inconsistent = [] { return base::Fail("virtual disc state: inconsistent disc"); };
    if (formatted && *kind != Kind::DvdPlusRw && *kind != Kind::DvdRw && *kind != Kind::DvdRam)
        return inconsistent();
    if (!m.Sequential()) {
        // Formatted overwritable media hold one track over the whole disc; unformatted none.
        if (!m.leadOuts_.empty() || m.finalized_)
            return inconsistent();
        if (m.formatted_) {
            if (m.tracks_.size() != 1)
                return inconsistent();
            const VirtualTrack& t = m.tracks_[0];
            if (t.start != 0 || !t.closed || t.size != m.Capacity() || t.written > m.Capacity() ||
                t.reserved != 0 || t.session != 1)
                return inconsistent();
        } else if (!m.tracks_.empty()) {
            return inconsistent();
        }
        return m;
    }
    const std::uint64_t capacity = m.Capacity();
    std::uint64_t previousEnd = 0;
    std::uint16_t previousSession = 1;
    for (std::size_t i = 0; i < m.tracks_.size(); ++i) {
        const VirtualTrack& t = m.tracks_[i];
        const std::uint64_t extent =
            std::max<std::uint64_t>({std::uint64_t{t.written}, t.reserved, t.closed ? t.size : 0});
        if ((i > 0 && t.start < previousEnd) || t.start + extent > capacity)
            return inconsistent();
        if (t.session < previousSession || t.session > m.leadOuts_.size() + 1)
            return inconsistent();
        if (!t.closed && i + 1 != m.tracks_.size())
            return inconsistent();
        if (!t.closed && t.session != m.leadOuts_.size() + 1)
            return inconsistent();
        // Closing a track makes it cover what was written and all it reserved.
        if (t.closed && (t.size < t.written || t.size < t.reserved))
            return inconsistent();
        if (t.reserved && t.written > t.reserved)
            return inconsistent();
        previousEnd = t.start + extent;
        previousSession = t.session;
    }
    // Every closed session holds a track and its lead-out follows its last track.
    for (std::size_t s = 0; s < m.leadOuts_.size(); ++s) {
        const auto session = static_cast<std::uint16_t>(s + 1);
        const VirtualTrack* last = nullptr;
        for (const auto& t : m.tracks_)
            if (t.session == session)
                last = &t;
        if (!last || !last->closed || last->End() != m.leadOuts_[s])
            return inconsistent();
    }
    if (m.finalized_ && m.leadOuts_.empty())
        return inconsistent();
    if (m.finalized_ && !m.tracks_.empty() && m.tracks_.back().session > m.leadOuts_.size())
        return inconsistent();
    return m;
}

} // namespace disc
