// Dates as ISO 9660 stores them: the 7-byte form of directory records and the 17-character form
// of volume descriptors, both in local time with their offset from UTC in 15-minute units.
#pragma once

#include <cstdint>

namespace disc {

// seconds since 1970 UTC -> year-1900, month, day, hour, minute, second, offset.
void StoreRecordDate(std::int64_t seconds, std::uint8_t out[7]);
// The 7-byte form back to seconds since 1970 UTC; 0 when the bytes hold no valid date.
std::int64_t LoadRecordDate(const std::uint8_t in[7]);
// "YYYYMMDDHHMMSScc" and the offset byte; hundredths 0..99.
void StoreDescriptorDate(std::int64_t seconds, int hundredths, std::uint8_t out[17]);
// The descriptor form of "not specified": sixteen "0" digits and offset 0.
void StoreNoDescriptorDate(std::uint8_t out[17]);

} // namespace disc
