// The readable texts of command failures: request status, host and target status, sense keys
// and the additional sense codes of the SCSI primary and multimedia command sets.
#pragma once

#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/SenseData.h"

#include <cstdint>
#include <string>

namespace disc {

// "" for pending and done, else e.g. "NO DEVICE", "UNKNOWN".
std::string RequestStatusText(std::uint8_t status);
// For a kError block: the host-adapter text when the host status is set, else the target
// status text ("CHECK CONDITION", "TARGET BUSY"...).
std::string ErrorStatusText(std::uint8_t hostStatus, std::uint8_t targetStatus);
// The sense key text; filemark, end of medium and illegal length refine key 0. Keys 9 and 0Ch
// keep "CHECK CONDITION".
std::string SenseKeyText(const SenseData& sense);
// The additional sense text in capitals; a pair not in the table gives "asc,ascq" in decimal.
std::string AdditionalSenseText(std::uint8_t asc, std::uint8_t ascq);
// Whether the table knows the pair (for tests of the table itself).
bool AdditionalSenseKnown(std::uint8_t asc, std::uint8_t ascq);

// The whole failure text of a finished block, or "" when it succeeded: the transport's own
// message when it gave one, else the status text, where CHECK CONDITION is replaced by the sense
// key text, followed by " (" additional sense text ")" when sense data came back.
std::string FailureText(const RequestBlock& block);

} // namespace disc
