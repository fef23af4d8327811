// Sense data a drive returns with CHECK CONDITION, decoded from either format: fixed (response
// codes 70h/71h, with the valid bit F0h/F1h) or descriptor (72h/73h). Only the bytes the drive
// really sent are read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace disc {

struct SenseData {
    std::uint8_t responseCode = 0; // without the valid bit
    bool deferred = false;         // 71h/73h: the error belongs to an earlier command
    bool descriptorFormat = false;
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    bool filemark = false;
    bool endOfMedium = false;
    bool illegalLength = false;
    std::optional<std::uint64_t> information; // e.g. the failing block address
    std::optional<std::uint16_t> progress;    // 0..65535 of a format, blank or close in progress

    // True when the bytes hold a known response code (70h-73h, valid bit allowed).
    bool Known() const { return responseCode >= 0x70 && responseCode <= 0x73; }
};

// Decodes the bytes; an empty buffer, a response code of 0 or an unknown one give a SenseData
// whose Known() is false (responseCode tells which).
SenseData DecodeSense(std::span<const std::uint8_t> bytes);

// Builds sense bytes in the fixed format (18 bytes) or the descriptor format (8 bytes, plus an
// information descriptor when information is given). Used by the virtual recorder.
std::size_t EncodeSense(std::span<std::uint8_t> out, bool descriptorFormat, bool deferred,
                        std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                        std::optional<std::uint64_t> information = std::nullopt,
                        std::optional<std::uint16_t> progress = std::nullopt);

} // namespace disc
