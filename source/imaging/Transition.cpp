#include "imaging/Transition.h"

#include "imaging/Compose.h"

#include <algorithm>
#include <cstring>

namespace imaging {

std::int32_t TransitionExtent(std::int32_t length, std::int64_t elapsedMs,
                              std::int32_t durationSeconds) {
    // Bitmaps never exceed kMaxSide a side, which keeps X * t below 2^63 for any duration.
    const std::int64_t x = std::clamp<std::int32_t>(length, 0, kMaxSide);
    if (durationSeconds <= 0)
        return static_cast<std::int32_t>(x);
    const std::int64_t whole = std::int64_t{1000} * durationSeconds;
    const std::int64_t t = std::clamp<std::int64_t>(elapsedMs, 0, whole);
    const std::int64_t product = x * t;
    std::int64_t q = product / whole;
    const std::int64_t r2 = 2 * (product % whole);
    if (r2 > whole || (r2 == whole && (q & 1) != 0))
        ++q;
    return static_cast<std::int32_t>(q);
}

TransitionCopy TransitionRectangle(int kind, std::int32_t W, std::int32_t H, std::int32_t kx,
                                   std::int32_t ky) {
    switch (kind) {
    case 2:
        return {W - kx, 0, kx, H, 0, 0};
    case 3:
        return {0, 0, kx, H, W - kx, 0};
    case 4:
        return {0, H - ky, W, ky, 0, 0};
    case 5:
        return {0, 0, W, ky, 0, H - ky};
    case 6:
        return {W - kx, 0, W, H, W - kx, 0}; // as wide as the picture; clipping trims it
    case 7:
        return {0, 0, kx, H, 0, 0};
    case 8:
        return {0, H - ky, W, ky, 0, H - ky};
    case 9:
        return {0, 0, W, ky, 0, 0};
    case 10:
        return {W - kx, H - ky, kx, ky, 0, 0};
    case 11:
        return {W - kx, 0, kx, ky, 0, H - ky};
    case 12:
        return {0, 0, kx, ky, W - kx, H - ky};
    case 13:
        return {0, H - ky, kx, ky, W - kx, 0};
    default:
        return {};
    }
}

void CopyClipped(Bitmap& target, const Bitmap& source, const TransitionCopy& copy) {
    if (target.IsEmpty() || source.IsEmpty() || copy.Width <= 0 || copy.Height <= 0)
        return;
    // Work in 64 bits so that no corner of a rectangle can overflow, then trim the rectangle
    // until both its destination and its source lie inside their buffers.
    std::int64_t dx = copy.X, dy = copy.Y, sx = copy.SourceX, sy = copy.SourceY;
    std::int64_t w = copy.Width, h = copy.Height;
    const auto trimStart = [](std::int64_t& a, std::int64_t& b, std::int64_t& extent) {
        const std::int64_t cut = std::max<std::int64_t>({0, -a, -b});
        a += cut;
        b += cut;
        extent -= cut;
    };
    trimStart(dx, sx, w);
    trimStart(dy, sy, h);
    w = std::min({w, target.Width - dx, source.Width - sx});
    h = std::min({h, target.Height - dy, source.Height - sy});
    if (w <= 0 || h <= 0)
        return;
    const std::size_t bytes = static_cast<std::size_t>(w) * 3;
    for (std::int64_t row = 0; row < h; ++row)
        std::memcpy(target.Row(static_cast<int>(dy + row)) + dx * 3,
                    source.Row(static_cast<int>(sy + row)) + sx * 3, bytes);
}

TransitionStep DrawTransitionStep(Bitmap& target, const Bitmap& incoming,
                                  const TransitionParams& params, std::int64_t elapsedMs) {
    const std::int64_t duration = std::int64_t{1000} * std::max(params.Seconds, 0);
    if (!IsMovingTransition(params.Kind)) {
        if (elapsedMs >= duration)
            return TransitionStep::Over;
        if (params.Kind == kTransitionBackground)
            FillColor(target, params.BackColor);
        return TransitionStep::Running;
    }
    // The incoming picture has the target's size; its sides give the lengths that travel.
    const std::int32_t W = incoming.Width, H = incoming.Height;
    const bool vertical =
        (params.Kind >= 4 && params.Kind <= 5) || (params.Kind >= 8 && params.Kind <= 9);
    const std::int32_t L = vertical ? H : W;
    if (params.Seconds <= 0 || incoming.IsEmpty())
        return TransitionStep::Over;
    const std::int32_t kx = TransitionExtent(W, elapsedMs, params.Seconds);
    const std::int32_t ky = TransitionExtent(H, elapsedMs, params.Seconds);
    if ((vertical ? ky : kx) >= L)
        return TransitionStep::Over;
    CopyClipped(target, incoming, TransitionRectangle(params.Kind, W, H, kx, ky));
    return TransitionStep::Running;
}

} // namespace imaging
