// Reads the orientation tag (0x0112) out of a JPEG's APP1 "Exif" segment, and maps a pixel of a
// stored picture to its place in the upright one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

// The EXIF orientation 1..8 of an APP1 segment's payload (starting at "Exif\0\0"); 1 when the
// segment is not EXIF, is malformed, or carries no valid orientation.
int ExifOrientation(const std::uint8_t* data, std::size_t size);
// The same from the TIFF structure itself ("II*\0" or "MM\0*"), as WebP's EXIF chunk holds it;
// a payload that starts with "Exif\0\0" is read past that prefix.
int TiffOrientation(const std::uint8_t* data, std::size_t size);

// True when the orientation swaps width and height (5..8).
inline bool OrientationSwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Where the stored pixel (x, y) of a width x height picture lands in the upright picture.
inline void OrientPoint(int orientation, int width, int height, int x, int y, int& ox, int& oy) {
    switch (orientation) {
    case 2:
        ox = width - 1 - x;
        oy = y;
        break;
    case 3:
        ox = width - 1 - x;
        oy = height - 1 - y;
        break;
    case 4:
        ox = x;
        oy = height - 1 - y;
        break;
    case 5:
        ox = y;
        oy = x;
        break;
    case 6:
        ox = height - 1 - y;
        oy = x;
        break;
    case 7:
        ox = height - 1 - y;
        oy = width - 1 - x;
        break;
    case 8:
        ox = y;
        oy = width - 1 - x;
        break;
    default:
        ox = x;
        oy = y;
        break;
    }
}

} // namespace imaging
