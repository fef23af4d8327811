// The edits the effects dialog, the storyboard and `reelpane-cli edit` make to one slide, as
// values, and the one function that makes an edit: on the slide's values and its working picture,
// in memory (the dialog's preview) or on its working file (every stored edit).
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Caption.h"
#include "imaging/Motion.h"
#include "project/CaptionBases.h"
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

// Whether the slide's pictures are drawn from its original and its steps (a photo that came in
// with its original). Any other photo (one from an older show, or edited there past what steps
// say) is its own original: its working picture is edited in place.
bool DrawnFromSteps(const Slide& slide);

// The one edit of a slide, on its values and its working picture held in memory: the effects
// dialog's preview and every stored edit make it alike.
// - crop, turn, light, colour, still caption: on a photo drawn from its original the edit becomes
//   a step (a caption replaces the caption step, a moving caption or no text takes it off) and
//   `working` is drawn again from the original; on any other photo the pixels are made on
//   `working` itself (a crop is fitted again to the photo size);
// - caption: the record takes the caption fields; turn: TurnCount counts it; light, colour: the
//   record's pending fields go back to neutral;
// - background: BackColor; duration: StillMs and TransitionMs; motion: the extension's Motion
//   (`working` is not touched).
// thumbnail: edited or made again alongside, when given. On failure nothing changes.
base::Status EditSlidePicture(Slide& slide, imaging::Bitmap& working, const SlideEdit& edit,
                              const PhotoSettings& photos, imaging::Bitmap* thumbnail = nullptr);

// The same on the slide's working file, replaced only by a complete new picture: on any failure
// it keeps the previous picture and the message names the file. captions: the copies without a
// caption kept by the caller's history, so that a still caption drawn into a picture that is its
// own original replaces the one drawn before (null: it is drawn over it).
base::Status EditSlide(Slide& slide, const SlideEdit& edit, const PhotoSettings& photos,
                       imaging::Bitmap* thumbnail = nullptr, CaptionBases* captions = nullptr);

// The same on slide `index` of a show (a draft the caller commits through the history). A clip's
// still is the one its trim gives with the transitions around it, whatever a duration asks (see
// ClipStillMs).
base::Status ApplySlideEdit(ShowContent& show, std::size_t index, const SlideEdit& edit,
                            const PhotoSettings& photos, imaging::Bitmap* thumbnail = nullptr,
                            CaptionBases* captions = nullptr);

// Writes a picture as a BMP beside path and renames it over path only when complete.
base::Status SaveWorkPicture(const std::string& path, const imaging::Bitmap& picture);

} // namespace project
