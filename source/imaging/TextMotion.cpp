#include "imaging/TextMotion.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace imaging {

namespace {

constexpr double kPhaseSeconds = 1.0;
constexpr double kRiseHeights = 0.06;
constexpr double kZoomGrowth = 0.08;
constexpr double kLetterSeconds = 0.08;

constexpr std::array<const char*, kTextMotionCount> kNames = {"none", "fade", "rise", "typewriter",
                                                              "zoom"};

double Smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

} // namespace

TextMotionState TextMotionAt(TextMotion motion, double u, double seconds, int letters) {
    TextMotionState state;
    if (motion == TextMotion::None)
        return state;
    u = std::clamp(std::isfinite(u) ? u : 0.0, 0.0, 1.0);
    seconds = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
    const double t = u * seconds;
    const double phase = std::min(kPhaseSeconds, seconds / 4.0);
    const double in = phase > 0.0 ? Smoothstep(t / phase) : 1.0;
    const double out = phase > 0.0 ? Smoothstep((seconds - t) / phase) : 1.0;
    switch (motion) {
    case TextMotion::Fade:
        state.Opacity = std::min(in, out);
        break;
    case TextMotion::Rise:
        state.Opacity = std::min(in, out);
        state.Rise = kRiseHeights * (1.0 - in);
        break;
    case TextMotion::Zoom:
        state.Opacity = std::min(in, out);
        state.Scale = 1.0 + kZoomGrowth * u;
        break;
    case TextMotion::Typewriter: {
        const int count = std::max(letters, 0);
        const double typing = std::min(seconds / 2.0, kLetterSeconds * count);
        // The first letter shows on the first frame, the last when the typing time is up.
        const int shown =
            typing > 0.0 ? 1 + static_cast<int>(std::floor(t / typing * std::max(count - 1, 0)))
                         : count;
        state.Letters = std::clamp(shown, std::min(count, 1), count);
        state.Opacity = out;
        break;
    }
    case TextMotion::None:
        break;
    }
    return state;
}

const char* TextMotionName(TextMotion motion) {
    const auto k = static_cast<std::size_t>(motion);
    return k < kNames.size() ? kNames[k] : kNames[0];
}

std::optional<TextMotion> ParseTextMotion(const std::string& name) {
    for (std::size_t k = 0; k < kNames.size(); ++k)
        if (name == kNames[k])
            return static_cast<TextMotion>(k);
    return std::nullopt;
}

} // namespace imaging
