// Caption text drawn into a photo: the text in its font with a black shadow, placed by the
// horizontal and vertical alignment with a 12-pixel margin.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TextLayer.h"
#include "imaging/TextMotion.h"

#include <QString>

#include <cstdint>
#include <string>

namespace imaging {

// The longest caption text and font name a slide holds, in characters (code points). The show
// file's record keeps the first 255 of them; the extension block keeps the whole text.
constexpr int kMaxCaptionCharacters = 1000;
constexpr int kMaxFontCharacters = 255;

// A slide's caption: the one value the slide holds, the effects dialog edits and the edit
// commands apply. Text and Font are UTF-8. The defaults are those of a slide without a caption.
struct CaptionSettings {
    std::string Text;
    std::string Font = "Arial";
    std::int32_t Size = 24;
    std::int32_t Color = 0xFFFFFF; // 0x00BBGGRR
    std::uint8_t Style = 0;        // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    std::int32_t HAlign = 1;       // 1 left, 2 centre, 3 right
    std::int32_t VAlign = 1;       // 1 top, 2 centre, 3 bottom
    // How the caption comes and goes. A moving caption is not drawn into the picture: the
    // renderer draws it on every frame, at the frame's size.
    TextMotion Motion = TextMotion::None;

    bool operator==(const CaptionSettings&) const = default;
};

struct CaptionLook {
    QString Text;
    QString Font = QStringLiteral("Arial");
    std::int32_t Size = 24;        // points; pixels are round(Size * 96 / 72)
    std::int32_t Color = 0xFFFFFF; // 0x00BBGGRR
    std::uint8_t Style = 0;        // bit 0 bold, 1 italic, 2 underline, 3 strike-out
    std::int32_t HAlign = 1;       // 1 left, 2 centre, 3 right
    std::int32_t VAlign = 1;       // 1 top, 2 centre, 3 bottom
};

// Where the text cell's top-left corner goes in a width x height picture, and the shadow offset.
struct CaptionPlace {
    int X = 0;
    int Y = 0;
    int Shadow = 0; // Size / 12: the coloured text sits this far up and left of the black one
};

// scale: the picture is that many times the size the caption was set on (its text, margin and
// shadow grow with it).
CaptionPlace PlaceCaption(const CaptionLook& look, int width, int height, double scale = 1.0);

// Draws the caption: black at the place, then the colour at (x - s, y - s). Empty text draws
// nothing.
void DrawCaption(Bitmap& picture, const CaptionLook& look, double scale = 1.0);

// A moving caption as a text block for a picture shown `scale` times its working size: its font
// scaled so, with an outline and a soft shadow in place of the still caption's hard one.
TextBlock MovingCaptionText(const CaptionLook& look, double scale);
// Where that block's top-left corner goes on a width x height frame: by the caption's alignment,
// with the still caption's margin scaled.
QPointF MovingCaptionPlace(const CaptionLook& look, const TextLayerImage& layer, double scale,
                           int width, int height);

// A moving caption as it shows once it is fully in, over a picture shown `scale` times its working
// size (the window's preview and the storyboard's thumbnail show it so). Empty text draws nothing.
void DrawShownCaption(Bitmap& picture, const CaptionLook& look, double scale);

} // namespace imaging
