// One photo of the show as the user edits it: plain values, with no trace of the storyboard's
// cells or selection. Texts are Unicode (UTF-8); the record keeps their code-page text for older
// readers. The caption and the picture adjustments are each one value, as the effects dialog takes
// and returns them. The extension data (later features) defaults to "as the record says", so a
// slide that uses none of it is stored in the records alone.
#pragma once

#include "imaging/Caption.h"
#include "imaging/FaceBox.h"
#include "imaging/Motion.h"
#include "imaging/PictureSettings.h"
#include "imaging/TitleCard.h"
#include "project/PhotoSteps.h"

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

// A video clip shown as the slide. Its original file's bytes are kept whole in a working copy
// (the show file stores them after its extension block); the slide's working picture is the
// clip's poster frame, which is what an older reader shows. The clip plays from InMs to OutMs of
// its own time, from the moment the slide starts to come in.
struct ClipSettings {
    std::string File;          // working copy of the clip's original bytes
    std::string Name;          // the file name it came in with
    std::int64_t LengthMs = 0; // the whole clip, as probed when it came in
    std::int64_t InMs = 0;     // the trim: 0 <= InMs < OutMs <= LengthMs
    std::int64_t OutMs = 0;
    std::int32_t Volume = 100; // its sound, in percent (0..kMaxClipVolume)
    bool Mute = false;

    std::int64_t TrimmedMs() const { return OutMs - InMs; }
    // Whether the clip's sound is heard at all.
    bool Sounds() const { return !Mute && Volume > 0; }
    bool operator==(const ClipSettings&) const = default;
};
constexpr std::int32_t kMaxClipVolume = 200;
// The shortest trim a clip may have.
constexpr std::int64_t kMinClipMs = 100;

// The photo's original file, kept whole beside its working picture (the show file stores its bytes
// after the extension block). The original and its steps (a crop, a turn, light, colour, a still
// caption) are the photo's truth: every picture of it is drawn from them, the working picture at
// the photo size (for older readers and the storyboard) and each frame at the frame's size. Only a
// photo from a show written by an earlier version may hold edits in its working picture that its
// steps do not say (Edited): it is drawn from its working picture, which is then its original.
struct OriginalPhoto {
    std::string File;             // working copy of the original's bytes
    std::string Name;             // the file name it came in with (its extension names its decoder)
    bool Edited = false;          // an earlier version's working picture holds other edits
    std::vector<PhotoStep> Steps; // the edits, in the order they were made
    bool operator==(const OriginalPhoto&) const = default;
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
    // The faces found on the working picture when it came in (none looked for yet: empty).
    // Automatic motion frames on them; they are stored with a slide that moves automatically.
    std::optional<std::vector<imaging::FaceBox>> Faces;
    // A title slide: text over a backdrop, drawn by the renderer at the frame's size. Its working
    // picture is the card drawn at the photo size, which is what an older reader shows.
    std::optional<imaging::TitleSettings> Title;
    // A video clip shown in the photo's place.
    std::optional<ClipSettings> Clip;
    // The photo's original, for slides imported from a photo file.
    std::optional<OriginalPhoto> Original;

    // Calls f with each other working copy the slide names (its clip's, its original's), which
    // are kept and removed with it.
    template <typename F> void ForEachExtraFile(F&& f) {
        if (Clip)
            f(Clip->File);
        if (Original)
            f(Original->File);
    }
    template <typename F> void ForEachExtraFile(F&& f) const {
        if (Clip)
            f(Clip->File);
        if (Original)
            f(Original->File);
    }

    // The original file the renderer may draw from ("" when the working picture must be used).
    std::string DrawableOriginal() const {
        return Original && !Original->Edited && !Clip && !Title ? Original->File : std::string();
    }

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
