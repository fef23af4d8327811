#include "disc/mmc/MediaDetection.h"

#include "base/Endian.h"

#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace disc {

namespace {

constexpr const char* kMediaNames[] = {"UNKNOWN", "CD-ROM",  "CD-R",     "CD-RW",  "DVD-ROM",
                                       "DVD-R",   "DVD-RAM", "DVD-RW",   "DVD-RW", "DVD-RW",
                                       "DVD+RW",  "DVD+R",   "DDCD-ROM", "DDCD-R", "DDCD-RW"};

bool ErasableProfile(std::uint16_t profile) {
    switch (profile) {
    case 0x03:
    case 0x0A:
    case 0x13:
    case 0x14:
    case 0x1A:
    case 0x22:
        return true;
    default:
        return false;
    }
}

std::optional<std::uint16_t> CurrentProfile(MmcCommands& mmc) {
    std::array<std::uint8_t, 114> reply{};
    if (!mmc.GetConfiguration(0x0000, reply))
        return std::nullopt;
    const auto c = ParseConfiguration(std::span(reply.data(), mmc.Transferred()));
    if (!c)
        return std::nullopt;
    return c->currentProfile;
}

std::optional<DiscInformation> DiscInfo(MmcCommands& mmc) {
    std::array<std::uint8_t, 56> reply{};
    if (!mmc.ReadDiscInformation(reply))
        return std::nullopt;
    auto d = ParseDiscInformation(std::span(reply.data(), mmc.Transferred()));
    if (!d)
        return std::nullopt;
    return *d;
}

std::optional<TrackInformation> TrackInfo(MmcCommands& mmc, std::uint32_t track) {
    std::array<std::uint8_t, 40> reply{};
    if (!mmc.ReadTrackInformation(track, reply))
        return std::nullopt;
    auto t = ParseTrackInformation(std::span(reply.data(), mmc.Transferred()));
    if (!t)
        return std::nullopt;
    return *t;
}

// Sleeps one step, never past the deadline; false when the deadline has come.
bool Step(WaitClock& clock, std::int64_t deadline, std::int64_t stepMs) {
    const std::int64_t now = clock.NowMs();
    if (now >= deadline)
        return false;
    clock.SleepMs(std::max<std::int64_t>(1, std::min(stepMs, deadline - now)));
    return true;
}

} // namespace

const char* MediaName(int type) {
    if (type < 0 || type >= static_cast<int>(std::size(kMediaNames)))
        return kMediaNames[0];
    return kMediaNames[type];
}

int MediaTypeOfProfile(std::uint16_t profile) {
    using namespace media_type;
    switch (profile) {
    case 0x08:
        return kCdRom;
    case 0x09:
        return kCdR;
    case 0x0A:
        return kCdRw;
    case 0x10:
        return kDvdRom;
    case 0x11:
        return kDvdR;
    case 0x12:
        return kDvdRam;
    case 0x13:
        return kDvdRwRestricted;
    case 0x14:
        return kDvdRwSequential;
    case 0x1A:
        return kDvdPlusRw;
    case 0x1B:
        return kDvdPlusR;
    case 0x20:
        return kDdCdRom;
    case 0x21:
        return kDdCdR;
    case 0x22:
        return kDdCdRw;
    default:
        return kUnknown;
    }
}

const char* ProfileName(std::uint16_t profile) {
    switch (profile) {
    case 0x01:
        return "Non-removable disk";
    case 0x02:
        return "Removable disk";
    case 0x03:
        return "MO Eraseable";
    case 0x04:
        return "MO Write Once";
    case 0x05:
        return "AS-MO";
    case 0x08:
        return "CD-ROM";
    case 0x09:
        return "CD-R";
    case 0x0A:
        return "CD-RW";
    case 0x10:
        return "DVD-ROM";
    case 0x11:
        return "DVD-R";
    case 0x12:
        return "DVD-RAM";
    case 0x13:
        return "DVD-RW Restricted Overwrite";
    case 0x14:
        return "DVD-RW Sequential Recording";
    case 0x1A:
        return "DVD+RW";
    case 0x1B:
        return "DVD+R";
    case 0x20:
        return "DDCD-ROM";
    case 0x21:
        return "DDCD-R";
    case 0x22:
        return "DDCD-RW";
    default:
        return "???????";
    }
}

