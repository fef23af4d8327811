#include "imaging/FastBMP.h"

#include <cstring>
#include <utility>

namespace imaging {

TFastBMP::~TFastBMP() = default;

TFastBMP::TFastBMP(const TFastBMP& other) : TFastRGB() {
    SetSize(other.Width, other.Height);
    if (ByteSize > 0)
        std::memcpy(Bits, other.Bits, static_cast<std::size_t>(ByteSize));
}

TFastBMP& TFastBMP::operator=(const TFastBMP& other) {
    if (this != &other) {
        TFastBMP copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TFastBMP::TFastBMP(TFastBMP&& other) noexcept {
    *this = std::move(other);
}

TFastBMP& TFastBMP::operator=(TFastBMP&& other) noexcept {
    if (this != &other) {
        RowPad = std::exchange(other.RowPad, 0);
        RowStride = std::exchange(other.RowStride, 0);
        ByteSize = std::exchange(other.ByteSize, 0);
        Width = std::exchange(other.Width, 0);
        Height = std::exchange(other.Height, 0);
        Rows = std::move(other.Rows);
        other.Rows.clear();
        Bits = std::exchange(other.Bits, nullptr);
        memory_ = std::move(other.memory_);
    }
    return *this;
}

void TFastBMP::SetSize(std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::int64_t>(width) * height > kMaxPixels) {
        memory_.reset();
        SetGeometry(0, 0, nullptr);
        return;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 3 + width % 4;
    memory_.reset(new std::uint8_t[stride * static_cast<std::size_t>(height)]());
    SetGeometry(width, height, memory_.get());
}

TFastBMP TFastBMP::CreateSized(std::int32_t width, std::int32_t height) {
    TFastBMP b;
    b.SetSize(width, height);
    return b;
}

TFastBMP TFastBMP::CreateFromImage(const QImage& image) {
    TFastBMP b;
    if (image.isNull())
        return b;
    const QImage bgr = image.format() == QImage::Format_BGR888
                           ? image
                           : image.convertToFormat(QImage::Format_BGR888);
    b.SetSize(bgr.width(), bgr.height());
    if (b.IsEmpty())
        return b;
    const std::size_t rowBytes = static_cast<std::size_t>(b.Width) * 3;
    for (int y = 0; y < b.Height; ++y)
        std::memcpy(b.Row(y), bgr.constScanLine(y), rowBytes);
    return b;
}

QImage TFastBMP::View() {
    if (IsEmpty())
        return QImage();
    return QImage(Bits, Width, Height, RowStride, QImage::Format_BGR888);
}

QImage TFastBMP::View() const {
    if (IsEmpty())
        return QImage();
    return QImage(static_cast<const uchar*>(Bits), Width, Height, RowStride, QImage::Format_BGR888);
}

} // namespace imaging
