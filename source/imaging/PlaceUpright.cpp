#include "imaging/PlaceUpright.h"

#include "imaging/ExifOrientation.h"

namespace imaging {

namespace {

// One pixel of `in` as B, G, R at d, with any alpha laid over white, rounded as PNG's decoder
// rounds it.
inline void PutPixel(const std::uint8_t* src, std::uint8_t* d, int channels, int blue, int red) {
    if (channels == 3) {
        d[0] = src[blue];
        d[1] = src[1];
        d[2] = src[red];
        return;
    }
    const unsigned a = src[3];
    d[0] = static_cast<std::uint8_t>((src[blue] * a + 255u * (255u - a) + 127u) / 255u);
    d[1] = static_cast<std::uint8_t>((src[1] * a + 255u * (255u - a) + 127u) / 255u);
    d[2] = static_cast<std::uint8_t>((src[red] * a + 255u * (255u - a) + 127u) / 255u);
}

} // namespace

void PlaceRows(const DecodedPixels& in, Bgr& out, int firstRow) {
    const int blue = in.bgrOrder ? 0 : 2, red = in.bgrOrder ? 2 : 0;
    for (int y = 0; y < in.height; ++y) {
        const std::uint8_t* src = in.data + static_cast<std::size_t>(y) * in.stride;
        std::uint8_t* d = out.Row(firstRow + y);
        for (int x = 0; x < in.width; ++x, src += in.channels, d += 3)
            PutPixel(src, d, in.channels, blue, red);
    }
}

bool PlaceUpright(const DecodedPixels& in, int orientation, Bitmap& out) {
    if (in.data == nullptr || in.width < 1 || in.height < 1 ||
        (in.channels != 3 && in.channels != 4))
        return false;
    if (OrientationSwapsAxes(orientation))
        out.SetSizeUninitialised(in.height, in.width);
    else
        out.SetSizeUninitialised(in.width, in.height);
    if (out.IsEmpty())
        return false;
    if (orientation < 2 || orientation > 8) {
        PlaceRows(in, out, 0);
        return true;
    }
    const int blue = in.bgrOrder ? 0 : 2, red = in.bgrOrder ? 2 : 0;
    for (int y = 0; y < in.height; ++y) {
        const std::uint8_t* src = in.data + static_cast<std::size_t>(y) * in.stride;
        for (int x = 0; x < in.width; ++x, src += in.channels) {
            int ox, oy;
            OrientPoint(orientation, in.width, in.height, x, y, ox, oy);
            PutPixel(src, out.Row(oy) + static_cast<std::ptrdiff_t>(ox) * 3, in.channels, blue,
                     red);
        }
    }
    return true;
}

} // namespace imaging
