#include "project/PhotoSteps.h"

#include "imaging/BitmapFilters.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace project {

namespace {

constexpr imaging::ColorValue kBlackAndWhite = 140 | (140 << 8) | (140 << 16);
constexpr imaging::ColorValue kSepia = 143 | (138 << 8) | (125 << 16);

// The pixel columns (or rows) a crop's fractions take of a side of n pixels: at least one.
std::pair<int, int> CropSpan(double from, double to, int n) {
    const int a = std::clamp(static_cast<int>(std::lround(from * n)), 0, n - 1);
    const int b = std::clamp(static_cast<int>(std::lround(to * n)), a + 1, n);
    return {a, b};
}

} // namespace

void TurnPicture(imaging::Bitmap& picture, TurnKind turn, std::int32_t background) {
    switch (turn) {
    case TurnKind::Right:
        imaging::RotateBitmap(picture, background, 90);
        break;
    case TurnKind::Left:
        imaging::RotateBitmap(picture, background, 270);
        break;
    case TurnKind::Mirror:
        imaging::FlipBitmap(picture, true);
        break;
    }
}

void LightPicture(imaging::Bitmap& picture, const LightEdit& light) {
    imaging::AdjustBrightness(picture, light.Brightness);
    imaging::AdjustContrast(picture, light.Contrast, false);
    imaging::AdjustGamma(picture, light.Gamma10 / 10.0);
}

void ColorPicture(imaging::Bitmap& picture, std::int32_t effect) {
    switch (effect) {
    case 1:
        imaging::Colorize(picture, kBlackAndWhite);
        break;
    case 2:
        imaging::Colorize(picture, kSepia);
        break;
    case 3:
        imaging::InvertColors(picture);
        break;
    default:
        break;
    }
}

imaging::CaptionLook LookOf(const imaging::CaptionSettings& caption) {
    imaging::CaptionLook look;
    look.Text = QString::fromUtf8(caption.Text.data(), qsizetype(caption.Text.size()));
    look.Font = QString::fromUtf8(caption.Font.data(), qsizetype(caption.Font.size()));
    look.Size = caption.Size;
    look.Color = caption.Color;
    look.Style = caption.Style;
    look.HAlign = caption.HAlign;
    look.VAlign = caption.VAlign;
    return look;
}

void RemoveCaptionStep(std::vector<PhotoStep>& steps) {
    std::erase_if(steps, [](const PhotoStep& s) { return std::holds_alternative<CaptionStep>(s); });
}

base::Status AddPhotoStep(std::vector<PhotoStep>& steps, PhotoStep step) {
    if (std::holds_alternative<CaptionStep>(step))
        RemoveCaptionStep(steps);
    if (const auto* turn = std::get_if<TurnEdit>(&step); turn && !steps.empty())
        if (const auto* last = std::get_if<TurnEdit>(&steps.back())) {
            const auto undoes = [](TurnKind a, TurnKind b) {
                return (a == TurnKind::Mirror && b == TurnKind::Mirror) ||
                       (a == TurnKind::Right && b == TurnKind::Left) ||
                       (a == TurnKind::Left && b == TurnKind::Right);
            };
            if (undoes(last->Turn, turn->Turn)) {
                steps.pop_back();
                return {};
            }
        }
    if (steps.size() >= kMaxPhotoSteps)
        return base::Fail("the photo already holds " + std::to_string(kMaxPhotoSteps) +
                          " edits, the most a show keeps for one photo; undo some of them first");
    steps.push_back(std::move(step));
    return {};
}

StepShape ShapeAfterSteps(double width, double height, const std::vector<PhotoStep>& steps) {
    StepShape shape{width, height};
    for (const PhotoStep& step : steps) {
        if (const auto* crop = std::get_if<CropStep>(&step)) {
            shape.Width *= crop->Right - crop->Left;
            shape.Height *= crop->Bottom - crop->Top;
        } else if (const auto* turn = std::get_if<TurnEdit>(&step);
                   turn && turn->Turn != TurnKind::Mirror) {
            std::swap(shape.Width, shape.Height);
        }
    }
    return shape;
}

bool ApplyPhotoStep(imaging::Bitmap& picture, const PhotoStep& step, std::int32_t backColor) {
    if (picture.IsEmpty())
        return false;
    if (const auto* crop = std::get_if<CropStep>(&step)) {
        const auto [x0, x1] = CropSpan(crop->Left, crop->Right, picture.Width);
        const auto [y0, y1] = CropSpan(crop->Top, crop->Bottom, picture.Height);
        imaging::Bitmap out = imaging::Bitmap::CreateUninitialised(x1 - x0, y1 - y0);
        if (out.IsEmpty())
            return false;
        for (int y = 0; y < out.Height; ++y)
            std::copy_n(picture.Row(y0 + y) + static_cast<std::ptrdiff_t>(x0) * 3,
                        static_cast<std::size_t>(out.Width) * 3, out.Row(y));
        picture = std::move(out);
    } else if (const auto* turn = std::get_if<TurnEdit>(&step)) {
        TurnPicture(picture, turn->Turn, backColor);
    } else if (const auto* light = std::get_if<LightEdit>(&step)) {
        LightPicture(picture, *light);
    } else if (const auto* color = std::get_if<ColorEdit>(&step)) {
        ColorPicture(picture, color->Effect);
    } else if (const auto* caption = std::get_if<CaptionStep>(&step)) {
        // The text keeps its height as a fraction of the picture whatever size it is drawn at.
        const double scale =
            caption->WorkHeight > 0 ? double(picture.Height) / caption->WorkHeight : 1.0;
        imaging::DrawCaption(picture, LookOf(caption->Caption), scale);
    }
    return true;
}

} // namespace project
