#include "disc/iso/IsoDates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace disc {

namespace {

// Local time of a moment and its offset east of UTC in 15-minute units, clamped to what a
// signed offset byte may hold (-48 .. +52).
std::tm LocalTime(std::int64_t seconds, int& quarterHours) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) {
        tm = std::tm{};
        tm.tm_year = 70;
        tm.tm_mday = 1;
        tm.tm_gmtoff = 0;
    }
    quarterHours = std::clamp(static_cast<int>(tm.tm_gmtoff / 900), -48, 52);
    return tm;
}

} // namespace

void StoreRecordDate(std::int64_t seconds, std::uint8_t out[7]) {
    int offset = 0;
    std::tm tm = LocalTime(seconds, offset);
    if (tm.tm_year < 0) { // before 1900: the earliest date the field can hold
        tm = std::tm{};
        tm.tm_mday = 1;
    } else if (tm.tm_year > 255) {
        tm.tm_year = 255;
        tm.tm_mon = 11;
        tm.tm_mday = 31;
        tm.tm_hour = 23;
        tm.tm_min = 59;
        tm.tm_sec = 59;
    }
    out[0] = static_cast<std::uint8_t>(tm.tm_year);
    out[1] = static_cast<std::uint8_t>(tm.tm_mon + 1);
    out[2] = static_cast<std::uint8_t>(tm.tm_mday);
    out[3] = static_cast<std::uint8_t>(tm.tm_hour);
    out[4] = static_cast<std::uint8_t>(tm.tm_min);
    out[5] = static_cast<std::uint8_t>(std::min(tm.tm_sec, 59));
    out[6] = static_cast<std::uint8_t>(static_cast<std::int8_t>(offset));
}

std::int64_t LoadRecordDate(const std::uint8_t in[7]) {
    if (in[1] < 1 || in[1] > 12 || in[2] < 1 || in[2] > 31 || in[3] > 23 || in[4] > 59 ||
        in[5] > 60)
        return 0;
    std::tm tm{};
    tm.tm_year = in[0];
    tm.tm_mon = in[1] - 1;
    tm.tm_mday = in[2];
    tm.tm_hour = in[3];
    tm.tm_min = in[4];
    tm.tm_sec = in[5];
    auto offset = static_cast<std::int8_t>(in[6]);
    if (offset < -48 || offset > 52)
        offset = 0;
    return static_cast<std::int64_t>(::timegm(&tm)) - static_cast<std::int64_t>(offset) * 900;
}

void StoreDescriptorDate(std::int64_t seconds, int hundredths, std::uint8_t out[17]) {
    int offset = 0;
    const std::tm tm = LocalTime(seconds, offset);
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%02d",
                  std::clamp(tm.tm_year + 1900, 1, 9999), tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min, std::min(tm.tm_sec, 59), std::clamp(hundredths, 0, 99));
    std::memcpy(out, text, 16);
    out[16] = static_cast<std::uint8_t>(static_cast<std::int8_t>(offset));
}

void StoreNoDescriptorDate(std::uint8_t out[17]) {
    std::memset(out, '0', 16);
    out[16] = 0;
}

} // namespace disc
