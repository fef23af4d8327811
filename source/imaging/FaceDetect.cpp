#include "imaging/FaceDetect.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms/interpolation.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace imaging {

namespace {

// The picture as grey levels (the luma of BT.601, in integers).
dlib::array2d<unsigned char> GreyOf(const Bitmap& picture) {
    dlib::array2d<unsigned char> grey(picture.Height, picture.Width);
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* p = picture.Row(y);
        for (int x = 0; x < picture.Width; ++x, p += 3)
            grey[y][x] =
                static_cast<unsigned char>((p[0] * 29 + p[1] * 150 + p[2] * 77 + 128) >> 8);
    }
    return grey;
}

// One detector for the program: making one reads its model (half a second), and one search is
// short beside that, so threads take turns rather than each making its own.
std::vector<dlib::rectangle> Search(const dlib::array2d<unsigned char>& grey) {
    static std::mutex turn;
    const std::lock_guard<std::mutex> lock(turn);
    static dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    return detector(grey);
}

} // namespace

std::vector<FaceBox> DetectFaces(const Bitmap& picture) {
    if (picture.IsEmpty())
        return {};
    const double scale = static_cast<double>(kDetectSide) / std::max(picture.Width, picture.Height);
    const long width = std::max(1L, std::lround(picture.Width * scale));
    const long height = std::max(1L, std::lround(picture.Height * scale));

    dlib::array2d<unsigned char> grey = GreyOf(picture);
    dlib::array2d<unsigned char> searched(height, width);
    dlib::resize_image(grey, searched, dlib::interpolate_bilinear());
    const std::vector<dlib::rectangle> found = Search(searched);

    std::vector<FaceBox> faces;
    for (const dlib::rectangle& r : found) {
        const FaceBox box = ClampFace(
            {static_cast<double>(r.left()) / width, static_cast<double>(r.top()) / height,
             static_cast<double>(r.width()) / width, static_cast<double>(r.height()) / height});
        if (!box.IsEmpty())
            faces.push_back(box);
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const FaceBox& a, const FaceBox& b) { return a.W * a.H > b.W * b.H; });
    if (faces.size() > kMaxFaces)
        faces.resize(kMaxFaces);
    return faces;
}

} // namespace imaging
