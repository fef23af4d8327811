#include "disc/mmc/DiscSummary.h"

#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"

#include <algorithm>

namespace disc {

MediumEvent PollMedium(ScsiDevice& device) {
    MmcCommands mmc(device);
    const ScsiReply ready = mmc.TestUnitReady();
    if (ready)
        return MediumEvent::Present;
    const SenseData& s = ready.Sense();
    if (s.key == 0x06 && s.asc == 0x28)
        return MediumEvent::Changed;
    if (s.asc == 0x3A)
        return MediumEvent::Absent;
    return MediumEvent::NotReady;
}

DiscSummary SummarizeDisc(ScsiDevice& device) {
    DiscSummary out;
    switch (PollMedium(device)) {
    case MediumEvent::Absent:
        return out;
    case MediumEvent::NotReady:
        out.state = DiscSummary::State::NotReady;
        return out;
    default:
        break;
    }
    const DiscState st = ReadDiscState(device);
    if (!st.present) {
        out.state = DiscSummary::State::NotReady;
        return out;
    }
    out.kind = MediaName(device.KnownMediaType() ? device.KnownMediaType() : GetMediaType(device));
    out.sessions = SessionCount(device);
    const std::uint64_t capacity = st.capacity;
    const std::uint64_t free = std::min<std::uint64_t>(st.freeBlocks, capacity);
    std::uint64_t used = capacity - free;
    if (st.overwritable) {
        out.state = DiscSummary::State::Overwritable;
        out.sessions = used > 0 ? 1 : 0;
    } else if (st.discStatus == disc_status::kComplete) {
        out.state = DiscSummary::State::Closed;
        std::uint32_t last = 0;
        std::uint32_t length = 0;
        if (MmcCommands(device).ReadCapacity(last, length))
            used = std::uint64_t{last} + 1;
    } else if (st.discStatus == disc_status::kBlank) {
        out.state = DiscSummary::State::Blank;
        used = 0;
    } else {
        out.state = DiscSummary::State::Appendable;
    }
    out.usedBytes = used * kSectorSize;
    out.freeBytes = out.state == DiscSummary::State::Closed ? 0 : free * kSectorSize;
    return out;
}

} // namespace disc
