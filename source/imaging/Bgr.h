// Bgr: the geometry of a 24-bit top-down BGR pixel buffer (rows padded to Width mod 4 bytes)
// and its row table. Bitmap (Bitmap.h) owns the memory behind it.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging {

class Bgr {
public:
    std::int32_t RowPad = 0;    // Width mod 4
    std::int32_t RowStride = 0; // Width*3 + RowPad, a multiple of 4
    std::int32_t ByteSize = 0;  // RowStride * Height
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t*> Rows; // Rows[i] = Bits + i*RowStride; row 0 is the top row
    std::uint8_t* Bits = nullptr;

    std::uint8_t* Row(int y) { return Rows[static_cast<std::size_t>(y)]; }
    const std::uint8_t* Row(int y) const { return Rows[static_cast<std::size_t>(y)]; }
    bool IsEmpty() const { return Width <= 0 || Height <= 0; }

protected:
    void SetGeometry(std::int32_t width, std::int32_t height, std::uint8_t* bits);
};

} // namespace imaging
