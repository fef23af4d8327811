// One photo of the show as the user edits it: plain values, with no trace of the storyboard's
// cells or selection. Texts are Unicode (UTF-8); the record keeps their code-page text for older
// readers. The caption and the picture adjustments are each one value, as the effects dialog takes
// and returns them. The extension data (later features) defaults to "as the record says", so a
// slide that uses none of it is stored in the records alone.
#pragma once

#include "imaging/Caption.h"
#include "imaging/Motion.h"
#include "imaging/PictureSettings.h"
#include "project/SlideBodies.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    std::int32_t TransitionKind = 0;  // 0..13, transition to the next photo (0 = none)
    std::int64_t TransitionMs = 0;    // length of that transition
    std::string WorkFile;             // full path of the working BMP
    imaging::CaptionSettings Caption; // drawn into the working picture; text and font UTF-8
    imaging::PictureSettings Picture; // light and colour pending, turns confirmed
    std::int32_t BackColor = 0;       // 0x00BBGGRR or 0xFF0000nn system colour
    SlideExtension Ext;
    // What the slide shows: a photo, a clip, a title or a collage (SlideBodies.h). Its working
    // picture is what an older reader shows of it.
    SlideBody Body;

    // The body when it is of that kind, else null.
    const PhotoBody* Photo() const { return std::get_if<PhotoBody>(&Body); }
    PhotoBody* Photo() { return std::get_if<PhotoBody>(&Body); }
    const ClipSettings* Clip() const { return std::get_if<ClipSettings>(&Body); }
    ClipSettings* Clip() { return std::get_if<ClipSettings>(&Body); }
    const imaging::TitleSettings* Title() const {
        return std::get_if<imaging::TitleSettings>(&Body);
    }
    imaging::TitleSettings* Title() { return std::get_if<imaging::TitleSettings>(&Body); }
    const CollageSettings* Collage() const { return std::get_if<CollageSettings>(&Body); }
    CollageSettings* Collage() { return std::get_if<CollageSettings>(&Body); }

    // A photo's original and faces (null for the other kinds, or a photo without them).
    const OriginalPhoto* Original() const;
    OriginalPhoto* Original();
    const std::optional<std::vector<imaging::FaceBox>>* Faces() const;

    // Calls f with each other working copy the slide names (its clip's, its original's, its
    // collage's photos), which are kept and removed with it.
    template <typename F> void ForEachExtraFile(F&& f) { ForEachFileOf(Body, f); }
    template <typename F> void ForEachExtraFile(F&& f) const { ForEachFileOf(Body, f); }

    // The original file the renderer may draw from ("" when the working picture must be used).
    std::string DrawableOriginal() const;

    bool operator==(const Slide&) const = default;

    // The defaults of a freshly imported photo.
    static Slide MakeDefault();

    // Whether the slide needs the extension block's slide entry: a value the record cannot hold.
    bool NeedsExtension() const;
    // Whether the record's code-page caption text and font name say them exactly (otherwise the
    // extension block keeps the exact UTF-8).
    bool RecordHoldsTexts() const;
};

// The longest still or transition a show holds: the record's whole seconds must hold it.
constexpr std::int64_t kMaxSlideMs = 86400LL * 1000;

// The record's whole seconds for a time in milliseconds: the nearest (halves up), within
// 0..kMaxSlideMs, as an older reader plays it.
std::int32_t RecordSeconds(std::int64_t ms);

// Whether the record's whole seconds say ms exactly (a time that needs no extension).
bool WholeSeconds(std::int64_t ms);

} // namespace project
