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
    const bool grows = fit.Width > picture.Width || fit.Height > picture.Height;
    FfPtr<SwsContext> sws(sws_getContext(
        picture.Width, picture.Height, AV_PIX_FMT_BGR24, fit.Width, fit.Height, AV_PIX_FMT_BGR24,
        (grows ? SWS_LANCZOS : SWS_AREA) | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
        nullptr));
    if (!sws) {
        imaging::ComposePhoto(target, picture, backColor); // the plain way, never nothing
        return;
    }
    const std::uint8_t* src[1] = {picture.Bits};
    const int srcStride[1] = {picture.RowStride};
    std::uint8_t* dst[1] = {target.Row(y0) + static_cast<std::ptrdiff_t>(x0) * 3};
    const int dstStride[1] = {target.RowStride};
    sws_scale(sws.get(), src, srcStride, 0, picture.Height, dst, dstStride);
}

} // namespace media
