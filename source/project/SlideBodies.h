// What a slide shows, one body per kind: a photo, a video clip, a title or a collage. A slide is
// its common values (time, transition, background, caption, motion) plus exactly one body, a
// closed type: a new kind is one more alternative, and std::visit names every place that must
// handle it. What each kind takes (photo edits, sound, its own length, extra files) is said once,
// in SlideKind.h.
#pragma once

#include "base/Overloaded.h"
#include "imaging/FaceBox.h"
#include "imaging/TitleCard.h"
#include "project/PhotoSteps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace project {

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

// A photo: its working picture (the slide's), its original when it came from a photo file, and
// the faces found on it when it came in (none looked for yet: empty). Automatic motion frames on
// the faces; they are stored with a slide that moves automatically.
struct PhotoBody {
    std::optional<OriginalPhoto> Original;
    std::optional<std::vector<imaging::FaceBox>> Faces;
    bool operator==(const PhotoBody&) const = default;
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

// How a collage lays out its photos: side by side, one above the other, a 2 x 2 grid, or one
// large photo beside the others stacked.
enum class CollageLayout : std::uint8_t { Side = 0, Stack = 1, Grid = 2, Feature = 3 };

// One photo of a collage: its original kept whole, its own edit steps (a crop), and its faces,
// found when it came in, in fractions of the upright picture.
struct CollagePhoto {
    std::string File; // working copy of the photo's original bytes
    std::string Name; // the file name it came in with (its extension names its decoder)
    std::vector<PhotoStep> Steps;
    std::vector<imaging::FaceBox> Faces;
    bool operator==(const CollagePhoto&) const = default;
};

constexpr std::size_t kMinCollagePhotos = 2;
constexpr std::size_t kMaxCollagePhotos = 4;
// The widest gap between the cells, in thousandths of the frame's shorter side.
constexpr std::int32_t kMaxCollageGap = 200;

// Two to four photos on one slide, each in its cell with the slide's background in the gaps
// between them, each moving inside its cell with automatic motion framed on its faces. The slide's
// working picture is the collage composed at the photo size, which is what an older reader shows.
struct CollageSettings {
    CollageLayout Layout = CollageLayout::Side;
    std::int32_t Gap = 20; // thousandths of the frame's shorter side
    std::vector<CollagePhoto> Photos;
    bool operator==(const CollageSettings&) const = default;
};

using SlideBody = std::variant<PhotoBody, ClipSettings, imaging::TitleSettings, CollageSettings>;

// Calls f with each working copy a body names besides the slide's working picture.
template <typename Body, typename F> void ForEachFileOf(Body& body, F&& f) {
    using base::LikeConst;
    std::visit(base::Overloaded{
                   [&](LikeConst<Body, PhotoBody>& photo) {
                       if (photo.Original)
                           f(photo.Original->File);
                   },
                   [&](LikeConst<Body, ClipSettings>& clip) { f(clip.File); },
                   [&](LikeConst<Body, imaging::TitleSettings>&) {},
                   [&](LikeConst<Body, CollageSettings>& collage) {
                       for (auto& p : collage.Photos)
                           f(p.File);
                   },
               },
               body);
}

} // namespace project
