// A title slide: a title and an optional subtitle over a colour, a two-colour gradient or a
// blurred, darkened copy of the next photo, drawn at the frame's own size. The text is centred,
// the title at 9 % of the frame's height and the subtitle at half that, both shrunk together when
// their widest line would pass 90 % of the frame's width.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TextLayer.h"
#include "imaging/TextMotion.h"

#include <cstdint>
#include <optional>
#include <string>

namespace imaging {

enum class TitleBackdrop : std::uint8_t { Color = 0, Gradient = 1, Blur = 2 };

// The longest title or subtitle, in characters (code points).
constexpr int kMaxTitleCardCharacters = 500;

struct TitleSettings {
    std::string Title;    // UTF-8; line breaks start new lines
    std::string Subtitle; // UTF-8; empty: none
    TitleBackdrop Backdrop = TitleBackdrop::Color;
    std::int32_t Color1 = 0x000000;    // 0x00BBGGRR: the colour, the gradient's top
    std::int32_t Color2 = 0x402818;    // the gradient's bottom
    std::int32_t TextColor = 0xFFFFFF; // 0x00BBGGRR
    TextMotion Motion = TextMotion::Fade;

    bool operator==(const TitleSettings&) const = default;
};

// The console tool's backdrop: RRGGBB (a colour), RRGGBB-RRGGBB (a gradient, top to bottom) or
// "blur" (the next photo). Nothing for anything else.
std::optional<TitleSettings> ParseBackdrop(const std::string& text, TitleSettings title);
std::string BackdropText(const TitleSettings& title);

// The backdrop at the frame's size. Blur takes `next` (the next slide's picture) to cover the
// frame, blurred and darkened; without one it is the colour.
void DrawTitleBackdrop(Bitmap& frame, const TitleSettings& title, const Bitmap* next);

// The title's text block for a frame of this size.
TextBlock TitleText(const TitleSettings& title, int width, int height);

// Where the block's top-left corner goes in a width x height frame (centred).
QPointF TitlePlace(const TextLayerImage& layer, int width, int height);

// The whole card at the frame's size, with its text fully shown: the picture an older reader shows.
void DrawTitleCard(Bitmap& frame, const TitleSettings& title, const Bitmap* next);

} // namespace imaging
