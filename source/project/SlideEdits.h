// The edits the effects dialog and `reelpane-cli edit` make to one slide, as values, and the one
// function that applies an edit to slide i of a show: it rewrites the working file (and the
// thumbnail picture, when the caller keeps one) and the record fields the edit owns.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Caption.h"
#include "imaging/Motion.h"
#include "project/PhotoSteps.h"
#include "project/ShowContent.h"

#include <cstdint>
#include <string>
#include <variant>

namespace project {

// A rectangle in working-picture pixels; the corners may come in any order.
struct CropEdit {
    std::int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// Caption text and look, as the effects dialog edits them.
using CaptionEdit = imaging::CaptionSettings;

struct BackgroundEdit {
    std::int32_t Color = 0; // 0x00BBGGRR
};

// The slide's time: its still and, unless kKeep, its transition's length, in milliseconds
// (0..kMaxSlideMs). Every path that retimes a slide (the window, the console tool, fitting to the
// music, cuts on the beat) goes through this one edit.
struct DurationEdit {
    static constexpr std::int64_t kKeep = -1;
    std::int64_t StillMs = 10000;
    std::int64_t TransitionMs = kKeep;
};

// The slide's pan and zoom: none, automatic, or the user's start and end states with an easing.
// States must be centres within 0..1 and zooms within 1..imaging::kMaxMotionZoom.
struct MotionEdit {
    imaging::Motion Motion;
};

using SlideEdit = std::variant<CropEdit, CaptionEdit, TurnEdit, LightEdit, ColorEdit,
                               BackgroundEdit, DurationEdit, MotionEdit>;

// Checks the ranges above (and the caption's UTF-8 and its length limits); the message names the
// value.
base::Status ValidateEdit(const SlideEdit& edit);

// The pixel work of each edit on a picture in memory, shared by the dialog's preview.
// Crop clamps the rectangle to the picture and refuses one under a pixel either way.
base::Result<imaging::Bitmap> CropPicture(const imaging::Bitmap& picture, const CropEdit& crop);

// Applies the edit to slide `index`:
// - crop: the working file becomes the rectangle, then is fitted again to the output size;
// - caption: the record takes the caption fields and the text is drawn into the working file;
// - turn: photo and thumbnail turn or mirror, TurnCount counts it;
// - light, colour: photo and thumbnail filtered (colour 0 changes nothing); the record's pending
//   light and colour fields go back to neutral;
// - background: BackColor; duration: StillMs and TransitionMs (a clip's still is the one its trim
//   gives with the transitions around it: see ClipStillMs); motion: the extension's Motion (no
//   file is touched).
// The working file is replaced only by a complete new one: on any failure it keeps the previous
// picture, the record and the thumbnail are unchanged and the message names the file.
// The slide's values change in `show` (a draft the caller commits through the history); photos:
// the size a crop is fitted to again.
base::Status ApplySlideEdit(ShowContent& show, std::size_t index, const SlideEdit& edit,
                            const PhotoSettings& photos, imaging::Bitmap* thumbnail = nullptr);

// The same on one slide's values (an editor's copy of the slide).
base::Status EditSlide(Slide& slide, const SlideEdit& edit, const PhotoSettings& photos,
                       imaging::Bitmap* thumbnail = nullptr);

// Writes a picture as a BMP beside path and renames it over path only when complete.
base::Status SaveWorkPicture(const std::string& path, const imaging::Bitmap& picture);

} // namespace project
