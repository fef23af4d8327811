// In-place filters over a 24-bit bitmap. Every filter walks the rows through
// the row table and maps each channel (or each pixel's channel sum) through a look-up table, so
// the arithmetic is exactly the documented one: round = nearest with ties to even, trunc = toward
// zero, clamp = 0..255.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>

namespace imaging {

// A colour 0x00BBGGRR (red in the low byte).
using ColorValue = std::int32_t;

// Amount -100..100 adds amount*128/100 to every channel (truncated, clamped); 0 is a no-op.
void AdjustBrightness(Bitmap& bitmap, int amount);
// Amount -25..25: factor 1 + amount/10 (or 1 - sqrt(-amount)/10) about each channel's mean, or
// about 128 when fixedPivot is set; 0 is a no-op.
void AdjustContrast(Bitmap& bitmap, int amount, bool fixedPivot);
// Channel v becomes round(255 * (v/255)^(1/gamma)); gamma 0 counts as 0.01.
void AdjustGamma(Bitmap& bitmap, double gamma);
// Grey-scale tinted by the colour: channel c becomes round(weight_c * (R+G+B)/300).
void Colorize(Bitmap& bitmap, ColorValue color);
// Every channel v becomes 255 - v.
void InvertColors(Bitmap& bitmap);
// horizontal: mirror each row; otherwise turn the row order upside down.
void FlipBitmap(Bitmap& bitmap, bool horizontal);
// Turns clockwise by angle degrees: 90/180/270 exactly, other angles by nearest-neighbour free
// rotation onto a background-filled bounding box.
void RotateBitmap(Bitmap& bitmap, ColorValue background, double angle);

// The look-up tables behind the filters, exposed for tests.
void BrightnessTable(int amount, std::uint8_t table[256]);
void ContrastTable(int amount, int pivot, std::uint8_t table[256]);
void GammaTable(double gamma, std::uint8_t table[256]);
// Colorize weights (R, G, B) from a colour, each round(channel * 2.55) mod 256.
void ColorizeWeights(ColorValue color, int weights[3]);

} // namespace imaging
