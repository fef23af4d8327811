// The program's picture (two photos over a strip of film): the about box's picture, the window
// icon and the desktop icons, drawn rather than loaded so every size is sharp.
#pragma once

#include <QImage>

namespace ui {

// The picture at size x size pixels with a transparent background.
QImage DrawProgramPicture(int size);

} // namespace ui
