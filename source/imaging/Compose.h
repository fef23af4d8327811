// Frame composition: a slide's working BMP fitted without distortion into a target
// and centred on the slide's BackColor. Pure functions over a file path and a colour; the main
// window supplies both from its records (imaging/ knows nothing of the project types).
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

namespace imaging {

// What composition needs of one slide.
struct SlideSource {
    std::string WorkFile;   // path of the working BMP (file-system encoding)
    std::int32_t BackColor; // 0x00BBGGRR or 0xFF0000nn system colour
    // Where the picture is drawn rather than read from WorkFile (a photo's original with its
    // edits), for a frame of width x height; WorkFile then names it.
    std::function<base::Result<Bitmap>(int width, int height)> Draw = {};
};

// Fills the whole target with the colour (system colours resolved, Colors.h).
void FillColor(Bitmap& target, std::int32_t color);

// Composes an already loaded photo into target (which keeps its size): the fill with backColor,
// then the photo unscaled and centred when it is smaller than the target both ways, otherwise
// FitSize + ScaleBilinear, centred.
void ComposePhoto(Bitmap& target, const Bitmap& photo, std::int32_t backColor);

// Loads the slide's working file (a BMP; other picture formats Qt reads are accepted too). A
// failure names the file and the system's or the decoder's reason.
base::Result<Bitmap> LoadSlidePicture(const std::string& path);

// The picture reduced to width x height by averaging the pixels each new one covers (no
// aliasing however far it shrinks); the picture itself when it is not larger.
Bitmap ReduceByArea(const Bitmap& picture, int width, int height);

// The main preview: slide == nullptr is the empty show (a plain button-face area, nothing
// loaded). Returns the width x height picture for the preview, or a null QImage when the working
// file cannot be loaded (the caller then keeps the picture it showed).
QImage ShowSlideInPreview(const SlideSource* slide, int width, int height);

// An output frame of its current size receives the composed slide. Fails, leaving the frame
// untouched, when there is no slide or no frame to draw on, or when the working file cannot be
// loaded (the message names the file and the reason).
base::Status RenderSlideToFrame(Bitmap& frame, const SlideSource* slide);

// nextFrame becomes referenceWidth x referenceHeight holding the composed slide (the incoming
// slide of a transition, whose BackColor fills the bars). On failure nextFrame is left as it was
// (empty, when the transition has not prepared it yet) and the result says why.
base::Status PrepareNextFrame(Bitmap& nextFrame, int referenceWidth, int referenceHeight,
                              const SlideSource* slide);

} // namespace imaging
