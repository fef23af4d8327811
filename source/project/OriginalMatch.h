// The photo files on disk that a show's photos came from, found again by their pictures: a show
// saved before originals were kept has only its working pictures, drawn at the photo size it had
// then. A file is taken as a photo's original when, turned as the photo was and with its still
// caption drawn on, it looks the same as the working picture. A photo whose working picture holds
// edits that cannot be said as steps (a crop, a light or colour change already drawn in) matches
// no file and keeps its working picture, so nothing it shows is lost.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "project/ShowContent.h"

#include <cstddef>
#include <string>
#include <vector>

namespace project {

// A file found for one slide, with the steps that draw the slide's working picture from it.
struct FoundOriginal {
    std::size_t Slide = 0;
    std::string File;
    std::vector<PhotoStep> Steps;
    double Difference = 0; // mean difference of the two small pictures, in levels of 255
};

struct OriginalSearch {
    std::vector<FoundOriginal> Found;
    std::size_t Looked = 0;     // slides drawn from their working picture, which were looked for
    std::size_t Unreadable = 0; // files that could not be decoded (left out)
};

// The mean difference below which two small pictures are the same photo: resampling at other
// sizes and a redrawn caption stay well below it, a light change of a tenth goes above.
constexpr double kSameOriginal = 6.0;

// Looks for the original of every slide drawn from its working picture (no original, or one the
// steps cannot say; not title cards or clips) among files. Each file is decoded once, small.
// Fails only when cancelled or when no working picture could be read at all.
base::Result<OriginalSearch> FindOriginals(const std::vector<Slide>& slides,
                                           const std::vector<std::string>& files,
                                           base::Progress& progress);

} // namespace project
