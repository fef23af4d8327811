#include "imaging/Bgr.h"

namespace imaging {

void Bgr::SetGeometry(std::int32_t width, std::int32_t height, std::uint8_t* bits) {
    Width = width;
    Height = height;
    RowPad = width % 4;
    RowStride = width * 3 + RowPad;
    ByteSize = RowStride * height;
    Bits = bits;
    Rows.resize(static_cast<std::size_t>(height));
    for (std::int32_t i = 0; i < height; ++i)
        Rows[static_cast<std::size_t>(i)] = bits + static_cast<std::size_t>(i) * RowStride;
}

} // namespace imaging
