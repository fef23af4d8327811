// One music track of the show as the user edits it: plain values. The extension data (fades,
// measured loudness) defaults to "as the record says".
#pragma once

#include "project/OutputSettings.h"

#include <cstdint>
#include <string>

namespace project {

struct TrackExtension {
    double FadeInSeconds = 0.0;  // 0..10, equal-power fade at the track's start
    double FadeOutSeconds = 0.0; // 0..10, equal-power fade at the end of its play time
    bool HasLoudness = false;    // the two measurements below are known
    double LoudnessLufs = 0.0;   // integrated loudness measured at import
    double TruePeakDb = 0.0;     // true peak in dBTP measured at import
    bool operator==(const TrackExtension&) const = default;
    bool IsDefault() const { return *this == TrackExtension{}; }
};

struct Track {
    std::int32_t PlaySeconds = 0;   // seconds played; tracks are laid end to end by this
    std::int32_t LengthSeconds = 0; // full decoded length, whole seconds
    std::int32_t Volume = 0;        // 0..100
    std::string WorkFile;           // full path of the copy in MusicDir
    std::string Title;              // UTF-8, at most kMaxTitleCharacters (the record keeps 255)
    TrackExtension Ext;

    bool operator==(const Track&) const = default;

    static Track MakeDefault();
    // Whether the record's code-page title says it exactly (otherwise the extension block keeps
    // the exact UTF-8).
    bool RecordHoldsTitle() const;
};

// The longest track title kept, in characters; a longer one (from a tag) is cut.
constexpr int kMaxTitleCharacters = 1000;

// What the show holds beyond its records as a whole. Every default means "as the records say",
// so a show from an older file plays as it always did.
struct ShowOptions {
    double TrackCrossfadeSeconds = 0.0; // 0..10, overlap of consecutive tracks
    double EndFadeSeconds = 0.0;        // 0..10, the music fades to silence at the last frame
    bool EvenLoudness = false;          // every track played at the same loudness
    OutputSettings Output;              // the video the show was last saved as
    bool operator==(const ShowOptions&) const = default;
    bool IsDefault() const { return *this == ShowOptions{}; }
    // The music options alone are at their defaults (the output settings aside).
    bool MusicIsDefault() const {
        return TrackCrossfadeSeconds == 0.0 && EndFadeSeconds == 0.0 && !EvenLoudness;
    }
};

} // namespace project
