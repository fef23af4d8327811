#include "media/SlideTiming.h"

#include <algorithm>

namespace media {

namespace {

std::int64_t Positive(std::int64_t v) {
    return std::max<std::int64_t>(v, 0);
}

// Rounds a / b to the nearest integer for a >= 0, b > 0 (halves up), without overflow for the
// lengths of shows (a up to 2^62).
std::int64_t RoundDiv(__int128 a, __int128 b) {
    return static_cast<std::int64_t>((2 * a + b) / (2 * b));
}

// The planned boundaries: 0, then the end of each still and of each transition.
std::vector<std::int64_t> Boundaries(const std::vector<SlideTime>& slides) {
    std::vector<std::int64_t> b{0};
    for (const SlideTime& s : slides) {
        b.push_back(b.back() + Positive(s.StillMs));
        b.push_back(b.back() + Positive(s.TransitionMs));
    }
    return b;
}

} // namespace

std::int64_t FrameAt(std::int64_t ms, FrameRate rate) {
    if (rate.Num <= 0 || rate.Den <= 0)
        return 0;
    return RoundDiv(static_cast<__int128>(Positive(ms)) * rate.Num,
                    static_cast<__int128>(1000) * rate.Den);
}

std::int64_t ShowMs(const std::vector<SlideTime>& slides) {
    return Boundaries(slides).back();
}

std::vector<std::int64_t> CutTimesMs(const std::vector<SlideTime>& slides) {
    const std::vector<std::int64_t> b = Boundaries(slides);
    std::vector<std::int64_t> cuts;
    for (std::size_t i = 0; i < slides.size(); ++i)
        cuts.push_back(b[2 * i + 1]);
    return cuts;
}

std::vector<SlideFrames> PlanSlideFrames(const std::vector<SlideTime>& slides, FrameRate rate) {
    const std::vector<std::int64_t> b = Boundaries(slides);
    std::vector<SlideFrames> out;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t start = FrameAt(b[2 * i], rate);
        const std::int64_t cut = FrameAt(b[2 * i + 1], rate);
        const std::int64_t end = FrameAt(b[2 * i + 2], rate);
        out.push_back(SlideFrames{start, cut - start, end - cut});
    }
    return out;
}

std::vector<SlideTime> FitSlidesToMusic(const std::vector<SlideTime>& slides,
                                        std::int64_t musicMs) {
    const std::vector<std::int64_t> b = Boundaries(slides);
    const std::int64_t total = b.back();
    if (total == 0)
        return slides;
    const std::int64_t music = Positive(musicMs);
    std::vector<std::int64_t> scaled;
    for (std::int64_t v : b)
        scaled.push_back(RoundDiv(static_cast<__int128>(v) * music, total));
    std::vector<SlideTime> out;
    for (std::size_t i = 0; i < slides.size(); ++i)
        out.push_back(
            SlideTime{scaled[2 * i + 1] - scaled[2 * i], scaled[2 * i + 2] - scaled[2 * i + 1]});
    return out;
}

} // namespace media
