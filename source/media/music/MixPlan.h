// The soundtrack's plan as plain values, independent of the show's records: the show-wide
// settings (cross-fade between tracks, fade at the end, even loudness, the video's length) and,
// per track, its file, planned play length, volume, fades and measured loudness. LayOutTracks
// places the tracks on the video's time line, as the show's time line lays them out.
#pragma once

#include "render/ShowTimeline.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace media {

using render::kMaxFadeSeconds;                 // fades and the cross-fade are 0..10 s
constexpr double kDefaultEndFadeSeconds = 3.0; // the end fade of new shows
constexpr double kTargetLufs = -16.0;          // even loudness: every track at this loudness
constexpr double kMaxTruePeakDbtp = -1.0;      // even loudness never lifts a peak above this

struct MixTrack {
    std::string WorkFile;
    std::int64_t PlayMs = 0; // planned play length; 0 or less: the track is not played
    int Volume = 100;        // 0..100, linear, as the playback mixer applies it
    double FadeInSeconds = 0;
    double FadeOutSeconds = 0;
    std::optional<double> LoudnessLufs; // integrated loudness (EBU R128), measured at import
    std::optional<double> TruePeakDbtp; // true peak of the track, measured with the loudness
};

// A clip's own sound on the show's time line: it plays from StartMs (the clip's InMs) to EndMs,
// faded in and out over the transitions that bring the clip in and take it out. The mix opens
// File with its track opener (OpenTrackOrClipPcmSource opens both).
struct MixClip {
    std::string File;
    std::int64_t StartMs = 0;
    std::int64_t EndMs = 0;
    std::int64_t InMs = 0; // the clip's own time at StartMs
    std::int64_t FadeInMs = 0;
    std::int64_t FadeOutMs = 0;
    double Gain = 1; // its volume / 100
};

constexpr double kClipDuckDb = -12.0;         // the music under a clip's sound
constexpr std::int64_t kClipDuckRampMs = 300; // the music goes down and back up over this

struct MixPlan {
    double CrossfadeSeconds = 0; // the next track starts this much earlier and overlaps
    double EndFadeSeconds = 0;   // the music fades out to silence at the video's end
    bool EvenLoudness = false;   // every track at kTargetLufs, volume on top
    std::int64_t VideoMs = 0;    // the video's length: nothing sounds after it
    std::vector<MixTrack> Tracks;
    // Clips whose sound is heard; the music ducks by DuckDb under each.
    std::vector<MixClip> Clips;
    double DuckDb = kClipDuckDb;
};

// Clamps a fade or cross-fade to 0..10 s (NaN counts as 0), and its milliseconds, rounded.
using render::ClampFadeSeconds;
using render::FadeMs;

// Where one track sounds on the video's time line, in milliseconds.
// A track on the time line (the show timeline's own kind): its index into MixPlan::Tracks, its
// first moment, its planned end (start + play length, not cut by the video), and its fades, each
// lengthened to the cross-fade with its neighbour.
using TrackSpan = render::TrackTime;

// The tracks heard in the video (render::TracksHeard of the plan's lengths, fades and
// cross-fade): those that play (PlayMs > 0), the first from 0, each next one at the previous
// start + its play length − the cross-fade (never before the previous start), so consecutive
// tracks overlap by the cross-fade. Tracks that would start at or after VideoMs are left out. A
// track's fade-in / fade-out is at least the overlap with its neighbour, so an overlap is always
// an equal-power cross-fade, and never longer than the track.
std::vector<TrackSpan> LayOutTracks(const MixPlan& plan);

// The end of the music in the video: the latest planned end, cut at VideoMs.
std::int64_t MusicEndMs(const MixPlan& plan, const std::vector<TrackSpan>& spans);

// The length of the music as laid out, whatever the video's length: what "fit photos to the
// music" fits the show to, and how far the beat tracker should hear.
std::int64_t PlannedMusicMs(const MixPlan& plan);

// True when the plan changes nothing but volumes and cuts: no fade, no cross-fade, no end fade,
// no even loudness, no clip's sound. Such a soundtrack is written piece by piece, exactly as before
// plans existed; any other is mixed in float.
bool IsPlainPlan(const MixPlan& plan);

// The linear gain that brings a track measured at `lufs` to kTargetLufs, lowered so that its true
// peak stays under kMaxTruePeakDbtp; 1 for an unmeasured or silent track (not finite).
double EvenLoudnessGain(double lufs, double truePeakDbtp);

// A track's gain in the mix: its volume / 100, times EvenLoudnessGain when the plan asks for
// even loudness and the track has been measured.
double TrackGain(const MixPlan& plan, const MixTrack& track);

} // namespace media
