// Text drawn over a frame so it reads on any picture: several lines, each aligned within the
// block, filled in its colour with a dark outline and a soft shadow, in any script (the system's
// fonts stand in for letters the chosen font lacks). The block is drawn once into a layer at the
// frame's own pixel size and then put on each frame with the text motion's opacity, rise and scale,
// so text is as sharp at 4K as the font.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TextMotion.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>

#include <vector>

namespace imaging {

struct TextLine {
    QString Text; // one line; a line break in it starts another line in the same font
    QFont Font;   // with its pixel size set for the frame
};

struct TextBlock {
    std::vector<TextLine> Lines;
    int HAlign = 2; // each line within the block: 1 left, 2 centre, 3 right
    QColor Color = Qt::white;
    double Outline = 0.0; // outline width in pixels (0: none)
    double Shadow = 0.0;  // shadow offset and softness in pixels (0: none)
};

// The block drawn into a premultiplied ARGB picture with room for its outline and shadow.
// Origin: where the block's top-left corner (the first line's top at the widest line's left)
// lies in the picture.
struct TextLayerImage {
    QImage Image;
    QPointF Origin;
    QSizeF Block; // the text's own width and height, without the outline's and shadow's room
};

// Letters (grapheme clusters) in the block's lines, the unit the typewriter counts.
int CountLetters(const TextBlock& block);

// The block with only its first `letters` letters (-1: all); the letters keep the places they
// have in the whole text.
TextLayerImage RenderTextLayer(const TextBlock& block, int letters = -1);

// Puts the layer on the frame with the block's top-left corner at `blockTopLeft`, scaled by
// state.Scale about the block's centre, state.Rise frame heights lower, at state.Opacity.
void DrawTextLayer(Bitmap& frame, const TextLayerImage& layer, QPointF blockTopLeft,
                   const TextMotionState& state);

} // namespace imaging
