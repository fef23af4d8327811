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

} // namespace project
