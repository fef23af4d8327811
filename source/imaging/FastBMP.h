// TFastBMP: a 24-bit top-down BGR pixel buffer in one owned memory block, with a zero-copy QImage
// view for drawing. The photo working copies, thumbnails, previews and video frames are all
// TFastBMPs; the bitfx filters work on it too (TBitmap is the same type).
#pragma once

#include "imaging/FastRGB.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace imaging {

// Largest picture any part of the program creates: 20000 pixels a side, 200 megapixels.
constexpr std::int32_t kMaxSide = 20000;
constexpr std::int64_t kMaxPixels = 200'000'000;

class TFastBMP : public TFastRGB {
public:
    TFastBMP() = default;
    TFastBMP(const TFastBMP& other);
    TFastBMP& operator=(const TFastBMP& other);
    TFastBMP(TFastBMP&& other) noexcept;
    TFastBMP& operator=(TFastBMP&& other) noexcept;
    ~TFastBMP();

    // A zero-filled buffer of width x height; an empty buffer when either is < 1 or the size is
    // over the limits above.
    static TFastBMP CreateSized(std::int32_t width, std::int32_t height);
    // A copy of any QImage converted to 24-bit BGR (alpha is dropped, not blended).
    static TFastBMP CreateFromImage(const QImage& image);

    // Resizes in place, keeping no pixels (zero-filled).
    void SetSize(std::int32_t width, std::int32_t height);

    // A QImage (Format_BGR888) over this buffer's memory; valid while the buffer lives and keeps
    // its size.
    QImage View();
    QImage View() const;

private:
    std::unique_ptr<std::uint8_t[]> memory_;
};

using TBitmap = TFastBMP;

} // namespace imaging
