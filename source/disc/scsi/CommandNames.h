// Names of SCSI/MMC operation codes for logs and failure reports.
#pragma once

#include <cstdint>
#include <string>

namespace disc {

// The command's name padded with blanks to 22 characters, or two upper-case hex digits for an
// operation code without a name.
std::string CommandName(std::uint8_t opcode);

} // namespace disc
