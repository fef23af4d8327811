#include "disc/mmc/DriveCapabilities.h"

#include "base/Endian.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/mmc/MmcReplies.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace disc {

namespace {

constexpr std::uint8_t kCapabilitiesPage = 0x2A;
constexpr std::uint8_t kVendorPage = 0x30;
constexpr std::uint8_t kWriteParametersPage = 0x05;

// Copies the located page into the device's page copy; returns the page as a view.
Reply CopyPage(DriveCapabilities& caps, Reply reply, std::size_t at) {
    const std::size_t n =
        std::min({reply.size() - at, std::size_t{2} + reply[at + 1], caps.page.size()});
    std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(at), n, caps.page.begin());
    return Reply(caps.page.data(), n);
}

bool FeatureReported(MmcCommands& mmc, std::uint16_t feature, bool& current) {
    std::uint8_t reply[114] = {};
    if (!mmc.GetConfiguration(feature, reply))
        return false;
    const auto c = ParseConfiguration(std::span(reply, mmc.Transferred()));
    if (!c || !c->feature || *c->feature != feature)
        return false;
    current = c->featureCurrent;
    return true;
}

std::string Grouped(std::uint32_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    const int len = static_cast<int>(digits.size());
    for (int i = 0; i < len; ++i) {
        if (i > 0 && (len - i) % 3 == 0)
            out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return out;
}

} // namespace

base::Status ReadCapabilities(ScsiDevice& device) {
    using namespace capability;
    MmcCommands mmc(device);
    DriveCapabilities& caps = device.Capabilities();
    caps.bits = 0;
    caps.maxWriteSpeed = 0;
    caps.maxReadSpeed = 0;
    caps.page.fill(0);

    // Default values first: some drives report their full speeds only there.
    std::uint32_t defaultMaxWrite = 0;
    std::uint32_t defaultMaxRead = 0;
    std::vector<std::uint8_t> reply(255);
    if (mmc.ModeSense10(kCapabilitiesPage, true, reply)) {
        const Reply r(reply.data(), mmc.Transferred());
        if (const auto at = LocateModePage(r, kCapabilitiesPage)) {
            const Reply page = CopyPage(caps, r, *at);
            if (const auto p = ParseCapabilitiesPage(page)) {
                caps.bits = p->bits;
                defaultMaxWrite =
                    p->maxWriteSpeed ? p->maxWriteSpeed : ((p->bits & kDvdRamWrite) ? 1u : 0u);
                defaultMaxRead =
                    p->maxReadSpeed ? p->maxReadSpeed : ((p->bits & kDvdRamWrite) ? 1u : 0u);
            }
        }
    }
    std::vector<std::uint8_t> vendor(128);
    if (mmc.ModeSense10(kVendorPage, false, vendor) &&
        LocateModePage(Reply(vendor.data(), mmc.Transferred()), kVendorPage))
        caps.bits |= kUnderrunProtection;
    if (device.Quirks().underrunProtectionAssumed)
        caps.bits |= kUnderrunProtection;

    bool current = false;
    if (FeatureReported(mmc, 0x2A, current)) {
        caps.bits |= kDvdPlusRRead | kDvdPlusRwRead;
        if (current)
            caps.bits |= kDvdPlusRWrite | kDvdPlusRwWrite;
    }
    current = false;
    if (FeatureReported(mmc, 0x2F, current)) {
        caps.bits |= kDvdRRead | kDvdRwRead;
        if (current)
            caps.bits |= kDvdRWrite | kDvdRwWrite;
    }

    std::vector<std::uint8_t> now(128);
    if (auto sensed = mmc.ModeSense10(kCapabilitiesPage, false, now); !sensed) {
        caps.writeSpeed = caps.readSpeed = 0;
        return sensed;
    }
    const Reply r(now.data(), mmc.Transferred());
    const auto at = LocateModePage(r, kCapabilitiesPage);
    if (!at)
        return base::Fail("the drive's reply holds no capabilities page");
    const Reply page = CopyPage(caps, r, *at);
    const auto p = ParseCapabilitiesPage(page);
    if (!p)
        return base::Fail("the drive's capabilities page is too short");
    // A drive reporting a write speed of 0 writes at one DVD step at least.
    const std::uint32_t writeSpeed = p->writeSpeed ? p->writeSpeed : kDvdSpeedUnit;
    const std::uint32_t maxWrite = p->maxWriteSpeed ? p->maxWriteSpeed : kDvdSpeedUnit;
    caps.writeSpeed = writeSpeed;
    caps.readSpeed = p->readSpeed;
    caps.maxWriteSpeed = std::max(defaultMaxWrite, maxWrite);
    caps.maxReadSpeed = std::max<std::uint32_t>(defaultMaxRead, p->maxReadSpeed);
    return {};
}

base::Status SetSpeeds(ScsiDevice& device, std::uint16_t readKBps, std::uint16_t writeKBps) {
    MmcCommands mmc(device);
    return mmc.SetCdSpeed(readKBps, writeKBps);
}

base::Status SetWriteSpeed(ScsiDevice& device, std::uint16_t writeKBps) {
    auto& caps = device.Capabilities();
    base::Status ok = SetSpeeds(
        device, static_cast<std::uint16_t>(std::min<std::uint32_t>(caps.readSpeed, 0xFFFF)),
        writeKBps);
    caps.writeSpeed = writeKBps;
    return ok;
}

std::uint8_t ProbeWriteModes(ScsiDevice& device) {
    struct Mode {
        std::uint8_t bit, writeType, blockType;
    };
    constexpr Mode kModes[] = {{write_mode::kRaw, 3, 1},
                               {write_mode::kSessionAtOnce, 2, 0},
                               {write_mode::kTrackAtOnce, 1, 0}};
    MmcCommands mmc(device);
    std::uint8_t accepted = 0;
    for (const Mode& m : kModes) {
        std::vector<std::uint8_t> reply(512);
        if (!mmc.ModeSense10(kWriteParametersPage, false, reply))
            continue;
        const Reply r(reply.data(), mmc.Transferred());
        const auto at = LocateModePage(r, kWriteParametersPage);
        if (!at)
            continue;
        const std::size_t pageLength = std::size_t{2} + r[*at + 1];
        if (pageLength < 16)
            continue;
        std::vector<std::uint8_t> list(8 + pageLength, 0);
        std::copy_n(r.begin() + static_cast<std::ptrdiff_t>(*at), pageLength, list.begin() + 8);
        std::uint8_t* page = list.data() + 8;
        page[0] &= 0x3F; // the saveable bit is not sent back
        page[2] = static_cast<std::uint8_t>((page[2] & 0xF0) | m.writeType);
        if (device.Quirks().linkSizeValidForced)
            page[2] |= 0x20;
        page[3] = 0;
        page[4] = m.blockType;
        page[8] = 0;
        page[9] = 0;
        base::StoreBE<std::uint16_t>(page + 14, 150);
        if (mmc.ModeSelect10(list))
            accepted |= m.bit;
    }
    return accepted;
}

std::string SpeedText(int mediaType, std::uint32_t kbps) {
    char head[32];
    if (mediaType >= 5 && mediaType <= 11)
        std::snprintf(head, sizeof head, "%.1fX", static_cast<double>(kbps) / kDvdSpeedUnit);
    else
        std::snprintf(head, sizeof head, "%.0fX", static_cast<double>(kbps) / kCdSpeedUnit);
    return std::string(head) + " (" + Grouped(kbps) + " KB/s)";
}

} // namespace disc
