// How a slide's text (a title card, a photo's caption) comes in and goes out over the slide's
// visible span: the state of the text at a point of that span, which the renderer draws.
//
// The in phase lasts min(1 s, a quarter of the span) from the first visible frame, the out phase
// as long again up to the last: fade ramps the opacity up and down on a smoothstep; rise does the
// same while the text rises from 6 % of the frame's height below its place; zoom fades likewise
// while the text grows from 100 % to 108 % over the whole span; typewriter shows the letters one
// by one over min(half the span, 0.08 s a letter) and then holds them, fading out at the end.
#pragma once

#include <optional>
#include <string>

namespace imaging {

enum class TextMotion : unsigned char { None = 0, Fade = 1, Rise = 2, Typewriter = 3, Zoom = 4 };
constexpr int kTextMotionCount = 5;

struct TextMotionState {
    double Opacity = 1.0;
    double Rise = 0.0;  // how far below its place the text is drawn, in frame heights
    double Scale = 1.0; // about the text block's centre
    int Letters = -1;   // how many letters (grapheme clusters) show; -1: all
};

// The state at u (0 on the first visible frame, 1 on the last) of a span of `seconds`, for a text
// of `letters` letters.
TextMotionState TextMotionAt(TextMotion motion, double u, double seconds, int letters);

// The console tool's names: none, fade, rise, typewriter, zoom.
const char* TextMotionName(TextMotion motion);
std::optional<TextMotion> ParseTextMotion(const std::string& name);

} // namespace imaging
