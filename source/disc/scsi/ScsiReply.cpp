#include "disc/scsi/ScsiReply.h"

#include <algorithm>

namespace disc {

ScsiReply::ScsiReply(base::Status status, const RequestBlock& block)
    : status_(std::move(status)),
      senseLength_(std::min<std::size_t>(block.senseLength, kSenseCapacity)) {
    std::copy_n(block.sense.begin(), senseLength_, sense_.begin());
    decoded_ = DecodeSense(SenseBytes());
    busy_ = block.status == request_status::kError && block.hostStatus == host_status::kOk &&
            block.targetStatus == target_status::kBusy;
}

bool ScsiReply::Transient() const {
    if (busy_)
        return true;
    if (decoded_.asc != 0x04)
        return false;
    return decoded_.ascq == 0x01 || decoded_.ascq == 0x04 || decoded_.ascq == 0x07 ||
           decoded_.ascq == 0x08;
}

} // namespace disc
