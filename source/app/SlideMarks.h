// The small marks a storyboard thumbnail carries in its top right corner: a video clip (a film
// mark with its trimmed length), a photo that moves (pan and zoom) and a photo on
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

// A clip's length as its thumbnail shows it: "0:04", "0:03.5", "12:40", "1:02:03".
QString ClipLengthText(std::int64_t ms);

// Paints the slide's marks onto its thumbnail (nothing for a still photo without faces).
void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide);

} // namespace ui
