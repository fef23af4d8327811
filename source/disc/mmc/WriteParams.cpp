#include "disc/mmc/WriteParams.h"

#include "base/Endian.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <vector>

namespace disc {

namespace {

constexpr std::uint32_t kCapUnderrunProtection = 0x40000;
constexpr std::uint32_t kCapTestWrite = 0x800;

} // namespace

std::array<std::uint8_t, kWriteParamsPageBytes>
BuildWriteParamsPage(std::array<std::uint8_t, kWriteParamsPageBytes> p, int type,
                     const WriteParamsOptions& o, std::uint32_t caps, bool linkSizeQuirk) {
    using namespace media_type;
    p[0] = 0x05;
    p[1] = 0x32;
    if (type == kDvdR) {
        p[2] = 0x60;
        p[3] = 0xE5;
        p[5] = 0x10;
        base::StoreBE<std::uint32_t>(&p[10], 16);
    } else {
        p[2] = 0x01; // track at once
        p[3] = 0x04;
        p[5] = 0x00;
        base::StoreBE<std::uint32_t>(&p[10], 0);
    }
    p[4] = 0x08; // mode 1 data, 2048 bytes
    if (type == kDvdPlusRw || type == kDvdPlusR) {
        p[2] = 0x22;
        p[3] |= 0xC0;
    }
    if (linkSizeQuirk)
        p[2] |= 0x20;
    if (type == kDvdR || type == kDvdRw || type == kDvdRwRestricted || type == kDvdRwSequential ||
        type == kDvdPlusR)
        p[3] |= 0xE0;
    else if (!o.testWrite && !o.finalizeDisc)
        p[3] |= 0xC0; // another session may follow
    else
        p[3] &= 0x3F;
    p[2] = static_cast<std::uint8_t>(
        (p[2] & ~0x50) | ((caps & kCapUnderrunProtection) && o.underrunProtection ? 0x40 : 0x00) |
        ((caps & kCapTestWrite) && o.testWrite ? 0x10 : 0x00));
    for (int i = 6; i <= 9; ++i)
        p[static_cast<std::size_t>(i)] = 0;
    if (type == kDvdPlusR) {
        p[6] = 0x10;
        base::StoreBE<std::uint32_t>(&p[10], 16);
    }
    if (type == kDvdRwRestricted || type == kDvdRwSequential) {
        p[2] = static_cast<std::uint8_t>(0x20 | (p[2] & 0x50));
        p[3] = 0xC5;
        p[5] = 0x10;
    }
    if (type == kDvdPlusR) {
        p[3] = 0xC4;
        p[6] = 0;
    }
    if (type == kDvdPlusRw) {
        p[3] = 0x04;
        p[5] = 0x10;
    }
    base::StoreBE<std::uint16_t>(&p[14], 150);
    return p;
}

base::Status SendWriteParams(ScsiDevice& device, int type, const WriteParamsOptions& options) {
    if (type == media_type::kDvdRam)
        return {};
    MmcCommands mmc(device);
    std::vector<std::uint8_t> reply(512);
    std::array<std::uint8_t, kWriteParamsPageBytes> page{};
    if (mmc.ModeSense10(0x05, false, reply)) {
        const std::size_t got = std::min<std::size_t>(mmc.Transferred(), reply.size());
        if (const auto at = LocateModePage(std::span(reply.data(), got), 0x05); at && *at < got) {
            const std::size_t n = std::min(page.size(), got - *at);
            std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(*at), n, page.begin());
        }
    }
    page = BuildWriteParamsPage(page, type, options, device.Capabilities().bits,
                                device.Quirks().linkSizeValidForced);
    std::array<std::uint8_t, 8 + kWriteParamsPageBytes> list{};
    std::copy(page.begin(), page.end(), list.begin() + 8);
    return mmc.ModeSelect10(list);
}

} // namespace disc
