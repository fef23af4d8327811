#include "disc/scsi/ScsiTexts.h"

namespace disc {

std::string RequestStatusText(std::uint8_t status) {
    using namespace request_status;
    switch (status) {
    case kPending:
    case kDone:
        return {};
    case kAborted:
    case kAbortFailed:
        return "OPERATION ABORTED BY USER";
    case kInvalidRequest:
        return "INVALID REQUEST";
    case kInvalidHost:
        return "INVALID HOST ADAPTER";
    case kNoDevice:
        return "NO DEVICE";
    case kInvalidBlock:
        return "INVALID SRB";
    case kBufferAlignment:
        return "BUFFER ALIGNMENT";
    case kBusy:
        return "ASPI IS BUSY";
    case kBufferTooBig:
        return "BUFFER TOO BIG";
    default:
        return "UNKNOWN";
    }
}

std::string ErrorStatusText(std::uint8_t hostStatus, std::uint8_t targetStatus) {
    if (hostStatus != host_status::kOk) {
        switch (hostStatus) {
        case host_status::kCommandTimeout:
            return "COMMAND TIMEOUT";
        case host_status::kRequestTimeout:
            return "SRB TIMEOUT";
        case host_status::kMessageReject:
            return "MESSAGE REJECT";
        case host_status::kBusReset:
            return "BUS RESET";
        case host_status::kParityError:
            return "PARITY ERROR";
        case host_status::kRequestSenseFailed:
            return "REQUEST SENSE FAILED";
        case host_status::kSelectionTimeout:
            return "SELECTION TIMEOUT";
        case host_status::kDataOverrun:
            return "DATA OVERRUN";
        case host_status::kUnexpectedBusFree:
            return "UNEXPECTED BUS FREE";
        default:
            return "UNKNOWN";
        }
    }
    switch (targetStatus) {
    case target_status::kGood:
    case target_status::kCheckCondition:
        return "CHECK CONDITION";
    case target_status::kBusy:
        return "TARGET BUSY";
    case target_status::kReservationConflict:
        return "TARGET RESERVATION CONFLICT";
    case target_status::kQueueFull:
        return "TARGET QUEUE FULL";
    default:
        return "UNKNOWN";
    }
}

std::string SenseKeyText(const SenseData& sense) {
    switch (sense.key) {
    case 0x0:
        if (sense.filemark)
            return "FILEMARK";
        if (sense.endOfMedium)
            return "END OF MEDIA";
        if (sense.illegalLength)
            return "ILLEGAL LENGTH";
        return "NO ADDITIONAL SENSE INFORMATION";
    case 0x1:
        return "RECOVERED ERROR";
    case 0x2:
        return "NOT READY";
    case 0x3:
        return "MEDIUM ERROR";
    case 0x4:
        return "HARDWARE ERROR";
    case 0x5:
        return "ILLEGAL REQUEST";
    case 0x6:
        return "UNIT ATTENTION";
    case 0x7:
        return "DATA PROTECT";
    case 0x8:
        return "ERASE CHECK";
    case 0xA:
        return "COPYABORTED";
    case 0xB:
        return "ABORTED COMMAND";
    case 0xD:
        return "VOLUME OVERFLOW";
    case 0xE:
        return "MISCOMPARE";
    case 0xF:
        return "RESERVED";
    default: // 9 and 0Ch
        return "CHECK CONDITION";
    }
}

std::string FailureText(const RequestBlock& block) {
    if (!block.transportMessage.empty())
        return block.transportMessage;
    if (block.status == request_status::kDone || block.status == request_status::kPending)
        return {};
    std::string text = block.status == request_status::kError
                           ? ErrorStatusText(block.hostStatus, block.targetStatus)
                           : RequestStatusText(block.status);
    if (text != "CHECK CONDITION")
        return text;
    if (block.senseLength == 0)
        return text;
    const SenseData sense = DecodeSense(std::span(block.sense.data(), block.senseLength));
    // Empty sense bytes explain nothing; the failure keeps its status text.
    if (sense.responseCode == 0)
        return text;
    if (!sense.Known())
        return "UNKNOWN";
    return SenseKeyText(sense) + " (" + AdditionalSenseText(sense.asc, sense.ascq) + ")";
}

} // namespace disc
