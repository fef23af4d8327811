// The small marks a storyboard thumbnail carries in its top right corner: a video clip (with its
// trimmed length in the bottom left corner), a photo that moves (pan and zoom) and a photo on
// which faces were found, which automatic motion frames on.
#pragma once

#include "project/Slide.h"

#include <QPixmap>
#include <QString>

#include <cstdint>

namespace ui {

// Whether the slide carries each mark.
bool HasClipMark(const project::Slide& slide);
bool HasMotionMark(const project::Slide& slide);
bool HasFaceMark(const project::Slide& slide);

// A clip's length as its thumbnail shows it: "0:04", "0:03.5".
QString ClipLengthText(std::int64_t ms);

// Paints the slide's marks onto its thumbnail (nothing for a still photo without faces).
void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide);

} // namespace ui
