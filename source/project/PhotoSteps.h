// The edits drawn into a photo (crop, turn, light, colour, a still caption), kept as values in the
// order they were made, so that the photo's original can be drawn with them at any size: the
// frames of a 4K export, or the working picture again at a new photo size. The working picture
// still receives each edit's pixels, as older readers show it; the steps say the same on the
// original.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Caption.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace project {

enum class TurnKind { Right, Left, Mirror };
struct TurnEdit {
    TurnKind Turn = TurnKind::Right;
    bool operator==(const TurnEdit&) const = default;
};

// Applied in this order whatever the order they were chosen in: brightness, contrast about the
// means taken after the brightness, gamma.
struct LightEdit {
    std::int32_t Brightness = 0; // -100..100
    std::int32_t Contrast = 0;   // -25..25
    double Gamma10 = 10.0;       // gamma x 10, 0..70
    bool operator==(const LightEdit&) const = default;
};

struct ColorEdit {
    std::int32_t Effect = 0; // 0 none, 1 black-and-white, 2 sepia, 3 negative
    bool operator==(const ColorEdit&) const = default;
};

// A crop in fractions of the picture it was made on (0..1, Left < Right, Top < Bottom).
struct CropStep {
    double Left = 0, Top = 0, Right = 1, Bottom = 1;
    bool operator==(const CropStep&) const = default;
};

// A caption drawn into the picture, with the size of the working picture it was drawn on: on a
// picture k times as large its text, margin and shadow are k times as large.
struct CaptionStep {
    imaging::CaptionSettings Caption;
    std::int32_t WorkWidth = 0;
    std::int32_t WorkHeight = 0;
    bool operator==(const CaptionStep&) const = default;
};

using PhotoStep = std::variant<CropStep, TurnEdit, LightEdit, ColorEdit, CaptionStep>;

// The most steps a photo keeps: the bound the show file's reader checks. An edit past it is
// refused (turns that cancel and a caption that replaces another take no room).
constexpr std::size_t kMaxPhotoSteps = 64;

// Adds a step after the others, as the photo's edit: a caption step replaces the caption there is
// (the photo has one caption, drawn over the picture as it is now), a turn that undoes the last
// one takes it off instead. Refused, leaving the steps as they were, past kMaxPhotoSteps.
base::Status AddPhotoStep(std::vector<PhotoStep>& steps, PhotoStep step);
// Takes the caption step off (a caption taken away, or one that moves over the frames instead).
void RemoveCaptionStep(std::vector<PhotoStep>& steps);

// The width and height a w x h picture has after the steps (crops and turns change it).
struct StepShape {
    double Width = 0;
    double Height = 0;
};
StepShape ShapeAfterSteps(double width, double height, const std::vector<PhotoStep>& steps);

// Applies one step to a picture; false when a crop leaves no pixel (the picture is unchanged).
// backColor: what a turn shows where the picture does not reach.
bool ApplyPhotoStep(imaging::Bitmap& picture, const PhotoStep& step, std::int32_t backColor);

// The pixel work shared by the edits and the steps.
void TurnPicture(imaging::Bitmap& picture, TurnKind turn, std::int32_t background);
void LightPicture(imaging::Bitmap& picture, const LightEdit& light);
void ColorPicture(imaging::Bitmap& picture, std::int32_t effect);
imaging::CaptionLook LookOf(const imaging::CaptionSettings& caption);

} // namespace project
