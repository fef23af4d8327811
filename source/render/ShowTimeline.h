// The one clock of a show: where each slide, its transition and each track lie in time, in the
// document's milliseconds and in frames at any rate. The preview, the export, the storyboard's
// ruler, fitting to the music and cuts on the beat all ask it, so they cannot disagree.
//
// In frames, every planned boundary (a slide's start, its cut, its end) lands on the frame nearest
// to its time, halves up, so rounding is carried across slides: no drift accumulates and every
// boundary lies within half a frame of its planned time. Frame n starts at MsOfFrame(n); the
// frame on screen at a millisecond is the last one that has started by then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace project {
struct ShowContent;
struct Slide;
} // namespace project

namespace render {

struct SlideTime {
    std::int64_t StillMs = 0;      // the photo alone (negative counts as 0)
    std::int64_t TransitionMs = 0; // the transition to the next photo (negative counts as 0)
};

// Frames per second as a fraction (25/1; 30000/1001 for 29.97).
struct FrameRate {
    std::int64_t Num = 25;
    std::int64_t Den = 1;
    static FrameRate Fps(int fps) { return FrameRate{fps, 1}; }
};

// Where one slide lies on the frames of a video at one rate, with its planned times.
struct SlideSpan {
    std::int64_t First = 0; // first frame of its still
    std::int64_t Cut = 0;   // first frame of its outgoing transition
    std::int64_t End = 0;   // first frame after its outgoing transition
    std::int64_t CutMs = 0; // planned time of the cut
    std::int64_t TransitionMs = 0;
    std::int64_t Still() const { return Cut - First; }
    std::int64_t Transition() const { return End - Cut; }
};

// A track on the show's time line with its fades (cross-fades included), in milliseconds.
struct TrackTime {
    std::size_t Track = 0; // index in the show
    std::int64_t StartMs = 0;
    std::int64_t EndMs = 0; // start + play length, not cut by the video
    std::int64_t FadeInMs = 0;
    std::int64_t FadeOutMs = 0;
    bool Heard = true; // played, and starting before the video ends: the mix plays it
    bool operator==(const TrackTime&) const = default;
};

constexpr double kMaxFadeSeconds = 10.0; // a track's fades and the cross-fade are 0..10 s

// Clamps a fade or cross-fade to 0..10 s (NaN counts as 0).
double ClampFadeSeconds(double seconds);

// Milliseconds of a clamped fade length, rounded to the nearest.
std::int64_t FadeMs(double seconds);

// One music track as the time line lays it out, in milliseconds: its planned play length (0 or
// less: it is not played) and its own fades.
struct TrackLength {
    std::int64_t PlayMs = 0;
    std::int64_t FadeInMs = 0;
    std::int64_t FadeOutMs = 0;
};

// The show's music as the time line lays it out: the tracks in the show's order and the
// cross-fade between consecutive ones.
struct TrackPlan {
    std::vector<TrackLength> Tracks;
    std::int64_t CrossfadeMs = 0;
    // As the show's record plans it: whole seconds, the tracks' fades, the show's cross-fade. (The
    // mix of a show with fades plays a track that plays whole to its last sample instead.)
    static TrackPlan Of(const project::ShowContent& show);
};

// Every track of the plan on the show's clock, in order (Track is its index). The first played
// track starts at 0, each next one at the previous start + its play length - the cross-fade
// (never before the previous start), so consecutive tracks overlap by the cross-fade; a track that
// is not played takes no time, where the next one would start. A track is heard when it is played
// and starts before videoMs (once one starts at or after it, so do all that follow). The fades
// of a heard track are at least its overlap with a heard neighbour, so an overlap is always an
// equal-power cross-fade, and never longer than the track.
std::vector<TrackTime> TrackPlaces(const TrackPlan& plan, std::int64_t videoMs);

// The heard tracks of TrackPlaces: the ones the mix plays, the preview starts and the time line
// holds.
std::vector<TrackTime> TracksHeard(const TrackPlan& plan, std::int64_t videoMs);

// What frame n of a video shows: slide Slide's still, or its outgoing transition at T of D
// seconds. Slide is -1 past the end of the show.
struct FrameMoment {
    std::int64_t Slide = -1;
    bool InTransition = false;
    double T = 0.0; // seconds since the cut
    double D = 0.0; // the transition's planned length in seconds
};

class ShowTimeline {
public:
    ShowTimeline() = default;
    explicit ShowTimeline(std::vector<SlideTime> slides, std::vector<TrackTime> tracks = {});
    // The slides of a show (its tracks come from TracksHeard, with the exact lengths the mix plan
    // knows: WithTracks adds them).
    static ShowTimeline Of(const project::ShowContent& show);
    static std::vector<SlideTime> TimesOf(const std::vector<project::Slide>& slides);
    ShowTimeline WithTracks(std::vector<TrackTime> tracks) const;

