// The fourteen transition pictures of the storyboard's transition cells and the chooser, drawn by
// the program: an arrow for the direction a slide moves in, a colour square, or nothing.
#pragma once

#include <QColor>
#include <QPixmap>

namespace ui {

// Picture of transition kind 0..13, size x size pixels, on the given background.
QPixmap TransitionIcon(int kind, int size, const QColor& background);

} // namespace ui
