// Fuzzes the virtual recorder's command interpreter: any command block with any outgoing data
// is answered (done or CHECK CONDITION) and never moves more data than the block holds.
#include "disc/virtual/VirtualRecorder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

disc::VirtualRecorder& Recorder(std::uint8_t which) {
    static std::vector<std::shared_ptr<disc::VirtualRecorder>> recorders = [] {
        const std::string dir = "/tmp/reelpane-fuzz-" + std::to_string(::getpid());
        std::string cmd = "mkdir -p " + dir;
        if (std::system(cmd.c_str()) != 0)
            std::abort();
        std::vector<std::shared_ptr<disc::VirtualRecorder>> out;
        for (const char* kind :
             {"cd-r", "cd-rw", "dvd-r", "dvd-rw", "dvd+r", "dvd+rw", "dvd-ram"}) {
            auto r = disc::VirtualRecorder::Open(*disc::VirtualMedium::KindFromName(kind),
                                                 dir + "/" + kind + ".img");
            if (!r)
                std::abort();
            out.push_back(*r);
        }
        return out;
    }();
    return *recorders[which % recorders.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 20)
        return 0;
    disc::RequestBlock b;
    std::copy_n(data, 16, b.cdb.begin());
    const std::uint8_t lengths[] = {6, 10, 12, 16};
    b.cdbLength = lengths[data[16] & 3];
    // Keep writes small so the images stay small.
    if (b.cdb[0] == 0x2A)
        b.cdb[7] = 0;
    std::vector<std::uint8_t> buffer(data + 19, data + size);
    const std::uint8_t mode = data[17] % 3;
    if (mode == 1) {
        buffer.resize(std::min<std::size_t>(buffer.size() + data[18] * 64u, 64 * 1024));
        b.SetDataIn(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    } else if (mode == 2) {
        b.SetDataOut(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    }
    Recorder(data[18]).Execute(b);
    if (b.status != disc::request_status::kDone && b.status != disc::request_status::kError)
        std::abort();
    if (b.transferred > b.dataLength)
        std::abort();
    if (b.status == disc::request_status::kError && b.senseLength == 0 &&
        b.targetStatus == disc::target_status::kCheckCondition)
        std::abort();
    return 0;
}
