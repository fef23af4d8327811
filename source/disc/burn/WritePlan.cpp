// Where a new session goes: the next writable address of sequential media, the volume size of
// the session already grown on overwritable media.
#include "base/Endian.h"
#include "disc/burn/DiscWriter.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace disc {

namespace {

constexpr std::uint32_t kHighestStart = 0xFF000000u;

// The drive's own account of a failed step, for the job's message.
std::string Bracketed(const base::Status& failed) {
    return " [" + failed.error() + "]";
}

base::Result<WritePlan> PlanOverwritable(ScsiDevice& device, WritePlan plan,
                                         const DiscState& state) {
    using namespace media_type;
    plan.overwritable = true;
    plan.capacity = state.capacity;
    if (plan.mediaType == kDvdPlusRw && state.discStatus == disc_status::kBlank) {
        plan.formatFirst = true; // a DVD+RW straight from the box
        return plan;
    }
    MmcCommands mmc(device);
    std::vector<std::uint8_t> sector(kSectorSize);
    if (auto read = mmc.Read10(16, 1, sector); !read)
        return base::Fail("CAN'T READ THE DISC" + Bracketed(read));
    const bool iso = std::memcmp(&sector[1], "CD001", 5) == 0 && sector[0] == 1;
    if (!iso) {
        if (std::all_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b == 0; }))
            return plan; // formatted and blank
        return base::Fail("THE DISC HOLDS DATA THAT IS NOT AN ISO 9660 VOLUME; ERASE IT FIRST");
    }
    const std::uint32_t volume = base::LoadLE<std::uint32_t>(&sector[80]);
    const std::uint64_t start = (std::uint64_t{volume} + 15) / 16 * 16;
    if (volume < 17 || start >= plan.capacity)
        return base::Fail("THE VOLUME ON THE DISC DOES NOT FIT THE DISC (" +
                          std::to_string(volume) + " SECTORS)");
    plan.start = static_cast<std::uint32_t>(start);
    plan.holdsData = true;
    return plan;
}

base::Result<WritePlan> PlanSequential(ScsiDevice& device, WritePlan plan, const DiscState& state) {
    MmcCommands mmc(device);
    std::array<std::uint8_t, 56> di{};
    if (auto read = mmc.ReadDiscInformation(di); !read)
        return base::Fail("ERROR GETTING NEXT WRITABLE ADDRESS" + Bracketed(read));
    const auto info = ParseDiscInformation(std::span(di.data(), mmc.Transferred()));
    if (!info)
        return base::Fail("ERROR GETTING NEXT WRITABLE ADDRESS (" + info.error() + ")");
    if (info->discStatus == disc_status::kComplete)
        return base::Fail("THE DISC IS CLOSED: NO SESSION CAN BE ADDED");
    if (plan.mediaType == media_type::kDvdRwSequential && info->discStatus == disc_status::kBlank) {
        plan.formatFirst = true; // quick format to restricted overwrite; nothing is lost
        plan.overwritable = true;
        plan.capacity = state.capacity;
        return plan;
    }
    const std::uint16_t track = std::max<std::uint16_t>(1, info->lastTrackInLastSession);
    std::array<std::uint8_t, 40> ti{};
    if (auto read = mmc.ReadTrackInformation(track, ti); !read)
        return base::Fail("ERROR GETTING NEXT WRITABLE ADDRESS" + Bracketed(read));
    const auto t = ParseTrackInformation(std::span(ti.data(), mmc.Transferred()));
    if (info->discStatus == disc_status::kAppendable && info->lastSessionState == 1) {
        // An incomplete session: a track holding data (or reserved) that was never closed, or
        // closed tracks whose session was not.
        plan.unfinished = true;
        if (t && t->nextWritableValid && (!t->blank || t->reserved))
            plan.openTrack = track;
        return plan;
    }
    if (!t || !t->nextWritableValid || t->nextWritable > kHighestStart)
        return base::Fail("ERROR GETTING NEXT WRITABLE ADDRESS");
    plan.track = track;
    plan.start = t->nextWritable;
    plan.capacity = t->freeBlocks ? t->nextWritable + t->freeBlocks : state.capacity;
    plan.holdsData = info->discStatus == disc_status::kAppendable && t->nextWritable > 0;
    return plan;
}

} // namespace

std::uint64_t WrittenSectors(int mediaType, std::int64_t trackSectors) {
    const auto sectors = static_cast<std::uint64_t>(std::max<std::int64_t>(trackSectors, 0));
    if (mediaType == media_type::kCdR || mediaType == media_type::kCdRw)
        return sectors;
    return (sectors + 31) / 32 * 32;
}

base::Result<WritePlan> PlanWrite(ScsiDevice& device) {
    using namespace media_type;
    if (auto ready = WaitReady(device, 10000, 500); !ready)
        return base::Fail("NO DISC IN THE DRIVE OR THE DRIVE IS NOT READY" + Bracketed(ready));
    WritePlan plan;
    plan.mediaType = GetMediaType(device);
    const DiscState state = ReadDiscState(device);
    if (!state.present)
        return base::Fail("NO DISC IN THE DRIVE");
    switch (plan.mediaType) {
    case kCdR:
    case kCdRw:
    case kDvdR:
    case kDvdRwSequential:
    case kDvdPlusR:
        return PlanSequential(device, plan, state);
    case kDvdRam:
    case kDvdRwRestricted:
    case kDvdPlusRw:
        return PlanOverwritable(device, plan, state);
    default:
        return base::Fail(std::string("THE DISC CANNOT BE WRITTEN (") + MediaName(plan.mediaType) +
                          ")");
    }
}

} // namespace disc
