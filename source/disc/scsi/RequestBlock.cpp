#include "disc/scsi/RequestBlock.h"

#include <charconv>

namespace disc {

std::string DriveAddress::Text() const {
    return std::to_string(host) + ':' + std::to_string(channel) + ':' + std::to_string(target) +
           ':' + std::to_string(lun);
}

std::optional<DriveAddress> DriveAddress::Parse(std::string_view text) {
    std::uint32_t parts[4] = {};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != ':')
                return std::nullopt;
            ++p;
        }
        if (p == end || *p < '0' || *p > '9')
            return std::nullopt;
        const auto r = std::from_chars(p, end, parts[i]);
        if (r.ec != std::errc())
            return std::nullopt;
        p = r.ptr;
    }
    if (p != end)
        return std::nullopt;
    return DriveAddress{parts[0], parts[1], parts[2], parts[3]};
}

RequestBlock RequestBlock::Command(std::uint8_t opcode, std::uint8_t length) {
    RequestBlock b;
    b.cdb[0] = opcode;
    b.cdbLength = length;
    return b;
}

void RequestBlock::SetDataIn(std::uint8_t* buffer, std::uint32_t length) {
    direction = length ? DataDirection::In : DataDirection::None;
    data = buffer;
    dataLength = length;
}

void RequestBlock::SetDataOut(const std::uint8_t* buffer, std::uint32_t length) {
    direction = length ? DataDirection::Out : DataDirection::None;
    // The transports only read an outgoing buffer.
    data = const_cast<std::uint8_t*>(buffer);
    dataLength = length;
}

void RequestBlock::SetCheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    status = request_status::kError;
    hostStatus = host_status::kOk;
    targetStatus = target_status::kCheckCondition;
    sense.fill(0);
    sense[0] = 0x70;
    sense[2] = key & 0x0F;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    senseLength = 18;
}

void RequestBlock::ClearResult() {
    status = request_status::kPending;
    hostStatus = host_status::kOk;
    targetStatus = target_status::kGood;
    sense.fill(0);
    senseLength = 0;
    transferred = 0;
    transportMessage.clear();
}

} // namespace disc
