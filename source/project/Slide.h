// One photo of the show as the user edits it: plain values, with no trace of the storyboard's
// cells or selection. The fields the show file's records carry keep their record names; the
// extension data (later features) defaults to "as the record says", so a slide that uses none of
// it is stored in the records alone.
#pragma once

#include "imaging/Motion.h"

#include <cstdint>
#include <string>

namespace project {

constexpr std::int32_t kButtonFaceColor = static_cast<std::int32_t>(0xFF00000F);

// What a slide carries beyond its record. Every default means "as the record says".
struct SlideExtension {
    // A transition kind beyond the record's 0..13 (its code, 14..26); 0 = the record's kind.
    std::int32_t TransitionKind = 0;
    imaging::Motion Motion; // pan and zoom while the slide is on screen
    bool operator==(const SlideExtension&) const = default;
    bool IsDefault() const { return *this == SlideExtension{}; }
};

struct Slide {
    // The still and its transition in milliseconds: the one truth of the slide's time. The
    // record's whole seconds are derived from them when the show is saved (RecordSeconds).
    std::int64_t StillMs = 0;
    std::int32_t TransitionKind = 0; // 0..13, transition to the next photo (0 = none)
    std::int64_t TransitionMs = 0;   // length of that transition
    std::string WorkFile;            // full path of the working BMP
    std::string CaptionText;         // code-page bytes, at most 255 stored
    std::string CaptionFont;         // code-page bytes, at most 255 stored
    std::int32_t Brightness = 0;     // -100..100
    std::int32_t Contrast = 0;       // -25..25
    double Gamma10 = 0.0;            // gamma x 10
    std::int32_t ColorEffect = 0;    // 0 none, 1 black-white, 2 sepia, 3 negative
    std::int32_t BackColor = 0;      // 0x00BBGGRR or 0xFF0000nn system colour
    std::int32_t TurnCount = 0;      // confirmed rotate/flip actions
    std::int32_t CaptionVAlign = 0;  // 1 top, 2 centre, 3 bottom
    std::int32_t CaptionHAlign = 0;  // 1 left, 2 centre, 3 right
    std::int32_t CaptionSize = 0;    // points
    std::int32_t CaptionColor = 0;   // 0x00BBGGRR
    std::uint8_t CaptionStyle = 0;   // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    SlideExtension Ext;

    bool operator==(const Slide&) const = default;

    // The defaults of a freshly imported photo.
    static Slide MakeDefault();

    // Whether the slide needs the extension block: a value the record cannot hold.
    bool NeedsExtension() const;
};

// The longest still or transition a show holds: the record's whole seconds must hold it.
constexpr std::int64_t kMaxSlideMs = 86400LL * 1000;

// The record's whole seconds for a time in milliseconds: the nearest (halves up), within
// 0..kMaxSlideMs, as an older reader plays it.
std::int32_t RecordSeconds(std::int64_t ms);

// Whether the record's whole seconds say ms exactly (a time that needs no extension).
bool WholeSeconds(std::int64_t ms);

} // namespace project
