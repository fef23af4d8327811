#include "media/music/BeatCuts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace media {

namespace {

// A cut off the beat costs more than any change of stills a show can have, so the plan first
// puts as many cuts on beats as it can, then changes the stills the least.
constexpr std::int64_t kOffBeatCost = std::int64_t{1} << 40;
// How many times off the beat each cut keeps as choices.
constexpr std::size_t kOffBeatChoices = 8;

// One way to place cut i: its time, the plan's cost so far, and the state it came from.
struct Place {
    std::int64_t Cut = 0;
    std::int64_t Cost = 0;
    int From = -1; // index into the previous cut's places; -1 for the first cut
};

// The first beat at or after `at`; `at` itself when none is.
std::int64_t EarliestBeat(const std::vector<std::int64_t>& beats, std::int64_t at) {
    const auto it = std::lower_bound(beats.begin(), beats.end(), at);
    return it == beats.end() ? at : *it;
}

} // namespace

std::vector<SlideTime> CutOnBeats(const std::vector<SlideTime>& slides,
                                  const std::vector<double>& beatsMs, std::int64_t musicEndMs,
                                  const std::vector<bool>& kept) {
    std::vector<std::int64_t> beats;
    for (double b : beatsMs)
        if (std::isfinite(b) && b >= 0)
            beats.push_back(std::llround(b));
    std::sort(beats.begin(), beats.end());
    beats.erase(std::unique(beats.begin(), beats.end()), beats.end());

    const std::vector<std::int64_t> planned = render::ShowTimeline(slides).CutTimesMs();
    const std::size_t n = slides.size();
    const auto still = [&](std::size_t i) { return std::max<std::int64_t>(slides[i].StillMs, 0); };
    const auto transition = [&](std::size_t i) {
        return std::max<std::int64_t>(slides[i].TransitionMs, 0);
    };
    const auto keeps = [&](std::size_t i) { return i < kept.size() && kept[i]; };
    // The cuts planned while music plays take beats; the plan covers them, the rest follow.
    std::size_t onMusic = 0;
    while (onMusic < n && planned[onMusic] < musicEndMs)
        ++onMusic;

    // places[i]: every distinct time cut i may take with the least cost of getting there.
    std::vector<std::vector<Place>> places(onMusic);
    // The earliest cut i can be with every cut before it on a beat and every still at its least.
    std::int64_t forced = 0;
    for (std::size_t i = 0; i < onMusic; ++i) {
        std::map<std::int64_t, Place> best; // by time: the cheapest way to reach it
        const auto offer = [&](std::int64_t cut, std::int64_t cost, int from) {
            auto [it, fresh] = best.try_emplace(cut, Place{cut, cost, from});
            if (!fresh && cost < it->second.Cost)
                it->second = Place{cut, cost, from};
        };
        if (keeps(i)) {
            // Its still as it is, after whichever place the cut before it took: one place each.
            forced += still(i) + transition(i);
            const std::size_t previous = i == 0 ? 1 : places[i - 1].size();
            for (std::size_t k = 0; k < previous; ++k) {
                const std::int64_t start = i == 0 ? 0 : places[i - 1][k].Cut + transition(i - 1);
                const std::int64_t before = i == 0 ? 0 : places[i - 1][k].Cost;
                offer(start + still(i), before, i == 0 ? -1 : static_cast<int>(k));
            }
            for (const auto& [cut, place] : best)
                places[i].push_back(place);
            continue;
        }
        const std::int64_t minStill = std::min(still(i), kMinBeatStillMs);
        // The beats near the planned cut, or near the earliest it can be when short stills on
        // slow beats (or music whose first beat comes late) push it later than planned.
        forced = EarliestBeat(beats, forced + minStill);
        const auto lo = std::lower_bound(beats.begin(), beats.end(),
                                         std::min(planned[i], forced) - kMaxBeatShiftMs);
        const auto hi = std::upper_bound(beats.begin(), beats.end(),
                                         std::max(planned[i], forced) + kMaxBeatShiftMs);
        forced += transition(i);
        const std::size_t previous = i == 0 ? 1 : places[i - 1].size();
        for (std::size_t k = 0; k < previous; ++k) {
            const std::int64_t start = i == 0 ? 0 : places[i - 1][k].Cut + transition(i - 1);
            const std::int64_t before = i == 0 ? 0 : places[i - 1][k].Cost;
            const std::int64_t earliest = start + minStill;
            const int from = i == 0 ? -1 : static_cast<int>(k);
            for (auto it = std::lower_bound(lo, hi, earliest); it != hi; ++it)
                offer(*it, before + std::llabs(*it - start - still(i)), from);
            // Off the beat: its planned still where that fits, else the shortest one allowed.
            const std::int64_t off = std::max(start + still(i), earliest);
            offer(off, before + kOffBeatCost + std::llabs(off - start - still(i)), from);
        }
        // Every time on a beat stays a choice; of the times off the beat only the cheapest few
        // do, so a show with long silences keeps a bounded plan.
        std::vector<Place> off;
        for (const auto& [cut, place] : best) {
            if (std::binary_search(lo, hi, cut))
                places[i].push_back(place);
            else
                off.push_back(place);
        }
        const std::size_t keep = std::min<std::size_t>(off.size(), kOffBeatChoices);
        std::partial_sort(off.begin(), off.begin() + static_cast<std::ptrdiff_t>(keep), off.end(),
                          [](const Place& a, const Place& b) { return a.Cost < b.Cost; });
        places[i].insert(places[i].end(), off.begin(),
                         off.begin() + static_cast<std::ptrdiff_t>(keep));
    }

    // The cheapest last place, then back along the choices that led to it.
    std::vector<std::int64_t> cuts(n);
    if (onMusic > 0) {
        const auto& last = places[onMusic - 1];
        int at = static_cast<int>(
            std::min_element(last.begin(), last.end(),
                             [](const Place& a, const Place& b) { return a.Cost < b.Cost; }) -
            last.begin());
        for (std::size_t i = onMusic; i-- > 0;) {
            cuts[i] = places[i][static_cast<std::size_t>(at)].Cut;
            at = places[i][static_cast<std::size_t>(at)].From;
        }
    }
    std::vector<SlideTime> out;
    std::int64_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t cut = i < onMusic ? cuts[i] : start + still(i);
        out.push_back(SlideTime{cut - start, transition(i)});
        start = cut + transition(i);
    }
    return out;
}

CutsMoved CompareCuts(const std::vector<SlideTime>& before, const std::vector<SlideTime>& after) {
    const std::vector<std::int64_t> was = render::ShowTimeline(before).CutTimesMs();
    const std::vector<std::int64_t> now = render::ShowTimeline(after).CutTimesMs();
    CutsMoved moved;
    for (std::size_t i = 0; i < std::min(was.size(), now.size()); ++i)
        if (const std::int64_t by = std::llabs(now[i] - was[i]); by > 0) {
            ++moved.Cuts;
            moved.LargestMs = std::max(moved.LargestMs, by);
        }
    return moved;
}

} // namespace media
