#include "media/music/SoftLimiter.h"

#include <cmath>

namespace media {

float SoftLimit(float x) {
    const float a = std::fabs(x);
    if (!(a > kLimiterThreshold)) // also catches NaN, made silence below
        return std::isnan(x) ? 0.0f : x;
    constexpr float room = kLimiterCeiling - kLimiterThreshold;
    const float bent = kLimiterThreshold + room * std::tanh((a - kLimiterThreshold) / room);
    // tanh rounds to 1 in float for large inputs: stay strictly under the ceiling.
    const float limited = std::fmin(bent, std::nextafter(kLimiterCeiling, 0.0f));
    return x < 0 ? -limited : limited;
}

std::int16_t LimitToPcm16(float x) {
    return static_cast<std::int16_t>(std::lrint(SoftLimit(x) * 32768.0f));
}

} // namespace media
