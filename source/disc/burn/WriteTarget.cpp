#include "disc/burn/WriteTarget.h"

#include "disc/mmc/MmcCommands.h"

namespace disc {

namespace {

constexpr int kBusyRetries = 100;
constexpr std::int64_t kBusyWaitMs = 600;

} // namespace

base::Status DriveTarget::Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                                base::Progress& progress) {
    (void)mediaType_;
    MmcCommands mmc(device_);
    const auto count = static_cast<std::uint16_t>(sectors.size() / kSectorSize);
    for (int attempt = 0; attempt < kBusyRetries; ++attempt) {
        const ScsiReply written = mmc.Write10(lba, count, sectors);
        if (written)
            return {};
        const bool transient = written.Busy() || written.Sense().asc == 0x04;
        if (!transient)
            return base::Fail("WRITER ERROR [" + written.error() + "]");
        if (progress.Cancelled())
            return base::Fail("OPERATION ABORTED BY USER");
        device_.Clock().SleepMs(kBusyWaitMs);
    }
    return base::Fail("WRITER BUSY/BUFFER FULL");
}

} // namespace disc