std::string DiscState::StatusText() const {
    if (overwritable && discStatus != disc_status::kBlank)
        return "overwritable";
    switch (discStatus) {
    case disc_status::kBlank:
        return "blank";
    case disc_status::kAppendable:
        return "appendable";
    case disc_status::kComplete:
        return "closed";
    default:
        return "random access";
    }
}

int GetMediaType(ScsiDevice& device) {
    using namespace media_type;
    MmcCommands mmc(device);
    int type = kUnknown;
    if (const auto profile = CurrentProfile(mmc))
        type = MediaTypeOfProfile(*profile);
    if (type == kUnknown) {
        std::array<std::uint8_t, 26> reply{};
        if (mmc.ReadToc(4, true, 0, reply)) {
            if (const auto atip = ParseAtip(std::span(reply.data(), mmc.Transferred())))
                type = !atip->recordable ? kCdRom : (atip->rewritable ? kCdRw : kCdR);
        }
    }
    if (type == kUnknown) {
        if (const auto d = DiscInfo(mmc))
            type = d->erasable ? kCdRw : kCdR;
    }
    if (type == kUnknown && mmc.TestUnitReady())
        type = kCdRom;
    device.SetKnownMediaType(type);
    return type;
}

int SessionCount(ScsiDevice& device) {
    MmcCommands mmc(device);
    const auto d = DiscInfo(mmc);
    if (!d || d->discStatus == disc_status::kBlank)
        return 0;
    const int n = d->sessions;
    if (d->lastSessionState == 0)
        return std::max(0, n - 1); // the open session at the end holds nothing yet
    return n;
}

bool IsErasable(ScsiDevice& device) {
    MmcCommands mmc(device);
    if (const auto d = DiscInfo(mmc))
        return d->erasable;
    const int type = device.KnownMediaType() ? device.KnownMediaType() : GetMediaType(device);
    return type == media_type::kDvdRam || type == media_type::kDvdRwRestricted ||
           type == media_type::kDvdRwSequential || type == media_type::kDvdPlusRw;
}

base::Status WaitReady(ScsiDevice& device, std::int64_t budgetMs, std::int64_t stepMs) {
    MmcCommands mmc(device);
    WaitClock& clock = device.Clock();
    const std::int64_t deadline = clock.NowMs() + std::max<std::int64_t>(0, budgetMs);
    stepMs = std::max<std::int64_t>(1, stepMs);
    // The reply of the last command sent: what is waited on, and the drive's last word when the
    // time runs out while it is still becoming ready.
    ScsiReply last;
    const auto late = [&last]() -> base::Status {
        return base::Fail("the drive did not become ready in time" +
                          (last.ok() ? std::string() : " (" + last.error() + ")"));
    };

    if (device.Quirks().slowReady || device.Quirks().readyByTestUnitFirst) {
        while (!(last = mmc.TestUnitReady()) && last.Transient())
            if (!Step(clock, deadline, 1500))
                return late();
    }
    if (device.KnownMediaType() != media_type::kDvdRam) {
        std::array<std::uint8_t, 56> reply{};
        while (!(last = mmc.ReadDiscInformation(reply)) && last.Transient())
            if (!Step(clock, deadline, stepMs))
                return late();
    }
    if (last = mmc.TestUnitReady(); last)
        return {};
    while (last.Transient()) {
        if (!Step(clock, deadline, stepMs))
            return late();
        if (last = mmc.TestUnitReady(); last)
            return {};
    }
    // Not ready for a reason that waiting does not obviously cure: ask the drive what is
    // pending, and wait only while that is a becoming-ready state.
    std::array<std::uint8_t, 40> sense{};
    for (;;) {
        if (last = mmc.RequestSense(sense); !last) {
            if (!last.Transient())
                return last;
        } else {
            const SenseData s = DecodeSense(std::span(sense.data(), mmc.Transferred()));
            if (s.key == 0 && s.asc == 0)
                return mmc.TestUnitReady();
            const bool becoming = s.asc == 0x04 && (s.ascq == 0x01 || s.ascq == 0x04 ||
                                                    s.ascq == 0x07 || s.ascq == 0x08);
            if (!becoming) {
                // The drive's own account of why it is not ready.
                if (auto again = mmc.TestUnitReady(); !again)
                    return again;
                return base::Fail("the drive is not ready");
            }
        }
        if (!Step(clock, deadline, stepMs))
            return late();
    }
}

