// The data a virtual recorder returns: configuration features, mode pages, disc and track
// information, the table of contents and the format capacities, laid out as MMC drives do.
#include "base/Endian.h"
#include "disc/virtual/VirtualRecorder.h"

#include <algorithm>

namespace disc {

namespace {

using base::StoreBE;
using Kind = VirtualMedium::Kind;

constexpr std::uint32_t kCdMaxWrite = 8467;   // 48x
constexpr std::uint32_t kCdMaxRead = 7056;    // 40x
constexpr std::uint32_t kDvdMaxWrite = 22160; // 16x
constexpr std::uint32_t kDvdMaxRead = 22160;
constexpr std::uint32_t kDvdRamMaxWrite = 6925; // 5x

void PutMsf(std::uint8_t* p, std::uint32_t lba) {
    const std::uint32_t blocks = lba + 150;
    p[0] = 0;
    p[1] = static_cast<std::uint8_t>(blocks / (60 * 75));
    p[2] = static_cast<std::uint8_t>((blocks / 75) % 60);
    p[3] = static_cast<std::uint8_t>(blocks % 75);
}

void PutAddress(std::uint8_t* p, std::uint32_t lba, bool msf) {
    if (msf)
        PutMsf(p, lba);
    else
        StoreBE<std::uint32_t>(p, lba);
}

struct Feature {
    std::uint16_t code;
    bool current;
    std::vector<std::uint8_t> body;
};

} // namespace

std::uint32_t VirtualRecorder::MaxWriteSpeed() const {
    if (!present_ || medium_.IsCd())
        return kCdMaxWrite;
    return medium_.GetKind() == Kind::DvdRam ? kDvdRamMaxWrite : kDvdMaxWrite;
}

std::uint32_t VirtualRecorder::MaxReadSpeed() const {
    return !present_ || medium_.IsCd() ? kCdMaxRead : kDvdMaxRead;
}

std::vector<std::uint8_t> VirtualRecorder::ConfigurationReply(std::uint8_t requestType,
                                                              std::uint16_t startFeature) const {
    const bool in = present_ && !trayOpen_;
    const std::uint16_t profile = in ? medium_.Profile() : 0;
    const Kind kind = medium_.GetKind();
    const bool cd = in && medium_.IsCd();
    const bool dvd = in && !medium_.IsCd();
    auto is = [&](Kind k) { return in && kind == k; };

    std::vector<Feature> features;
    {
        constexpr std::uint16_t kProfiles[] = {0x12, 0x13, 0x14, 0x11, 0x1A,
                                               0x1B, 0x0A, 0x09, 0x10, 0x08};
        std::vector<std::uint8_t> body;
        for (std::uint16_t p : kProfiles) {
            std::uint8_t d[4] = {};
            StoreBE<std::uint16_t>(d, p);
            d[2] = p == profile ? 1 : 0;
            body.insert(body.end(), d, d + 4);
        }
        features.push_back({0x0000, true, body});
    }
    features.push_back({0x0001, true, {0, 0, 0, 2, 0, 0, 0, 0}}); // core, ATAPI
    features.push_back({0x0003, true, {0x29, 0, 0, 0}});          // removable medium, tray
    features.push_back({0x001E, cd, {0, 0, 0, 0}});
    features.push_back({0x001F, dvd, {0, 0, 0, 0}});
    features.push_back({0x0020, profile == 0x12, {0, 0, 0x08, 0, 0, 0, 0, 0x10}});
    features.push_back({0x0021, in && medium_.Sequential() && !is(Kind::DvdPlusR), {0, 0, 0, 0}});
    features.push_back(
        {0x0023,
         is(Kind::DvdPlusRw) || is(Kind::DvdRw) || is(Kind::DvdRam) || is(Kind::CdRw),
         {0, 0, 0, 0}});
    features.push_back({0x0026, profile == 0x13, {}});
    features.push_back({0x002A, is(Kind::DvdPlusRw), {1, 0, 0, 0}});
    features.push_back({0x002B, is(Kind::DvdPlusR), {1, 0, 0, 0}});
    features.push_back({0x002D, cd, {0x46, 0, 0, 0}});
    features.push_back({0x002E, cd, {0x6E, 0, 0, 0}});
    features.push_back({0x002F, (is(Kind::DvdR) || is(Kind::DvdRw)), {0x46, 0, 0, 0}});

    std::vector<std::uint8_t> r(8, 0);
    StoreBE<std::uint16_t>(&r[6], profile);
    for (const Feature& f : features) {
        const bool wanted = requestType == 2   ? f.code == startFeature
                            : requestType == 1 ? (f.code >= startFeature && f.current)
                                               : f.code >= startFeature;
        if (!wanted)
            continue;
        std::uint8_t head[4] = {};
        StoreBE<std::uint16_t>(head, f.code);
        const bool persistent = f.code <= 0x0003;
        head[2] = static_cast<std::uint8_t>((persistent ? 0x02 : 0) | (f.current ? 0x01 : 0));
        head[3] = static_cast<std::uint8_t>(f.body.size());
        r.insert(r.end(), head, head + 4);
        r.insert(r.end(), f.body.begin(), f.body.end());
    }
    StoreBE<std::uint32_t>(r.data(), static_cast<std::uint32_t>(r.size() - 4));
    return r;
}

std::vector<std::uint8_t> VirtualRecorder::CapabilitiesPage(std::uint8_t pageControl) const {
    std::vector<std::uint8_t> p(32, 0);
    p[0] = 0x2A;
    p[1] = static_cast<std::uint8_t>(p.size() - 2);
    if (pageControl == 1) // changeable values: none
        return p;
    p[2] = 0x3F; // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
    p[3] = 0x37; // writes CD-R, CD-RW, test write, DVD-R, DVD-RAM
    p[4] = 0xC0; // underrun-free recording, multi-session
    p[6] = 0x29; // tray, eject, lock
    const std::uint32_t maxWrite = MaxWriteSpeed();
    const std::uint32_t maxRead = MaxReadSpeed();
    const std::uint32_t write =
        pageControl == 2 ? maxWrite : std::min(writeSpeed_ ? writeSpeed_ : maxWrite, maxWrite);
    const std::uint32_t read =
        pageControl == 2 ? maxRead : std::min(readSpeed_ ? readSpeed_ : maxRead, maxRead);
    StoreBE<std::uint16_t>(&p[8], static_cast<std::uint16_t>(maxRead));
    StoreBE<std::uint16_t>(&p[10], 256);
    StoreBE<std::uint16_t>(&p[12], 2048); // buffer KB
    StoreBE<std::uint16_t>(&p[14], static_cast<std::uint16_t>(read));
    StoreBE<std::uint16_t>(&p[18], static_cast<std::uint16_t>(maxWrite));
    StoreBE<std::uint16_t>(&p[20], static_cast<std::uint16_t>(write));
    StoreBE<std::uint16_t>(&p[28], static_cast<std::uint16_t>(write));
    return p;
}

std::vector<std::uint8_t> VirtualRecorder::WriteParametersPage() const {
    std::vector<std::uint8_t> p(52, 0);
    p[0] = 0x05;
    p[1] = static_cast<std::uint8_t>(p.size() - 2);
    p[2] = static_cast<std::uint8_t>((testWrite_ ? 0x10 : 0) | writeType_);
    p[3] = static_cast<std::uint8_t>((multiSession_ << 6) | 0x04);
    p[4] = blockType_;
    StoreBE<std::uint16_t>(&p[14], 150);
    return p;
}

std::vector<std::uint8_t> VirtualRecorder::DiscInformationReply() const {
    std::vector<std::uint8_t> r(34, 0);
    StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
    const auto& tracks = medium_.Tracks();
    r[2] = static_cast<std::uint8_t>((medium_.Erasable() ? 0x10 : 0) |
                                     (medium_.LastSessionState() << 2) | medium_.DiscStatus());
    r[3] = 1;
    const std::uint16_t sessions = medium_.SessionsReported();
    std::uint16_t first = 1;
    std::uint16_t last = 1;
    if (medium_.Sequential()) {
        const std::uint16_t total = static_cast<std::uint16_t>(tracks.size());
        const bool invisible = !medium_.Finalized() && !medium_.OpenTrack();
        last = static_cast<std::uint16_t>(total + (invisible ? 1 : 0));
        // The first track of the last session the disc reports.
        first = last;
        for (std::size_t i = tracks.size(); i-- > 0;)
            if (tracks[i].session == sessions)
                first = static_cast<std::uint16_t>(i + 1);
    }
    r[4] = static_cast<std::uint8_t>(sessions);
    r[5] = static_cast<std::uint8_t>(first);
    r[6] = static_cast<std::uint8_t>(last);
    r[7] = 0x20; // unrestricted use
    if (medium_.GetKind() == Kind::DvdPlusRw)
        r[7] |= medium_.Formatted() ? 0x03 : 0x00;
    r[9] = static_cast<std::uint8_t>(sessions >> 8);
    r[10] = static_cast<std::uint8_t>(first >> 8);
    r[11] = static_cast<std::uint8_t>(last >> 8);
    if (medium_.IsCd()) {
        if (medium_.DiscStatus() != 2)
            PutMsf(&r[16], medium_.NextWritable() >= 11250 ? medium_.NextWritable() - 11250 : 0);
        PutMsf(&r[20], medium_.Capacity());
    } else {
        StoreBE<std::uint32_t>(&r[20], medium_.Capacity());
    }
    return r;
}

std::vector<std::uint8_t> VirtualRecorder::TrackInformationReply(std::uint8_t addressType,
                                                                 std::uint32_t number) const {
    const auto& tracks = medium_.Tracks();
    const bool sequential = medium_.Sequential();
    const bool invisibleExists = sequential && !medium_.Finalized() && !medium_.OpenTrack();
    const std::uint32_t count =
        static_cast<std::uint32_t>(tracks.size()) + (invisibleExists ? 1 : 0);

    std::uint32_t track = 0; // 1-based
    if (addressType == 1) {
        track = number;
        if (number == 0xFF)
            track = sequential ? (medium_.Finalized() ? 0 : count) : 1;
    } else if (addressType == 0) {
        for (std::size_t i = 0; i < tracks.size(); ++i)
            if (number >= tracks[i].start &&
                number < std::max<std::uint64_t>(tracks[i].End(), tracks[i].start + 1))
                track = static_cast<std::uint32_t>(i + 1);
        if (!track && invisibleExists && number >= medium_.NextTrackStart())
            track = count;
    } else if (addressType == 2) {
        for (std::size_t i = 0; i < tracks.size() && !track; ++i)
            if (tracks[i].session == number)
                track = static_cast<std::uint32_t>(i + 1);
        if (!track && invisibleExists && number == medium_.OpenSession())
            track = count;
    }
    if (!sequential && !medium_.Formatted() && track == 1) {
        // An unformatted overwritable disc: one blank track over the whole disc.
    } else if (track == 0 || track > count) {
        return {};
    }

    std::vector<std::uint8_t> r(36, 0);
    StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
    const std::uint32_t capacity = medium_.Capacity();
    std::uint32_t start = 0, nwa = 0, freeBlocks = 0, size = 0, lastRecorded = 0;
    std::uint16_t session = 1;
    bool blank = false, reservedBit = false, nwaValid = false, lraValid = false;
    if (!sequential) {
        const std::uint32_t written = tracks.empty() ? 0 : tracks[0].written;
        size = capacity;
        nwaValid = true;
        freeBlocks = capacity;
        blank = !medium_.Formatted();
        lraValid = written > 0;
        lastRecorded = written ? written - 1 : 0;
    } else if (track == tracks.size() + 1) {
        start = nwa = medium_.NextTrackStart();
        freeBlocks = capacity - start;
        size = freeBlocks;
        session = medium_.OpenSession();
        blank = true;
        nwaValid = true;
    } else {
        const VirtualTrack& t = tracks[track - 1];
        start = t.start;
        session = t.session;
        reservedBit = t.reserved != 0;
        blank = t.written == 0;
        lraValid = t.written > 0;
        lastRecorded = t.written ? t.start + t.written - 1 : 0;
        if (t.closed) {
            size = t.size;
        } else {
            nwaValid = true;
            nwa = t.start + t.written;
            freeBlocks = t.reserved ? t.reserved - t.written : capacity - nwa;
            size = t.reserved ? t.reserved : capacity - t.start;
        }
    }
    r[2] = static_cast<std::uint8_t>(track);
    r[3] = static_cast<std::uint8_t>(session);
    r[5] = medium_.IsCd() ? 0x04 : 0x05; // data track; incremental on DVD
    r[6] = static_cast<std::uint8_t>((reservedBit ? 0x80 : 0) | (blank ? 0x40 : 0) | 0x01);
    r[7] = static_cast<std::uint8_t>((lraValid ? 0x02 : 0) | (nwaValid ? 0x01 : 0));
    StoreBE<std::uint32_t>(&r[8], start);
    StoreBE<std::uint32_t>(&r[12], nwa);
    StoreBE<std::uint32_t>(&r[16], freeBlocks);
    StoreBE<std::uint32_t>(&r[24], size);
    StoreBE<std::uint32_t>(&r[28], lastRecorded);
    r[32] = static_cast<std::uint8_t>(track >> 8);
    r[33] = static_cast<std::uint8_t>(session >> 8);
    return r;
}

std::vector<std::uint8_t> VirtualRecorder::TocReply(std::uint8_t format, bool msf,
                                                    std::uint8_t track) const {
    if (format == 4) { // ATIP: CD-R and CD-RW only
        if (!medium_.IsCd())
            return {};
        std::vector<std::uint8_t> r(28, 0);
        StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
        r[4] = 0x55;
        r[6] = medium_.GetKind() == Kind::CdRw ? 0xC0 : 0x80;
        r[8] = 97;
        r[9] = medium_.GetKind() == Kind::CdRw ? 20 : 26;
        r[10] = medium_.GetKind() == Kind::CdRw ? 0 : 66;
        r[12] = 79;
        r[13] = 59;
        r[14] = 74;
        return r;
    }
    // What the table of contents holds: the tracks of closed sessions, or the one track of a
    // formatted overwritable disc.
    struct Entry {
        std::uint8_t number;
        std::uint32_t start;
        std::uint16_t session;
    };
    std::vector<Entry> entries;
    std::uint32_t leadOut = 0;
    std::uint16_t closed = 0;
    const auto& tracks = medium_.Tracks();
    if (medium_.Sequential()) {
        closed = medium_.ClosedSessions();
        if (closed == 0)
            return {};
        for (std::size_t i = 0; i < tracks.size() && i < 99; ++i)
            if (tracks[i].session <= closed)
                entries.push_back(
                    {static_cast<std::uint8_t>(i + 1), tracks[i].start, tracks[i].session});
        leadOut = medium_.LeadOuts().back();
    } else {
        if (!medium_.Formatted())
            return {};
        closed = 1;
        entries.push_back({1, 0, 1});
        leadOut = medium_.Capacity();
    }
    std::vector<std::uint8_t> r(4, 0);
    r[2] = entries.front().number;
    r[3] = entries.back().number;
    if (format == 0) {
        if (track > entries.back().number && track != 0xAA)
            return {};
        for (const Entry& e : entries) {
            if (e.number < track)
                continue;
            std::uint8_t d[8] = {0, 0x14, e.number, 0};
            PutAddress(d + 4, e.start, msf);
            r.insert(r.end(), d, d + 8);
        }
        std::uint8_t d[8] = {0, 0x14, 0xAA, 0};
        PutAddress(d + 4, leadOut, msf);
        r.insert(r.end(), d, d + 8);
    } else if (format == 1) {
        r[2] = 1;
        r[3] = static_cast<std::uint8_t>(closed);
        const Entry* first = nullptr;
        for (const Entry& e : entries)
            if (e.session == closed && !first)
                first = &e;
        std::uint8_t d[8] = {0, 0x14, first ? first->number : std::uint8_t{1}, 0};
        PutAddress(d + 4, first ? first->start : 0, msf);
        r.insert(r.end(), d, d + 8);
    } else {
        return {};
    }
    StoreBE<std::uint16_t>(r.data(), static_cast<std::uint16_t>(r.size() - 2));
    return r;
}

std::vector<std::uint8_t> VirtualRecorder::FormatCapacitiesReply() const {
    const std::uint32_t capacity = medium_.Capacity();
    struct Descriptor {
        std::uint32_t blocks;
        std::uint8_t type;
        std::uint32_t parameter;
    };
    std::vector<Descriptor> list;
    const Kind kind = medium_.GetKind();
    const std::uint8_t currentType =
        !medium_.Sequential() && medium_.Formatted()                             ? 2
        : (kind == Kind::DvdPlusRw || kind == Kind::DvdRw || kind == Kind::CdRw) ? 1
                                                                                 : 3;
    list.push_back({capacity, currentType, 2048});
    switch (kind) {
    case Kind::DvdPlusRw:
        list.push_back({capacity, 0x26 << 2, 0});
        break;
    case Kind::DvdRw:
        list.push_back({capacity, 0x00, 2048});
        list.push_back({capacity, 0x15 << 2, 16});
        break;
    case Kind::DvdRam:
        list.push_back({capacity, 0x00, 2048});
        list.push_back({capacity, 0x01 << 2, 2048});
        break;
    case Kind::CdRw:
        list.push_back({capacity, 0x10 << 2, 32});
        break;
    default:
        break;
    }
    std::vector<std::uint8_t> r(4, 0);
    r[3] = static_cast<std::uint8_t>(list.size() * 8);
    for (const Descriptor& d : list) {
        std::uint8_t e[8] = {};
        StoreBE<std::uint32_t>(e, d.blocks);
        e[4] = d.type;
        e[5] = static_cast<std::uint8_t>(d.parameter >> 16);
        e[6] = static_cast<std::uint8_t>(d.parameter >> 8);
        e[7] = static_cast<std::uint8_t>(d.parameter);
        r.insert(r.end(), e, e + 8);
    }
    return r;
}

} // namespace disc
