// Fuzzes the sense-data reader and the failure text built from it: any bytes decode without
// reading past them, and a failed block always gets a text.
#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/ScsiTexts.h"
#include "disc/scsi/SenseData.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const disc::SenseData s = disc::DecodeSense(std::span(data, size));
    if (s.key > 0x0F)
        std::abort();
    if (s.Known() && s.responseCode != (data[0] & 0x7F))
        std::abort();

    disc::RequestBlock b = disc::RequestBlock::Command(0x28, 10);
    b.status = disc::request_status::kError;
    b.targetStatus = size ? data[0] : 0;
    b.hostStatus = size > 1 ? (data[1] & 0x1F) : 0;
    const std::size_t n = std::min(size, b.sense.size());
    std::copy_n(data, n, b.sense.begin());
    b.senseLength = static_cast<std::uint8_t>(n);
    if (disc::FailureText(b).empty())
        std::abort();
    return 0;
}
