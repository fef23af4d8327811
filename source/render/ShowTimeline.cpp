#include "render/ShowTimeline.h"

#include "project/ShowModel.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace render {

namespace {

std::int64_t Positive(std::int64_t v) {
    return std::max<std::int64_t>(v, 0);
}

// Rounds a / b to the nearest integer for a >= 0, b > 0 (halves up), without overflow for the
// lengths of shows.
std::int64_t RoundDiv(__int128 a, __int128 b) {
    return static_cast<std::int64_t>((2 * a + b) / (2 * b));
}

bool ValidRate(FrameRate rate) {
    return rate.Num > 0 && rate.Den > 0;
}

} // namespace

ShowTimeline::ShowTimeline(std::vector<SlideTime> slides, std::vector<TrackTime> tracks)
    : slides_(std::move(slides)), tracks_(std::move(tracks)) {
    bounds_.reserve(2 * slides_.size() + 1);
    for (const SlideTime& s : slides_) {
        bounds_.push_back(bounds_.back() + Positive(s.StillMs));
        bounds_.push_back(bounds_.back() + Positive(s.TransitionMs));
    }
}

std::vector<SlideTime> ShowTimeline::TimesOf(const std::vector<project::Slide>& slides) {
    std::vector<SlideTime> times;
    times.reserve(slides.size());
    for (const project::Slide& s : slides)
        times.push_back({s.StillMs, s.TransitionMs});
    return times;
}

ShowTimeline ShowTimeline::Of(const project::ShowContent& show) {
    return ShowTimeline(TimesOf(show.Slides));
}

ShowTimeline ShowTimeline::WithTracks(std::vector<TrackTime> tracks) const {
    return ShowTimeline(slides_, std::move(tracks));
}

std::vector<std::int64_t> ShowTimeline::CutTimesMs() const {
    std::vector<std::int64_t> cuts;
    for (std::size_t i = 0; i < slides_.size(); ++i)
        cuts.push_back(CutMs(i));
    return cuts;
}

std::int64_t ShowTimeline::FrameAt(std::int64_t ms, FrameRate rate) {
    if (!ValidRate(rate))
        return 0;
    return RoundDiv(static_cast<__int128>(Positive(ms)) * rate.Num,
                    static_cast<__int128>(1000) * rate.Den);
}

std::int64_t ShowTimeline::MsOfFrame(std::int64_t frame, FrameRate rate) {
    if (!ValidRate(rate))
        return 0;
    return RoundDiv(static_cast<__int128>(Positive(frame)) * 1000 * rate.Den, rate.Num);
}

std::int64_t ShowTimeline::FrameOnScreen(std::int64_t ms, FrameRate rate) {
    if (!ValidRate(rate) || ms <= 0)
        return 0;
    // The truncated quotient is within one frame of the answer either way.
    std::int64_t n = static_cast<std::int64_t>(static_cast<__int128>(ms) * rate.Num /
                                               (static_cast<__int128>(1000) * rate.Den));
    while (n > 0 && MsOfFrame(n, rate) > ms)
        --n;
    while (MsOfFrame(n + 1, rate) <= ms)
        ++n;
    return n;
}

std::vector<SlideSpan> ShowTimeline::Spans(FrameRate rate) const {
    std::vector<SlideSpan> spans;
    spans.reserve(slides_.size());
    for (std::size_t i = 0; i < slides_.size(); ++i) {
        SlideSpan span;
        span.First = FrameAt(StartMs(i), rate);
        span.Cut = FrameAt(CutMs(i), rate);
        span.End = FrameAt(EndMs(i), rate);
        span.CutMs = CutMs(i);
        span.TransitionMs = EndMs(i) - CutMs(i);
        spans.push_back(span);
    }
    return spans;
}

FrameMoment ShowTimeline::MomentOf(const std::vector<SlideSpan>& spans, std::int64_t n,
                                   FrameRate rate) {
    FrameMoment moment;
    // The first slide whose frames end after n (slides of no frames are passed over).
    const auto at = std::upper_bound(spans.begin(), spans.end(), n,
                                     [](std::int64_t f, const SlideSpan& s) { return f < s.End; });
    if (at == spans.end() || n < 0)
        return moment;
    moment.Slide = at - spans.begin();
    moment.InTransition = n >= at->Cut;
    if (moment.InTransition) {
        moment.D = static_cast<double>(at->TransitionMs) / 1000.0;
        moment.T = static_cast<double>(Positive(MsOfFrame(n, rate) - at->CutMs)) / 1000.0;
    }
    return moment;
}

double ShowTimeline::MotionProgress(const std::vector<SlideSpan>& spans, std::size_t i,
                                    std::int64_t n) {
    if (i >= spans.size())
        return 0.0;
    // Visible from the cut of the slide before (its own first frame for the first slide) to the
    // last frame of its outgoing transition.
    const std::int64_t first = i == 0 ? spans[0].First : spans[i - 1].Cut;
    const std::int64_t last = std::max(spans[i].End - 1, first);
    if (last == first)
        return 0.0;
    return std::clamp(static_cast<double>(n - first) / static_cast<double>(last - first), 0.0, 1.0);
}

