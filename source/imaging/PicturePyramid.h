// A picture's pyramid: the picture halved again and again through a filter that keeps what each
// half-sized level can hold and stops what it cannot (HalvePicture), so that a frame sampling the
// picture at any scale below 1 reads a level whose detail it can hold rather than folding the
// finer detail back as moiré (PyramidSampler.h). Level 0 is the picture itself, which the caller
// keeps; the levels below it are made once, when first asked for, and kept while the picture is.
#pragma once

#include "imaging/Bitmap.h"

#include <deque>

namespace imaging {

class PicturePyramid {
public:
    // Level `level` (1 or more) of base: pixel (x, y) of level k is centred on the base point
    // (2^k (x + 0.5), 2^k (y + 0.5)), a side of odd length reaching half a pixel past the base's.
    // Made with the levels between on the first call; null past the last level (1 x 1). base must
    // be the same picture on every call until Clear.
    const Bitmap* Level(const Bitmap& base, int level);
    // How many levels are made (besides the picture itself).
    int Made() const { return static_cast<int>(levels_.size()); }
    void Clear() { levels_.clear(); }

private:
    std::deque<Bitmap> levels_; // levels 1, 2, ... (a deque keeps them in place as it grows)
};

// picture halved as a level of the pyramid: (w + 1) / 2 x (h + 1) / 2 pixels, new pixel i centred
// between old pixels 2i and 2i + 1, the edges repeated.
Bitmap HalvePicture(const Bitmap& picture);

} // namespace imaging
