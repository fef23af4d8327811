// A photo's original drawn with its edit steps at the size its use needs: the frames of an export
// of any size, or the working picture again at a new photo size. The original is decoded once
// per drawing, reduced by area before the steps when it is far larger than needed (so the steps'
// pixel work and the frames' sampling see no more pixels than they use), then edited.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "project/ShowContent.h"

#include <functional>

namespace project {

// The scale at which a use samples the final picture (after the steps) of width x height at its
// closest: for a still, its fit to the frame; for motion, the fit times the largest zoom.
using SampleScale = std::function<double(double width, double height)>;

// The slide's original drawn with its steps. A picture more than twice as large as the use samples
// it is first reduced to twice that, so that no use shrinks it by more than two (no aliasing)
// while it keeps its sharpness. Fails, naming the file, when the slide has no original it may be
// drawn from or the original cannot be decoded.
base::Result<imaging::Bitmap> DrawOriginal(const Slide& slide, const SampleScale& scale);
// The same for any original file (name: the name it came in with, for messages); backColor: what
// a turn shows where the picture does not reach.
base::Result<imaging::Bitmap> DrawOriginalFile(const std::string& file, const std::string& name,
                                               const std::vector<PhotoStep>& steps,
                                               std::int32_t backColor, const SampleScale& scale);

// The working picture of a photo drawn from its original: the original with its steps, at the
// photo size (the same rendering an export makes, fitted as an import fits). It is made only here,
// for every edit, the storyboard and older readers; it is never read back as the photo's truth.
// Refused for a slide drawn from its working picture.
base::Result<imaging::Bitmap> DrawWorkingPicture(const Slide& slide, const PhotoSettings& photos);

// The same, saved over the slide's working file.
base::Status RedrawWorkingPicture(const Slide& slide, const PhotoSettings& photos);

} // namespace project