namespace {

// Blocks a session grown in place takes on an overwritable disc: its ISO 9660 volume, up to
// the 16-block unit where the next session would start; 0 when the disc holds none.
std::uint32_t OverwritableUsed(MmcCommands& mmc) {
    std::array<std::uint8_t, kSectorSize> pvd{};
    if (!mmc.Read10(16, 1, pvd) || pvd[0] != 1 || std::memcmp(&pvd[1], "CD001", 5) != 0)
        return 0;
    const std::uint64_t volume = base::LoadLE<std::uint32_t>(&pvd[80]);
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>((volume + 15) / 16 * 16, 0xFFFFFFFFu));
}

} // namespace

DiscState ReadDiscState(ScsiDevice& device) {
    using namespace media_type;
    MmcCommands mmc(device);
    DiscState st;
    if (!mmc.TestUnitReady()) {
        (void)WaitReady(device, 3000, 5000);
        if (!mmc.TestUnitReady())
            return st;
    }
    st.present = true;
    st.blockSize = kSectorSize;

    // The table of contents: the last track, the sessions and the CD's capacity.
    std::array<std::uint8_t, 114> toc{};
    if (mmc.ReadToc(0, false, 0, toc)) {
        st.mediaName = "CD-ROM";
        if (const auto t = ParseToc(std::span(toc.data(), mmc.Transferred()), false)) {
            if (t->lastTrack)
                (void)mmc.ReadToc(0, false, t->lastTrack, toc);
        }
    }
    std::array<std::uint8_t, 12> sessions{};
    if (mmc.ReadToc(1, false, 0, sessions)) {
        if (const auto s = ParseSessionInformation(std::span(sessions.data(), mmc.Transferred()))) {
            st.firstSession = s->firstSession;
            st.lastSession = s->lastSession;
        }
    }
    std::array<std::uint8_t, 26> atip{};
    if (mmc.ReadToc(4, true, 0, atip)) {
        // The lead-out's time counts 150 blocks before block 0.
        if (const auto a = ParseAtip(std::span(atip.data(), mmc.Transferred())))
            st.capacity = a->leadOutStart >= 150 ? a->leadOutStart - 150 : 0;
    }

    const int type = GetMediaType(device);
    if (const auto profile = CurrentProfile(mmc)) {
        st.profile = *profile;
        st.mediaName = ProfileName(*profile);
        st.erasable = ErasableProfile(*profile);
    }
    // The track being written (or the invisible one) refines the capacity and free space. On a
    // DVD-R or DVD+R that holds sessions it is the disc's last track, not track 1.
    std::uint32_t trackAsked = type < kDvdRom ? 0xFF : 1;
    if (const auto d = DiscInfo(mmc);
        d && d->discStatus == disc_status::kAppendable && d->lastTrackInLastSession > 1)
        trackAsked = d->lastTrackInLastSession;
    if (const auto t = TrackInfo(mmc, trackAsked)) {
        if (t->nextWritableValid) {
            st.firstAddress = t->nextWritable;
            st.freeBlocks = t->freeBlocks;
            st.capacity = std::max(st.capacity, t->nextWritable + t->freeBlocks);
        } else if (t->size) {
            st.capacity = std::max(st.capacity, t->start + t->size);
        }
    }
    std::array<std::uint8_t, 248> formats{};
    if (mmc.ReadFormatCapacities(formats)) {
        if (const auto f = ParseFormatCapacities(std::span(formats.data(), mmc.Transferred())))
            st.capacity = std::max(st.capacity, f->SelectedBlocks());
    }

    if (const auto d = DiscInfo(mmc)) {
        st.discStatus = d->discStatus;
        st.erasable = d->erasable;
        // Discs whose last track was found by the invisible track of a later session also
        // want the session count of the disc information when the TOC gave none.
        if (!st.lastSession && d->discStatus != disc_status::kBlank) {
            st.firstSession = 1;
            st.lastSession = static_cast<std::uint8_t>(SessionCount(device));
        }
    } else {
        std::uint32_t last = 0;
        std::uint32_t length = 0;
        if (mmc.ReadCapacity(last, length)) {
            st.firstAddress = last;
            st.blockSize = length;
        }
        if (TrackInfo(mmc, 0))
            st.mediaName = "CD-ROM";
    }
    st.overwritable = st.profile == 0x12 || st.profile == 0x13 || st.profile == 0x1A;
    if (st.overwritable)
        st.freeBlocks = st.capacity - std::min(st.capacity, OverwritableUsed(mmc));
    else if (st.discStatus == disc_status::kComplete)
        st.freeBlocks = 0;
    st.capacity = std::max(st.capacity, st.firstAddress);
    return st;
}

} // namespace disc
