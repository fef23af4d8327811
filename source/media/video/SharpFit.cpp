#include "media/video/SharpFit.h"

#include "imaging/Compose.h"
#include "media/audio/FfPtr.h"

#include <algorithm>

namespace media {

imaging::ImageSize FillingSize(int w, int h, int boxW, int boxH) {
    if (w < 1 || h < 1 || boxW < 1 || boxH < 1)
        return {};
    // The larger of the two fits whose other side stays in the box, rounded to nearest.
    const std::int64_t byWidth = (static_cast<std::int64_t>(h) * boxW * 2 + w) / (2 * w);
    if (byWidth <= boxH)
        return {boxW, static_cast<std::int32_t>(std::max<std::int64_t>(1, byWidth))};
    const std::int64_t byHeight = (static_cast<std::int64_t>(w) * boxH * 2 + h) / (2 * h);
    return {static_cast<std::int32_t>(
                std::max<std::int64_t>(1, std::min<std::int64_t>(byHeight, boxW))),
            boxH};
}

namespace {

// Scales picture into the w x h area at dst (rows of dstStride bytes); false when swscale has no
// context for it.
bool ScaleInto(const imaging::Bitmap& picture, std::uint8_t* dst, int dstStride, int w, int h) {
    // Averaging by area keeps the detail of a picture reduced to half or less; reduced less (a
    // cropped photo, an original drawn at twice the frame's need and then some), it blurs what the
    // frame could hold, and the proper kernel keeps it.
    const bool mild = w * 2 > picture.Width && h * 2 > picture.Height;
    FfPtr<SwsContext> sws(
        sws_getContext(picture.Width, picture.Height, AV_PIX_FMT_BGR24, w, h, AV_PIX_FMT_BGR24,
                       (mild ? SWS_LANCZOS : SWS_AREA) | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                       nullptr, nullptr, nullptr));
    if (!sws)
        return false;
    const std::uint8_t* src[1] = {picture.Bits};
    const int srcStride[1] = {picture.RowStride};
    std::uint8_t* dsts[1] = {dst};
    const int dstStrides[1] = {dstStride};
    sws_scale(sws.get(), src, srcStride, 0, picture.Height, dsts, dstStrides);
    return true;
}

} // namespace

imaging::Bitmap ScaleSharp(const imaging::Bitmap& picture, int width, int height) {
    if (picture.IsEmpty() || width < 1 || height < 1)
        return {};
    imaging::Bitmap out = imaging::Bitmap::CreateUninitialised(width, height);
    if (out.IsEmpty() || !ScaleInto(picture, out.Bits, out.RowStride, width, height))
        return {};
    return out;
}

void ComposeSharp(imaging::Bitmap& target, const imaging::Bitmap& picture, std::int32_t backColor) {
    if (target.IsEmpty())
        return;
    imaging::FillColor(target, backColor);
    if (picture.IsEmpty())
        return;
    const imaging::ImageSize fit =
        FillingSize(picture.Width, picture.Height, target.Width, target.Height);
    if (fit.Width < 1 || fit.Height < 1)
        return;
    const int x0 = (target.Width - fit.Width) / 2;
    const int y0 = (target.Height - fit.Height) / 2;
    if (fit.Width == picture.Width && fit.Height == picture.Height) {
        target.Draw(picture, x0, y0);
        return;
    }
    if (!ScaleInto(picture, target.Row(y0) + static_cast<std::ptrdiff_t>(x0) * 3, target.RowStride,
                   fit.Width, fit.Height))
        imaging::ComposePhoto(target, picture, backColor); // the plain way, never nothing
}

} // namespace media
