// A collage drawn at any size: its cells laid out in the frame with the slide's background in the
// gaps, each photo covering its cell and moving inside it with automatic motion framed on its
// faces. The renderer draws each frame through it, and the record's picture (what an older reader
// shows) is the same drawing at the photo size.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Motion.h"
#include "imaging/PicturePyramid.h"
#include "project/SlideBodies.h"

#include <cstdint>
#include <vector>

namespace project {

struct CollageCell {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const CollageCell&) const = default;
};

// The cells of `count` photos (kMinCollagePhotos..kMaxCollagePhotos) in a width x height frame:
// side by side, stacked, a 2 x 2 grid (three photos: two above, one below across), or the first
// photo large on the left with the others stacked on the right. `gap` is in thousandths of the
// frame's shorter side, around and between the cells. Empty when nothing fits.
std::vector<CollageCell> CollageCells(CollageLayout layout, std::size_t count, int width,
                                      int height, std::int32_t gap);

// The photo decoded upright, drawn with its steps, and reduced by area to no more than what a
// cell of cellWidth x cellHeight samples at its closest zoom (so a 12 MP photo in a quarter of a
// 1080p frame is not held whole).
base::Result<imaging::Bitmap> DrawCollagePhoto(const CollagePhoto& photo, int cellWidth,
                                               int cellHeight);

// The automatic motion of photo k (its place in the collage picks zoom in or out) in its cell,
// resolved for a picture of pictureWidth x pictureHeight, framed on the photo's faces.
imaging::Motion CollagePhotoMotion(const CollageSettings& collage, std::size_t k,
                                   const CollageCell& cell, int pictureWidth, int pictureHeight);

// One picture of each photo, in the collage's order, drawn by DrawCollagePhoto, with the
// pyramid its sampler filters through (null: sampled directly).
struct CollagePicture {
    const imaging::Bitmap* Picture = nullptr;
    imaging::PicturePyramid* Levels = nullptr;
};

// The collage at progress u (0..1 of its time on screen) into frame (which keeps its size):
// the background colour (0x00BBGGRR or a system colour) over the whole frame, then each photo in
// its cell. A photo whose picture is missing leaves its cell in the background colour.
void DrawCollage(imaging::Bitmap& frame, const CollageSettings& collage,
                 const std::vector<CollagePicture>& pictures, double u, std::int32_t backColor);

// The collage's record picture at the photo size, drawn at the start of its motion.
base::Result<imaging::Bitmap> DrawCollagePicture(const CollageSettings& collage, int width,
                                                 int height, std::int32_t backColor);

} // namespace project
