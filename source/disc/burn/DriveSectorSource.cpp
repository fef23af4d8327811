#include "disc/burn/DriveSectorSource.h"

#include "base/Endian.h"

#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace disc {

base::Status DriveSectorSource::Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    if (lba > sectors_ || count > sectors_ - lba)
        return base::Fail("read beyond the recorded part of the disc");
    MmcCommands mmc(device_);
    constexpr std::uint32_t kChunk = 32;
    while (count > 0) {
        const std::uint32_t n = std::min(count, kChunk);
        ScsiReply ok = mmc.Read10(lba, static_cast<std::uint16_t>(n),
                                  std::span(out, static_cast<std::size_t>(n) * kSectorSize));
        for (int retry = 0; !ok && retry < 3 && ok.Transient(); ++retry) {
            device_.Clock().SleepMs(500);
            ok = mmc.Read10(lba, static_cast<std::uint16_t>(n),
                            std::span(out, static_cast<std::size_t>(n) * kSectorSize));
        }
        if (!ok)
            return base::Fail("READ ERROR AT SECTOR " + std::to_string(lba) + " [" + ok.error() +
                              "]");
        lba += n;
        count -= n;
        out += static_cast<std::size_t>(n) * kSectorSize;
    }
    return {};
}

namespace {

constexpr std::uint32_t kMostTracksLooked = 256;

// Whether the session from start to end (exclusive) holds an ISO 9660 volume that ends inside
// it: a write cut short leaves descriptors that claim more than was recorded.
bool HoldsWholeVolume(MmcCommands& mmc, std::uint32_t start, std::uint32_t end) {
    if (end <= start || end - start <= 16)
        return false;
    std::array<std::uint8_t, kSectorSize> pvd{};
    if (!mmc.Read10(start + 16, 1, pvd))
        return false;
    if (pvd[0] != 1 || std::memcmp(&pvd[1], "CD001", 5) != 0)
        return false;
    const std::uint32_t volume = base::LoadLE<std::uint32_t>(&pvd[80]);
    return volume > 16 && volume <= end;
}

} // namespace

base::Result<std::uint32_t> DriveSectorSource::LastSessionStart() {
    const int type = device_.KnownMediaType() ? device_.KnownMediaType() : GetMediaType(device_);
    if (type == media_type::kDvdPlusRw || type == media_type::kDvdRam ||
        type == media_type::kDvdRwRestricted)
        return std::uint32_t{0};
    MmcCommands mmc(device_);
    std::array<std::uint8_t, 12> reply{};
    if (auto read = mmc.ReadToc(1, false, 0, reply); !read)
        return base::Fail("cannot read the sessions of the disc [" + read.error() + "]");
    const auto info = ParseSessionInformation(std::span(reply.data(), mmc.Transferred()));
    if (!info)
        return base::Fail(info.error());

    // The newest closed session whose volume was recorded whole; a session closed after an
    // interrupted write is passed over. Tracks are walked from the last one backwards.
    std::array<std::uint8_t, 56> di{};
    if (!mmc.ReadDiscInformation(di))
        return info->startOfLastSession;
    const auto disc = ParseDiscInformation(std::span(di.data(), mmc.Transferred()));
    if (!disc || disc->lastTrackInLastSession == 0)
        return info->startOfLastSession;
    const std::uint32_t last = disc->lastTrackInLastSession;
    const std::uint32_t first =
        last > kMostTracksLooked ? last - kMostTracksLooked + 1 : std::uint32_t{1};
    std::uint16_t session = 0;
    std::uint32_t sessionStart = 0;
    std::uint32_t sessionEnd = 0;
    for (std::uint32_t n = last + 1; n-- > first;) {
        std::array<std::uint8_t, 40> ti{};
        if (!mmc.ReadTrackInformation(n, ti))
            continue;
        const auto t = ParseTrackInformation(std::span(ti.data(), mmc.Transferred()));
        if (!t || t->blank || t->nextWritableValid || t->size == 0)
            continue; // the empty track at the end, or one still open
        if (t->session != session) {
            if (session != 0 && sessionStart < sectors_ &&
                HoldsWholeVolume(mmc, sessionStart, std::min(sessionEnd, sectors_)))
                return sessionStart;
            session = t->session;
            // Where recording really stopped: a track reserved whole but written in part
            // (an interrupted DVD-R write) ends at its last recorded block.
            std::uint64_t end = std::uint64_t{t->start} + t->size;
            if (t->lastRecordedValid && t->lastRecorded >= t->start)
                end = std::min<std::uint64_t>(end, std::uint64_t{t->lastRecorded} + 1);
            sessionEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, 0xFFFFFFFFu));
        }
        sessionStart = t->start;
    }
    if (session != 0 && sessionStart < sectors_ &&
        HoldsWholeVolume(mmc, sessionStart, std::min(sessionEnd, sectors_)))
        return sessionStart;
    return info->startOfLastSession;
}

} // namespace disc
