// Sense answers and command-field helpers shared by the parts of the virtual recorder.
#pragma once

#include "base/Endian.h"
#include "disc/scsi/RequestBlock.h"
#include "disc/virtual/VirtualMedium.h"

#include <cstdint>
#include <span>

namespace disc::virtual_recorder {

inline constexpr std::uint32_t kBlock = 2048;
inline constexpr std::size_t kLogLimit = 256;
inline constexpr int kAnyOpcode = 256;
// Polls an immediate operation stays "in progress".
inline constexpr int kOperationPolls = 3;

inline constexpr SenseCode kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr SenseCode kInvalidField{0x05, 0x24, 0x00};
inline constexpr SenseCode kInvalidParameter{0x05, 0x26, 0x00};
inline constexpr SenseCode kListLength{0x05, 0x1A, 0x00};
inline constexpr SenseCode kIllegalMode{0x05, 0x64, 0x00};
inline constexpr SenseCode kRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr SenseCode kIncompatibleMedium{0x05, 0x30, 0x00};
inline constexpr SenseCode kReadError{0x03, 0x11, 0x00};
inline constexpr SenseCode kWriteError{0x03, 0x0C, 0x00};
inline constexpr SenseCode kFixationError{0x03, 0x72, 0x00};
inline constexpr SenseCode kMediumChanged{0x06, 0x28, 0x00};

inline std::uint16_t Be16(const RequestBlock& b, std::size_t at) {
    return base::LoadBE<std::uint16_t>(&b.cdb[at]);
}
inline std::uint32_t Be32(const RequestBlock& b, std::size_t at) {
    return base::LoadBE<std::uint32_t>(&b.cdb[at]);
}

// The outgoing data of a block as far as it really is there.
inline std::span<const std::uint8_t> Outgoing(const RequestBlock& b) {
    if (b.direction != DataDirection::Out || !b.data)
        return {};
    return {b.data, b.dataLength};
}

} // namespace disc::virtual_recorder
