// The transition pictures of the storyboard's transition cells, drawn by the program: for the
// fourteen older kinds an arrow for the direction a slide moves in, a colour square, or nothing;
// for the blended kinds (imaging/TransitionKinds.h) a picture of their look half-way.
#pragma once

#include <QColor>
#include <QPixmap>

namespace ui {

// Picture of transition code 0 .. imaging::kTransitionCodes - 1, size x size pixels, on the given
// background; any other code is drawn as the plain wipe (1).
QPixmap TransitionIcon(int kind, int size, const QColor& background);

} // namespace ui
