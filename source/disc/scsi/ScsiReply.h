// What one command on a drive came to: success, or the device's text of the failure together
// with the sense bytes the drive sent and whether the target was busy. It is a base::Status with
// the drive's details beside it, and converts to one wherever only the outcome matters; callers
// that wait or retry decide from the reply of the very command they sent.
#pragma once

#include "base/Result.h"
#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/SenseData.h"

#include <array>
#include <cstdint>
#include <span>
#include <utility>

namespace disc {

class [[nodiscard]] ScsiReply {
public:
    ScsiReply() = default;                                         // success
    ScsiReply(base::Error error) : status_(std::move(error)) {}    // NOLINT: failed before sending
    ScsiReply(base::Status status) : status_(std::move(status)) {} // NOLINT: no drive details
    // A finished block's outcome: its sense bytes (as many as the drive wrote), decoded, and
    // whether the target answered BUSY.
    ScsiReply(base::Status status, const RequestBlock& block);

    bool ok() const { return status_.ok(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return status_.error(); }
    const base::Status& Status() const { return status_; }
    operator const base::Status&() const { return status_; } // NOLINT: implicit by design

    // The sense bytes as the drive sent them (empty when it sent none).
    std::span<const std::uint8_t> SenseBytes() const { return {sense_.data(), senseLength_}; }
    const SenseData& Sense() const { return decoded_; }
    // The target answered BUSY.
    bool Busy() const { return busy_; }
    // Busy, or the unit is becoming ready (in progress, format, operation, long write): a
    // failure that waiting cures.
    bool Transient() const;

private:
    base::Status status_;
    std::array<std::uint8_t, kSenseCapacity> sense_{};
    std::size_t senseLength_ = 0;
    SenseData decoded_;
    bool busy_ = false;
};

} // namespace disc
