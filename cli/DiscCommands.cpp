#include "cli/DiscCommands.h"

#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/scsi/ScsiDevice.h"

#include <cstdio>
#include <string>

namespace cli {

namespace {

std::string MediumLine(disc::ScsiDevice& device) {
    const disc::DiscState state = disc::ReadDiscState(device);
    if (!state.present)
        return "no disc";
    const int type = device.KnownMediaType();
    const int sessions = disc::SessionCount(device);
    const unsigned long long freeBytes =
        static_cast<unsigned long long>(state.freeBlocks) * disc::kSectorSize;
    char line[256];
    std::snprintf(line, sizeof line, "%s, %s, %d session%s, %u blocks free (%llu MiB)",
                  disc::MediaName(type), state.StatusText().c_str(), sessions,
                  sessions == 1 ? "" : "s", state.freeBlocks, freeBytes / (1024 * 1024));
    return line;
}

} // namespace

int RunDrives(const QStringList& args) {
    if (args.size() > 2) {
        std::fputs("reelpane-cli: drives takes no arguments\n", stderr);
        return 2;
    }
    disc::ScsiDevice device;
    const base::Status opened = device.OpenTransport();
    if (device.DeviceList().empty()) {
        if (!opened && device.GetTransport() == nullptr) {
            std::fprintf(stderr, "reelpane-cli: %s\n", opened.error().c_str());
            return 1;
        }
        if (!opened && opened.error() != "no CD or DVD recorder found") {
            std::fprintf(stderr, "reelpane-cli: %s\n", opened.error().c_str());
            return 1;
        }
        std::puts("No recorders found.");
        return 0;
    }
    const std::vector<std::string> entries = device.DeviceList();
    for (const std::string& entry : entries) {
        std::printf("%s\n", entry.c_str());
        const std::size_t comma = entry.find(',');
        const auto address = disc::DriveAddress::Parse(entry.substr(0, comma));
        const disc::DriveInfo* drive = address ? device.GetTransport()->Find(*address) : nullptr;
        if (drive) {
            const base::Status access = device.GetTransport()->CheckAccess(*drive);
            if (!access) {
                std::printf("  %s\n", access.error().c_str());
                continue;
            }
        }
        if (auto selected = device.SelectDevice(entry); !selected) {
            std::printf("  %s\n", selected.error().c_str());
            continue;
        }
        std::printf("  %s\n", MediumLine(device).c_str());
    }
    std::fflush(stdout);
    return 0;
}

} // namespace cli
