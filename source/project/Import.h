// Bringing photos into the show: decode by extension, fit to the output resolution, store the
// working BMP and make the 90x90 thumbnail. Used by the main window, the project loader and the
// command-line tool alike.
#pragma once

#include "imaging/Bitmap.h"
#include "project/ShowModel.h"

#include <optional>
#include <string>
#include <vector>

namespace project {

struct AddedPhoto {
    std::size_t Index = 0;     // the new last slide
    imaging::Bitmap Thumbnail; // 90 x 90
};

// Imports one picture file as a new last slide. Nothing changes (and nullopt is returned) when
// the extension is not a photo's, the file cannot be decoded or its working copy cannot be
// written.
std::optional<AddedPhoto> AddPhoto(ShowModel& show, const std::string& path,
                                   std::string* error = nullptr);

// Resamples the bitmap in place to the width W (landscape) or height H (portrait, square) with
// the other side in proportion, rounded to nearest with ties to even.
bool FitToResolution(imaging::Bitmap& bitmap, int width, int height);
// The size FitToResolution gives a w x h picture.
imaging::ImageSize FittedSize(int w, int h, int width, int height);

// The centre square of a fitted photo at 90 x 90.
imaging::Bitmap MakeThumbnail(const imaging::Bitmap& fitted);

// Reloads slide i's working copy, fits it again and saves it back (after an edit).
bool RefitSlide(ShowModel& show, std::size_t index);

// The photo files directly inside a folder (no sub-folders), by name.
std::vector<std::string> PhotosInFolder(const std::string& folder);

// ".MP3", ".OGG", ".WAV" in any case.
bool IsTrackExtension(const std::string& ext);
// The extension of a path with its dot ("" when none).
std::string ExtensionOf(const std::string& path);

} // namespace project
