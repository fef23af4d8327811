// What the effects dialog edits of one slide, as plain values: the caller fills them from the
// show's record and stores what comes back through the document.
#pragma once

#include "imaging/Caption.h"
#include "imaging/Motion.h"

#include <cstdint>
#include <string>

namespace ui {

// A rectangle in working-picture pixels; the corners may come in any order.
struct EffectsCrop {
    std::int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// Caption text and look, the same values the show's edits carry.
using EffectsCaption = imaging::CaptionSettings;

enum class EffectsTurn { Right, Left, Mirror };

// The slide's fields the dialog shows and changes, named as the record names them.
struct EffectsValues {
    std::int64_t StillMs = 0; // the still, in milliseconds (shown in tenths of a second)
    std::string CaptionText;
    std::string CaptionFont;
    std::int32_t Brightness = 0;  // -100..100, pending until applied
    std::int32_t Contrast = 0;    // -25..25, pending until applied
    double Gamma10 = 10.0;        // gamma x 10, pending until applied
    std::int32_t ColorEffect = 0; // 0 none, 1 black-white, 2 sepia, 3 negative; pending
    std::int32_t BackColor = 0;   // 0x00BBGGRR or 0xFF0000nn system colour
    std::int32_t TurnCount = 0;   // confirmed turns
    std::int32_t CaptionVAlign = 0;
    std::int32_t CaptionHAlign = 0;
    std::int32_t CaptionSize = 0;
    std::int32_t CaptionColor = 0;
    std::uint8_t CaptionStyle = 0;
    // The slide's own motion, and how long the slide moves (its still and outgoing transition).
    imaging::Motion Motion;
    double MotionSeconds = 0.0;

    EffectsCaption Caption() const {
        return {CaptionText,  CaptionFont,   CaptionSize,  CaptionColor,
                CaptionStyle, CaptionHAlign, CaptionVAlign};
    }
    void SetCaption(const EffectsCaption& c) {
        CaptionText = c.Text;
        CaptionFont = c.Font;
        CaptionSize = c.Size;
        CaptionColor = c.Color;
        CaptionStyle = c.Style;
        CaptionHAlign = c.HAlign;
        CaptionVAlign = c.VAlign;
    }
};

} // namespace ui
