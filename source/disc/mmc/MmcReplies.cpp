#include "disc/mmc/MmcReplies.h"

#include "base/Endian.h"
#include "disc/mmc/DriveCapabilities.h"

#include <algorithm>

namespace disc {

namespace {

using base::LoadBE;

// The reply as far as its own length field (a big-endian count of the bytes after the field)
// and the transfer both reach.
Reply Within(Reply reply, std::size_t lengthFieldSize) {
    if (reply.size() < lengthFieldSize)
        return reply.first(0);
    std::size_t declared = lengthFieldSize == 2 ? LoadBE<std::uint16_t>(reply.data())
                                                : LoadBE<std::uint32_t>(reply.data());
    declared += lengthFieldSize;
    return reply.first(std::min(reply.size(), declared));
}

base::Error TooShort(const char* what) {
    return base::Fail(std::string("the drive's ") + what + " reply is too short");
}

} // namespace

base::Result<DiscInformation> ParseDiscInformation(Reply reply) {
    const Reply r = Within(reply, 2);
    if (r.size() < 7)
        return TooShort("disc information");
    DiscInformation d;
    d.erasable = r[2] & 0x10;
    d.lastSessionState = (r[2] >> 2) & 0x03;
    d.discStatus = r[2] & 0x03;
    d.firstTrack = r[3];
    d.sessions = r[4];
    d.firstTrackInLastSession = r[5];
    d.lastTrackInLastSession = r[6];
    if (r.size() > 7)
        d.backgroundFormat = r[7] & 0x03;
    if (r.size() > 11) {
        d.sessions |= static_cast<std::uint16_t>(r[9] << 8);
        d.firstTrackInLastSession |= static_cast<std::uint16_t>(r[10] << 8);
        d.lastTrackInLastSession |= static_cast<std::uint16_t>(r[11] << 8);
    }
    return d;
}

base::Result<TrackInformation> ParseTrackInformation(Reply reply) {
    const Reply r = Within(reply, 2);
    if (r.size() < 28)
        return TooShort("track information");
    TrackInformation t;
    t.track = r[2];
    t.session = r[3];
    t.trackMode = r[5] & 0x0F;
    t.reserved = r[6] & 0x80;
    t.blank = r[6] & 0x40;
    t.packet = r[6] & 0x20;
    t.fixedPacket = r[6] & 0x10;
    t.dataMode = r[6] & 0x0F;
    t.lastRecordedValid = r[7] & 0x02;
    t.nextWritableValid = r[7] & 0x01;
    t.start = LoadBE<std::uint32_t>(&r[8]);
    t.nextWritable = LoadBE<std::uint32_t>(&r[12]);
    t.freeBlocks = LoadBE<std::uint32_t>(&r[16]);
    t.fixedPacketSize = LoadBE<std::uint32_t>(&r[20]);
    t.size = LoadBE<std::uint32_t>(&r[24]);
    if (r.size() >= 32)
        t.lastRecorded = LoadBE<std::uint32_t>(&r[28]);
    else
        t.lastRecordedValid = false;
    if (r.size() >= 34) {
        t.track |= static_cast<std::uint16_t>(r[32] << 8);
        t.session |= static_cast<std::uint16_t>(r[33] << 8);
    }
    return t;
}

std::optional<std::uint32_t> Toc::LeadOut() const {
    for (const auto& e : entries)
        if (e.track == 0xAA)
            return e.address;
    return std::nullopt;
}

base::Result<Toc> ParseToc(Reply reply, bool msf) {
    const Reply r = Within(reply, 2);
    if (r.size() < 4)
        return TooShort("table of contents");
    Toc toc;
    toc.firstTrack = r[2];
    toc.lastTrack = r[3];
    for (std::size_t at = 4; at + 8 <= r.size(); at += 8) {
        TocEntry e;
        e.control = r[at + 1] & 0x0F;
        e.track = r[at + 2];
        if (msf) {
            const std::uint32_t blocks = MsfBlocks(r[at + 5], r[at + 6], r[at + 7]);
            e.address = blocks >= 150 ? blocks - 150 : 0;
        } else {
            e.address = LoadBE<std::uint32_t>(&r[at + 4]);
        }
        toc.entries.push_back(e);
    }
    return toc;
}

base::Result<SessionInformation> ParseSessionInformation(Reply reply) {
    const Reply r = Within(reply, 2);
    if (r.size() < 4)
        return TooShort("session information");
    SessionInformation s;
    s.firstSession = r[2];
    s.lastSession = r[3];
    if (r.size() >= 12) {
        s.firstTrackInLastSession = r[6];
        s.startOfLastSession = LoadBE<std::uint32_t>(&r[8]);
    }
    return s;
}

base::Result<Atip> ParseAtip(Reply reply) {
    const Reply r = Within(reply, 2);
    if (r.size() < 15)
        return TooShort("ATIP");
    Atip a;
    a.recordable = r[6] & 0x80;
    a.rewritable = r[6] & 0x40;
    a.leadInStart = MsfBlocks(r[8], r[9], r[10]);
    a.leadOutStart = MsfBlocks(r[12], r[13], r[14]);
    return a;
}

std::uint32_t FormatCapacities::SelectedBlocks() const {
    if (current.Word() == 0x00000800)
        return current.blocks;
    if (!formattable.empty() &&
        (formattable[0].Word() == 0x00000800 || formattable[0].Word() == 0x98000000))
        return formattable[0].blocks;
    if (formattable.size() > 1 && formattable[1].Word() == 0x00000800)
        return formattable[1].blocks;
    return current.blocks;
}

base::Result<FormatCapacities> ParseFormatCapacities(Reply reply) {
    if (reply.size() < 4)
        return TooShort("format capacities");
    const std::size_t listLength = reply[3];
    const Reply r = reply.first(std::min(reply.size(), 4 + listLength));
    if (r.size() < 12)
        return TooShort("format capacities");
    auto read = [&r](std::size_t at) {
        CapacityDescriptor d;
        d.blocks = LoadBE<std::uint32_t>(&r[at]);
        d.typeByte = r[at + 4];
        d.parameter =
            (std::uint32_t{r[at + 5]} << 16) | (std::uint32_t{r[at + 6]} << 8) | r[at + 7];
        return d;
    };
    FormatCapacities f;
    f.current = read(4);
    for (std::size_t at = 12; at + 8 <= r.size(); at += 8)
        f.formattable.push_back(read(at));
    return f;
}

base::Result<Configuration> ParseConfiguration(Reply reply) {
    if (reply.size() < 8)
        return TooShort("configuration");
    // The length field counts the bytes after itself.
    const std::size_t declared = std::size_t{LoadBE<std::uint32_t>(reply.data())} + 4;
    const Reply r = reply.first(std::min(reply.size(), std::max<std::size_t>(declared, 8)));
    Configuration c;
    c.currentProfile = LoadBE<std::uint16_t>(&r[6]);
    if (r.size() >= 12) {
        c.feature = LoadBE<std::uint16_t>(&r[8]);
        c.featureCurrent = r[10] & 0x01;
        if (*c.feature == 0x0000) {
            const std::size_t end = std::min(r.size(), std::size_t{12} + r[11]);
            for (std::size_t at = 12; at + 4 <= end; at += 4)
                c.profiles.push_back(LoadBE<std::uint16_t>(&r[at]));
        }
    }
    return c;
}

base::Result<std::size_t> LocateModePage(Reply reply, std::uint8_t page) {
    auto holds = [&](std::size_t at) {
        return at + 2 <= reply.size() && (reply[at] & 0x3F) == page &&
               at + 2 + reply[at + 1] <= reply.size();
    };
    if (reply.size() >= 8) {
        const std::size_t at = 8 + std::size_t{LoadBE<std::uint16_t>(&reply[6])};
        if (holds(at))
            return at;
    }
    for (std::size_t at : {std::size_t{16}, std::size_t{8}, std::size_t{7}})
        if (holds(at))
            return at;
    return base::Fail("the drive's reply holds no mode page " + std::to_string(page));
}

base::Result<CapabilitiesPage> ParseCapabilitiesPage(Reply page) {
    if (page.size() < 2 || (page[0] & 0x3F) != 0x2A)
        return base::Fail("no capabilities page");
    const Reply p = page.first(std::min(page.size(), std::size_t{2} + page[1]));
    if (p.size() < 5)
        return TooShort("capabilities page");
    CapabilitiesPage c;
    using namespace capability;
    if (p[2] & 0x01)
        c.bits |= kCdRRead;
    if (p[2] & 0x02)
        c.bits |= kCdRwRead;
    if (p[2] & 0x04)
        c.bits |= kMethod2;
    if (p[2] & 0x08)
        c.bits |= kDvdRomRead;
    if (p[2] & 0x10)
        c.bits |= kDvdRRead | kDvdRwRead;
    if (p[2] & 0x20)
        c.bits |= kDvdRamRead;
    if (p[3] & 0x01)
        c.bits |= kCdRWrite;
    if (p[3] & 0x02)
        c.bits |= kCdRwWrite;
    if (p[3] & 0x04)
        c.bits |= kTestWrite;
    if (p[3] & 0x10)
        c.bits |= kDvdRWrite | kDvdRwWrite;
    if (p[3] & 0x20)
        c.bits |= kDvdRamWrite;
    if (p[4] & 0x80)
        c.bits |= kUnderrunProtection;
    auto word = [&p](std::size_t at) -> std::uint16_t {
        return at + 2 <= p.size() ? LoadBE<std::uint16_t>(&p[at]) : 0;
    };
    c.maxReadSpeed = word(8);
    c.bufferKB = word(12);
    c.readSpeed = word(14);
    c.maxWriteSpeed = word(18);
    c.writeSpeed = word(20);
    return c;
}

base::Result<BufferCapacity> ParseBufferCapacity(Reply reply) {
    const Reply r = Within(reply, 2);
    if (r.size() < 12)
        return TooShort("buffer capacity");
    BufferCapacity b;
    b.size = LoadBE<std::uint32_t>(&r[4]);
    b.free = LoadBE<std::uint32_t>(&r[8]);
    if (b.free == 0xFFFFFFFFu)
        b.free = b.size;
    return b;
}

base::Result<Capacity> ParseReadCapacity(Reply reply) {
    if (reply.size() < 8)
        return TooShort("capacity");
    return Capacity{LoadBE<std::uint32_t>(&reply[0]), LoadBE<std::uint32_t>(&reply[4])};
}

} // namespace disc
