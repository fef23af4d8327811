// What the storyboard does for the undo history: it keeps the cells and the thumbnails, which the
// core cannot make. Without it (tests of the core) the history changes records and files only.
#pragma once

#include "imaging/Bitmap.h"

#include <cstddef>

namespace project {

class HistoryViews {
public:
    virtual ~HistoryViews() = default;
    // The thumbnail slide `index` shows (empty when there is none).
    virtual imaging::Bitmap Thumbnail(std::size_t index) const = 0;
    // Slide `index` shows this thumbnail again; its working picture was exchanged.
    virtual void SetThumbnail(std::size_t index, const imaging::Bitmap& thumbnail) = 0;
    // The cells of a slide / track put back at index (the model named the others already).
    virtual void CreatePhotoViews(std::size_t index, const imaging::Bitmap& thumbnail) = 0;
    virtual void CreateTrackViews(std::size_t index) = 0;
    // After each step done or undone: the strips laid out again, the selection shown.
    virtual void ShowChanged() = 0;
};

} // namespace project
