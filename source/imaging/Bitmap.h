// Bitmap: a 24-bit top-down BGR pixel buffer in one owned memory block, with a zero-copy QImage
// view for drawing. The photo working copies, thumbnails, previews and video frames are all
// Bitmaps; the filters work on it too (Bitmap is the same type).
#pragma once

#include "imaging/Bgr.h"

#include <QImage>

#include <cstdint>
#include <memory>

namespace imaging {

// Largest picture any part of the program creates: 20000 pixels a side, 200 megapixels.
constexpr std::int32_t kMaxSide = 20000;
constexpr std::int64_t kMaxPixels = 200'000'000;

// The deleter of Bitmap's pixel block: hands the block of `capacity` bytes to the cache of
// freed blocks (see ReleaseCachedMemory) or frees it.
struct PixelBlockReturn {
    std::size_t capacity = 0;
    void operator()(std::uint8_t* block) const noexcept;
};

class Bitmap : public Bgr {
public:
    Bitmap() = default;
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap();

    // A zero-filled buffer of width x height; an empty buffer when either is < 1 or the size is
    // over the limits above.
    static Bitmap CreateSized(std::int32_t width, std::int32_t height);
    // The same with the pixel bytes left unspecified (only the row padding is zero), for code
    // that writes every pixel itself: decoders and scalers.
    static Bitmap CreateUninitialised(std::int32_t width, std::int32_t height);
    // A copy of any QImage converted to 24-bit BGR (alpha is dropped, not blended).
    static Bitmap CreateFromImage(const QImage& image);

    // Resizes in place, keeping no pixels (zero-filled).
    void SetSize(std::int32_t width, std::int32_t height);
    // Resizes in place with the pixel bytes unspecified and the row padding zero.
    void SetSizeUninitialised(std::int32_t width, std::int32_t height);

    // Pixel blocks of a megabyte or more are not handed back to the system at once: a few
    // recently freed ones are kept for the next picture of about the same size, since the first
    // touch of fresh memory can cost more than decoding a photo into it. This returns them (after
    // a batch import, say). Thread-safe.
    static void ReleaseCachedMemory();

    // A QImage (Format_BGR888) over this buffer's memory; valid while the buffer lives and keeps
    // its size.
    QImage View();
    QImage View() const;
    // A deep copy as a QImage (Format_BGR888) that outlives this buffer.
    QImage CopyToImage() const;

    // Resample this buffer into dst, which already has its target size. Both are bit-exact with
    // the documented integer arithmetic; an empty dst is left alone. ScaleBilinear writes every
    // pixel of dst, so dst may come from CreateUninitialised.
    void ScaleNearest(Bitmap& dst) const;
    void ScaleBilinear(Bitmap& dst) const;

    // Every pixel set to (b, g, r).
    void Fill(std::uint8_t b, std::uint8_t g, std::uint8_t r);
    // Copies src onto this buffer with its top-left corner at (x, y), clipped to both buffers.
    void Draw(const Bitmap& src, std::int32_t x, std::int32_t y);

private:
    void Allocate(std::int32_t width, std::int32_t height, bool zeroed);

    std::unique_ptr<std::uint8_t[], PixelBlockReturn> memory_;
};

using Bitmap = Bitmap;

// Rows [first, last) of what src.ScaleBilinear(dst) writes, the same bytes, for work that makes a
// picture's rows in bands (while its source is still being decoded, say); src wider than one
// pixel and of another size than dst.
void ScaleBilinearRows(const Bgr& src, Bgr& dst, std::int32_t first, std::int32_t last);
// The source rows from the top that the bilinear scaler reads to make the first dstRows rows.
std::int32_t BilinearSourceRowsNeeded(std::int32_t srcHeight, std::int32_t dstHeight,
                                      std::int32_t dstRows);

struct ImageSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const ImageSize&) const = default;
};

// The size a srcW x srcH photo gets inside a boxW x boxH box: kept when smaller than
// the box both ways, otherwise fitted without distortion with the quotients rounded to nearest,
// ties to even. Centring is then x = (boxW - w) / 2, y = (boxH - h) / 2.
ImageSize FitSize(std::int32_t srcW, std::int32_t srcH, std::int32_t boxW, std::int32_t boxH);

} // namespace imaging
