#include "media/music/BeatCuts.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace media {

namespace {

// The beat nearest `planned` at or after `earliest`, when one is within kMaxBeatShiftMs.
std::optional<std::int64_t> NearestBeat(const std::vector<std::int64_t>& beats,
                                        std::int64_t planned, std::int64_t earliest) {
    std::optional<std::int64_t> best;
    auto consider = [&](std::vector<std::int64_t>::const_iterator it) {
        if (it == beats.end() || *it < earliest || std::llabs(*it - planned) > kMaxBeatShiftMs)
            return;
        if (!best || std::llabs(*it - planned) < std::llabs(*best - planned))
            best = *it;
    };
    // The first beat at or after the plan, the last one before it, and the first one allowed.
    const auto after = std::lower_bound(beats.begin(), beats.end(), planned);
    consider(after);
    if (after != beats.begin())
        consider(after - 1);
    consider(std::lower_bound(beats.begin(), beats.end(), earliest));
    return best;
}

} // namespace

std::vector<SlideTime> CutOnBeats(const std::vector<SlideTime>& slides,
                                  const std::vector<double>& beatsMs) {
    std::vector<std::int64_t> beats;
    for (double b : beatsMs)
        if (std::isfinite(b) && b >= 0)
            beats.push_back(std::llround(b));
    std::sort(beats.begin(), beats.end());

    const std::vector<std::int64_t> planned = render::ShowTimeline(slides).CutTimesMs();
    std::vector<SlideTime> out;
    std::int64_t start = 0; // where the slide starts on the new time line
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t still = std::max<std::int64_t>(slides[i].StillMs, 0);
        const std::int64_t transition = std::max<std::int64_t>(slides[i].TransitionMs, 0);
        const std::int64_t earliest = start + std::min(still, kMinBeatStillMs);
        const std::int64_t cut =
            NearestBeat(beats, planned[i], earliest).value_or(std::max(planned[i], earliest));
        out.push_back(SlideTime{cut - start, transition});
        start = cut + transition;
    }
    return out;
}

} // namespace media
