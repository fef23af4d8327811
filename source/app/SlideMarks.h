// The small marks a storyboard thumbnail carries in its top right corner: a photo that moves
// (pan and zoom) and a photo on which faces were found, which automatic motion frames on.
#pragma once

#include "project/Slide.h"

#include <QPixmap>

namespace ui {

// Whether the slide carries each mark.
bool HasMotionMark(const project::Slide& slide);
bool HasFaceMark(const project::Slide& slide);

// Paints the slide's marks onto its thumbnail (nothing for a still photo without faces).
void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide);

} // namespace ui
