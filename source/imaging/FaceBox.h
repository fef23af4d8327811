// Where the faces of a picture are: boxes in fractions of the picture's width and height, as the
// face detector found them on the slide's working picture. Automatic motion keeps them in frame.
#pragma once

#include <cstddef>
#include <vector>

namespace imaging {

struct FaceBox {
    double X = 0.0; // left edge, 0..1 of the picture's width
    double Y = 0.0; // top edge, 0..1 of the picture's height
    double W = 0.0; // 0..1 of the width
    double H = 0.0; // 0..1 of the height
    bool operator==(const FaceBox&) const = default;

    bool IsEmpty() const { return !(W > 0.0) || !(H > 0.0); }
};

// The most faces a slide keeps: the largest ones, as a crowd's faces cannot all be framed anyway.
constexpr std::size_t kMaxFaces = 32;

// The smallest box that holds every face (an empty box for none).
FaceBox BoxAround(const std::vector<FaceBox>& faces);

// The box clamped to the picture (0..1 both ways); one that is not a number or holds nothing
// becomes empty.
FaceBox ClampFace(const FaceBox& box);

} // namespace imaging
