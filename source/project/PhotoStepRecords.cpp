#include "project/PhotoStepRecords.h"

#include "project/ExtensionChunks.h"

#include <cmath>
#include <cstring>

namespace project {

namespace {

enum StepKind : std::uint8_t { kCrop, kTurn, kLight, kColour, kCaption };

constexpr std::int32_t kMaxWorkSide = 65535;

bool Fraction(double v) {
    return std::isfinite(v) && v >= 0.0 && v <= 1.0;
}

std::optional<PhotoStep> StepOf(const PhotoStepRecord& r, const std::uint8_t* texts,
                                std::size_t textRoom) {
    const auto n = [&](int i) { return r.Numbers[static_cast<std::size_t>(i)].get(); };
    const auto v = [&](int i) { return r.Values[static_cast<std::size_t>(i)].get(); };
    switch (r.Kind) {
    case kCrop: {
        const CropStep crop{v(0), v(1), v(2), v(3)};
        if (!Fraction(crop.Left) || !Fraction(crop.Top) || !Fraction(crop.Right) ||
            !Fraction(crop.Bottom) || crop.Left >= crop.Right || crop.Top >= crop.Bottom)
            return std::nullopt;
        return crop;
    }
    case kTurn:
        if (n(0) < 0 || n(0) > 2)
            return std::nullopt;
        return TurnEdit{static_cast<TurnKind>(n(0))};
    case kLight: {
        const LightEdit light{n(0), n(1), v(0)};
        if (light.Brightness < -100 || light.Brightness > 100 || light.Contrast < -25 ||
            light.Contrast > 25 || !std::isfinite(light.Gamma10) || light.Gamma10 < 0 ||
            light.Gamma10 > 70)
            return std::nullopt;
        return light;
    }
    case kColour:
        if (n(0) < 1 || n(0) > 3)
            return std::nullopt;
        return ColorEdit{n(0)};
    case kCaption: {
        if (std::uint64_t{r.TextBytes.get()} + r.FontBytes.get() > textRoom)
            return std::nullopt;
        auto text = extension_chunks::ExactText(texts, r.TextBytes, imaging::kMaxCaptionCharacters);
        auto font = extension_chunks::ExactText(texts + r.TextBytes.get(), r.FontBytes,
                                                imaging::kMaxFontCharacters);
        CaptionStep step;
        step.Caption.Size = n(0);
        step.Caption.Color = n(1);
        step.Caption.Style = static_cast<std::uint8_t>(n(2));
        step.Caption.HAlign = n(3);
        step.Caption.VAlign = n(4);
        step.WorkWidth = r.WorkWidth;
        step.WorkHeight = r.WorkHeight;
        if (!text || text->empty() || !font || font->empty() || n(0) < 1 || n(0) > 1638 ||
            n(1) < 0 || n(1) > 0xFFFFFF || n(2) < 0 || n(2) > 15 || n(3) < 1 || n(3) > 3 ||
            n(4) < 1 || n(4) > 3 || step.WorkWidth < 1 || step.WorkWidth > kMaxWorkSide ||
            step.WorkHeight < 1 || step.WorkHeight > kMaxWorkSide)
            return std::nullopt;
        step.Caption.Text = std::move(*text);
        step.Caption.Font = std::move(*font);
        return step;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

void AppendPhotoSteps(std::vector<std::uint8_t>& out, const std::vector<PhotoStep>& steps) {
    const auto append = [&](const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    };
    const std::size_t count = std::min(steps.size(), kMaxPhotoSteps);
    const base::le_u32 stored(static_cast<std::uint32_t>(count));
    append(&stored, sizeof stored);
    for (std::size_t k = 0; k < count; ++k) {
        PhotoStepRecord r{};
        const std::string* text = nullptr;
        const std::string* font = nullptr;
        if (const auto* crop = std::get_if<CropStep>(&steps[k])) {
            r.Kind = kCrop;
            r.Values = {crop->Left, crop->Top, crop->Right, crop->Bottom};
        } else if (const auto* turn = std::get_if<TurnEdit>(&steps[k])) {
            r.Kind = kTurn;
            r.Numbers[0] = static_cast<std::int32_t>(turn->Turn);
        } else if (const auto* light = std::get_if<LightEdit>(&steps[k])) {
            r.Kind = kLight;
            r.Numbers[0] = light->Brightness;
            r.Numbers[1] = light->Contrast;
            r.Values[0] = light->Gamma10;
        } else if (const auto* color = std::get_if<ColorEdit>(&steps[k])) {
            r.Kind = kColour;
            r.Numbers[0] = color->Effect;
        } else if (const auto* caption = std::get_if<CaptionStep>(&steps[k])) {
            const imaging::CaptionSettings& c = caption->Caption;
            r.Kind = kCaption;
            r.Numbers = {c.Size, c.Color, c.Style, c.HAlign, c.VAlign};
            r.WorkWidth = caption->WorkWidth;
            r.WorkHeight = caption->WorkHeight;
            r.TextBytes = static_cast<std::uint32_t>(c.Text.size());
            r.FontBytes = static_cast<std::uint32_t>(c.Font.size());
            text = &c.Text;
            font = &c.Font;
        }
        append(&r, sizeof r);
        if (text && font) {
            append(text->data(), text->size());
            append(font->data(), font->size());
        }
    }
}

std::optional<std::vector<PhotoStep>> ReadPhotoSteps(const std::uint8_t* p, std::size_t size) {
    base::le_u32 count;
    if (size < sizeof count)
        return std::nullopt;
    std::memcpy(&count, p, sizeof count);
    if (count.get() > kMaxPhotoSteps)
        return std::nullopt;
    p += sizeof count;
    size -= sizeof count;
    std::vector<PhotoStep> steps;
    for (std::uint32_t k = 0; k < count.get(); ++k) {
        PhotoStepRecord r;
        if (size < sizeof r)
            return std::nullopt;
        std::memcpy(&r, p, sizeof r);
        p += sizeof r;
        size -= sizeof r;
        auto step = StepOf(r, p, size);
        if (!step)
            return std::nullopt;
        if (r.Kind == kCaption) {
            p += r.TextBytes.get() + std::size_t{r.FontBytes.get()};
            size -= r.TextBytes.get() + std::size_t{r.FontBytes.get()};
        }
        steps.push_back(std::move(*step));
    }
    return steps;
}

} // namespace project
