#include "imaging/PlaceUpright.h"

#include "imaging/ExifOrientation.h"

namespace imaging {

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
    const int blue = in.bgrOrder ? 0 : 2, red = in.bgrOrder ? 2 : 0;
    const bool straight = orientation < 2 || orientation > 8;
    for (int y = 0; y < in.height; ++y) {
        const std::uint8_t* src = in.data + static_cast<std::size_t>(y) * in.stride;
        std::uint8_t* line = straight ? out.Row(y) : nullptr;
        for (int x = 0; x < in.width; ++x, src += in.channels) {
            std::uint8_t* d;
            if (straight) {
                d = line + static_cast<std::ptrdiff_t>(x) * 3;
            } else {
                int ox, oy;
                OrientPoint(orientation, in.width, in.height, x, y, ox, oy);
                d = out.Row(oy) + static_cast<std::ptrdiff_t>(ox) * 3;
            }
            if (in.channels == 3) {
                d[0] = src[blue];
                d[1] = src[1];
                d[2] = src[red];
                continue;
            }
            // Over white, rounded as PNG's decoder rounds it.
            const unsigned a = src[3];
            d[0] = static_cast<std::uint8_t>((src[blue] * a + 255u * (255u - a) + 127u) / 255u);
            d[1] = static_cast<std::uint8_t>((src[1] * a + 255u * (255u - a) + 127u) / 255u);
            d[2] = static_cast<std::uint8_t>((src[red] * a + 255u * (255u - a) + 127u) / 255u);
        }
    }
    return true;
}

} // namespace imaging
