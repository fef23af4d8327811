#include "disc/DriveSectorSource.h"

#include "disc/MediaDetection.h"
#include "disc/MmcCommands.h"
#include "disc/MmcReplies.h"

#include <algorithm>
#include <array>

namespace disc {

base::Status DriveSectorSource::Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    if (lba > sectors_ || count > sectors_ - lba)
        return base::Fail("read beyond the recorded part of the disc");
    MmcCommands mmc(device_);
    constexpr std::uint32_t kChunk = 32;
    while (count > 0) {
        const std::uint32_t n = std::min(count, kChunk);
        bool ok = mmc.Read10(lba, static_cast<std::uint16_t>(n),
                             std::span(out, static_cast<std::size_t>(n) * kSectorSize));
        for (int retry = 0; !ok && retry < 3 && LastFailureIsTransient(device_); ++retry) {
            device_.Clock().SleepMs(500);
            ok = mmc.Read10(lba, static_cast<std::uint16_t>(n),
                            std::span(out, static_cast<std::size_t>(n) * kSectorSize));
        }
        if (!ok)
            return base::Fail("READ ERROR AT SECTOR " + std::to_string(lba) + " [" +
                              device_.LastError() + "]");
        lba += n;
        count -= n;
        out += static_cast<std::size_t>(n) * kSectorSize;
    }
    return {};
}

base::Result<std::uint32_t> DriveSectorSource::LastSessionStart() {
    const int type = device_.KnownMediaType() ? device_.KnownMediaType() : GetMediaType(device_);
    if (type == media_type::kDvdPlusRw || type == media_type::kDvdRam ||
        type == media_type::kDvdRwRestricted)
        return std::uint32_t{0};
    MmcCommands mmc(device_);
    std::array<std::uint8_t, 12> reply{};
    if (!mmc.ReadToc(1, false, 0, reply))
        return base::Fail("cannot read the sessions of the disc [" + device_.LastError() + "]");
    const auto info = ParseSessionInformation(std::span(reply.data(), mmc.Transferred()));
    if (!info)
        return base::Fail(info.error());
    return info->startOfLastSession;
}

} // namespace disc
