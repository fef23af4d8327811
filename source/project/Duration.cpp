#include "project/Duration.h"

#include <cstdio>

namespace project {

namespace {
std::string TwoDigits(std::int64_t v) {
    char buf[32];
    if (v < 0)
        std::snprintf(buf, sizeof buf, "-%02lld", static_cast<long long>(-v));
    else
        std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(v));
    return buf;
}
} // namespace

std::string FormatDuration(std::int64_t seconds) {
    // Division truncates toward zero, so a negative value shows its sign on each part.
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = (seconds / 60) % 60;
    const std::int64_t secs = seconds % 60;
    return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(secs);
}

std::string FormatDurationMs(std::int64_t ms) {
    if (ms % 1000 == 0)
        return FormatDuration(ms / 1000);
    const bool negative = ms < 0;
    const std::int64_t tenths = ((negative ? -ms : ms) + 50) / 100;
    const std::int64_t seconds = tenths / 10;
    // Under an hour the hours are left out, so the tenths take no more room than whole seconds.
    const std::string whole = seconds < 3600
                                  ? std::to_string(seconds / 60) + ":" + TwoDigits(seconds % 60)
                                  : FormatDuration(seconds);
    return (negative ? "-" : "") + whole + "." + std::to_string(tenths % 10);
}

} // namespace project
