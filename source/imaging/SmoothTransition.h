// The transitions of TransitionKinds.h (codes 14..26) as pure functions: one frame made from the
// outgoing and the incoming picture (both already composed at the frame's size) at time t of a
// transition lasting d (any unit; only t / d counts, clamped to 0..1, and d <= 0 is the end).
//
//   crossfade              a + (b - a) * alpha, alpha = t / d
//   fade-black, fade-white to the colour over the first half, from it over the second
//   zoom-in                the incoming picture grows from the centre, scaled by alpha
//   push-*                 the incoming picture pushes the outgoing one out; the name is the
//                          direction the content moves, by alpha * side rounded to whole
//                          pixels, ties to even (as the classic wipes' extents)
//   iris                   a circle opening from the centre, its edge smoothed over a pixel
//   soft-*                 a wipe moving the named way, its edge blended over 10 % of the side
//
// Every mix is a + (b - a) * weight rounded, within 1 of the exact value.
#pragma once

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

// True for the codes whose output row y is made from row y of the two pictures alone, so that
// a frame can be made band by band (DrawSmoothTransitionRows).
bool IsRowLocalTransition(int code);

// True for the row-local codes that mix every byte of a row alike, whatever its column or
// channel (crossfade, fade-black, fade-white, soft-up, soft-down): their rows can be drawn from
// planar rows as well (DrawByteWiseRow).
bool IsByteWiseTransition(int code);

// n bytes of row y of a frame H rows high, for a byte-wise code (nothing is drawn otherwise);
// out may be outgoing.
void DrawByteWiseRow(std::uint8_t* out, const std::uint8_t* outgoing, const std::uint8_t* incoming,
                     std::size_t n, std::int32_t y, std::int32_t H, int code, double t, double d);

// The whole frame. out, outgoing and incoming have the same size; out may be outgoing itself
// (drawn over in place) but not incoming. Nothing is drawn for a code outside 14..26 or when
// the sizes differ.
void DrawSmoothTransition(Bitmap& out, const Bitmap& outgoing, const Bitmap& incoming, int code,
                          double t, double d);

// Rows first..last-1 of the frame, for a row-local code only (nothing is drawn otherwise).
void DrawSmoothTransitionRows(Bitmap& out, const Bitmap& outgoing, const Bitmap& incoming, int code,
                              double t, double d, std::int32_t first, std::int32_t last);

// alpha = t / d clamped to 0..1; 1 when d <= 0, 0 when t is not a number.
double TransitionProgress(double t, double d);

} // namespace imaging