    std::size_t SlideCount() const { return slides_.size(); }
    const std::vector<SlideTime>& Slides() const { return slides_; }
    const std::vector<TrackTime>& Tracks() const { return tracks_; }

    // In milliseconds. Slide i starts at StartMs(i), its transition runs from CutMs(i) to
    // EndMs(i) (the next slide's start). The show lasts LengthMs: to the end of the last slide's
    // transition, during which the last slide stays on screen.
    std::int64_t LengthMs() const { return bounds_.back(); }
    std::int64_t StartMs(std::size_t i) const { return bounds_[2 * i]; }
    std::int64_t CutMs(std::size_t i) const { return bounds_[2 * i + 1]; }
    std::int64_t EndMs(std::size_t i) const { return bounds_[2 * i + 2]; }
    std::vector<std::int64_t> CutTimesMs() const;
    // Slide i is on screen from the start of the transition that brings it in (0 for the first)
    // to the end of its own outgoing transition.
    std::int64_t VisibleFromMs(std::size_t i) const { return i == 0 ? 0 : CutMs(i - 1); }
    std::int64_t VisibleToMs(std::size_t i) const { return EndMs(i); }

    // In frames.
    static std::int64_t FrameAt(std::int64_t ms, FrameRate rate);      // nearest boundary
    static std::int64_t MsOfFrame(std::int64_t frame, FrameRate rate); // its start, rounded
    static std::int64_t FrameOnScreen(std::int64_t ms, FrameRate rate);
    std::int64_t FrameCount(FrameRate rate) const { return FrameAt(LengthMs(), rate); }
    std::vector<SlideSpan> Spans(FrameRate rate) const;

    // What frame n shows, and the motion progress of slide i on frame n: 0 on the first frame it
    // is visible, 1 on the last. spans are Spans(rate).
    static FrameMoment MomentOf(const std::vector<SlideSpan>& spans, std::int64_t n,
                                FrameRate rate);
    static double MotionProgress(const std::vector<SlideSpan>& spans, std::size_t i,
                                 std::int64_t n);

private:
    std::vector<SlideTime> slides_;
    std::vector<TrackTime> tracks_;
    std::vector<std::int64_t> bounds_{0}; // 0, then each cut and each end
};

// "Fit photos to the music": every still and transition scaled by one factor, each planned
// boundary rounded to the millisecond, so the proportions stay and the show lasts musicMs exactly.
// kept[i] (when given) keeps slide i's still and the transitions on either side of it as they are
// (a clip plays its trim from the start of the transition that brings it in to the end of its
// own): the rest is scaled to fill what the kept parts leave of musicMs, to nothing when they fill
// it all. A show of no length, or with nothing to scale, is returned as it is.
std::vector<SlideTime> FitSlidesToMusic(const std::vector<SlideTime>& slides, std::int64_t musicMs,
                                        const std::vector<bool>& kept = {});

// The milliseconds of the parts FitSlidesToMusic keeps for `kept`: kept stills and the transitions
// beside a kept slide.
std::int64_t KeptLengthMs(const std::vector<SlideTime>& slides, const std::vector<bool>& kept);

} // namespace render
