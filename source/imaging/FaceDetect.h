// Finding the faces of a photo, for automatic motion: the library's built-in detector of upright
// frontal faces (histograms of oriented gradients), run on a grey copy whose longer side is
// kDetectSide pixels, so one photo takes a bounded time whatever its size. Deterministic: the
// same picture gives the same boxes.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/FaceBox.h"

#include <vector>

namespace imaging {

// The longer side of the copy the detector searches. Faces smaller than about 80 / kDetectSide of
// the picture's longer side are not found.
constexpr int kDetectSide = 1000;

// The faces of the picture, largest first, at most kMaxFaces; none for an empty picture. Safe to
// call from several threads at once (they take turns with the one detector).
std::vector<FaceBox> DetectFaces(const Bitmap& picture);

} // namespace imaging