double ClampFadeSeconds(double seconds) {
    if (!(seconds > 0)) // NaN and negatives
        return 0;
    return std::min(seconds, kMaxFadeSeconds);
}

std::int64_t FadeMs(double seconds) {
    return std::llround(ClampFadeSeconds(seconds) * 1000);
}

TrackPlan TrackPlan::Of(const project::ShowContent& show) {
    TrackPlan plan;
    plan.CrossfadeMs = FadeMs(show.Options.TrackCrossfadeSeconds);
    plan.Tracks.reserve(show.Sounds.size());
    for (const project::Track& t : show.Sounds)
        plan.Tracks.push_back({std::int64_t{t.PlaySeconds} * 1000, FadeMs(t.Ext.FadeInSeconds),
                               FadeMs(t.Ext.FadeOutSeconds)});
    return plan;
}

std::vector<TrackTime> TrackPlaces(const TrackPlan& plan, std::int64_t videoMs) {
    std::vector<TrackTime> places;
    places.reserve(plan.Tracks.size());
    const std::int64_t crossfade = Positive(plan.CrossfadeMs);
    std::int64_t next = 0;                // where the next played track starts
    std::optional<std::size_t> lastHeard; // the heard track before it
    for (std::size_t i = 0; i < plan.Tracks.size(); ++i) {
        const TrackLength& t = plan.Tracks[i];
        TrackTime place;
        place.Track = i;
        place.StartMs = next;
        place.EndMs = next + Positive(t.PlayMs);
        place.Heard = t.PlayMs > 0 && next < videoMs;
        if (t.PlayMs > 0) {
            place.FadeInMs = Positive(t.FadeInMs);
            place.FadeOutMs = Positive(t.FadeOutMs);
            next = std::max(place.StartMs, place.EndMs - crossfade);
        }
        if (place.Heard && lastHeard) {
            TrackTime& before = places[*lastHeard];
            const std::int64_t overlap = Positive(before.EndMs - place.StartMs);
            before.FadeOutMs = std::max(before.FadeOutMs, overlap);
            place.FadeInMs = std::max(place.FadeInMs, overlap);
        }
        if (place.Heard)
            lastHeard = places.size();
        places.push_back(place);
    }
    for (TrackTime& p : places) {
        const std::int64_t length = p.EndMs - p.StartMs;
        p.FadeInMs = std::min(p.FadeInMs, length);
        p.FadeOutMs = std::min(p.FadeOutMs, length);
    }
    return places;
}

std::vector<TrackTime> TracksHeard(const TrackPlan& plan, std::int64_t videoMs) {
    std::vector<TrackTime> heard = TrackPlaces(plan, videoMs);
    std::erase_if(heard, [](const TrackTime& t) { return !t.Heard; });
    return heard;
}

namespace {

// Whether the part of slide i (its still, or its transition when `transition`) keeps its length.
bool PartKept(const std::vector<bool>& kept, std::size_t i, bool transition) {
    const auto at = [&](std::size_t k) { return k < kept.size() && kept[k]; };
    return at(i) || (transition && at(i + 1));
}

} // namespace

std::int64_t KeptLengthMs(const std::vector<SlideTime>& slides, const std::vector<bool>& kept) {
    std::int64_t length = 0;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        length += PartKept(kept, i, false) ? Positive(slides[i].StillMs) : 0;
        length += PartKept(kept, i, true) ? Positive(slides[i].TransitionMs) : 0;
    }
    return length;
}

std::vector<SlideTime> FitSlidesToMusic(const std::vector<SlideTime>& slides, std::int64_t musicMs,
                                        const std::vector<bool>& kept) {
    const std::int64_t fixed = KeptLengthMs(slides, kept);
    const std::int64_t scalable = ShowTimeline(slides).LengthMs() - fixed;
    if (scalable <= 0)
        return slides;
    const std::int64_t room = Positive(Positive(musicMs) - fixed);
    // Each boundary is the kept time before it plus the scaled time before it, rounded: a kept
    // part keeps its length exactly and the last boundary is musicMs (when the kept parts fit).
    std::int64_t keptSoFar = 0, scaledSoFar = 0;
    auto boundary = [&](std::int64_t part, bool isKept) {
        (isKept ? keptSoFar : scaledSoFar) += Positive(part);
        return keptSoFar + RoundDiv(static_cast<__int128>(scaledSoFar) * room, scalable);
    };
    std::vector<SlideTime> out;
    std::int64_t start = 0;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t cut = boundary(slides[i].StillMs, PartKept(kept, i, false));
        const std::int64_t end = boundary(slides[i].TransitionMs, PartKept(kept, i, true));
        out.push_back(SlideTime{cut - start, end - cut});
        start = end;
    }
    return out;
}

} // namespace render
