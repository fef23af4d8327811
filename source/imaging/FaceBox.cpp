#include "imaging/FaceBox.h"

#include <algorithm>
#include <cmath>

namespace imaging {

FaceBox BoxAround(const std::vector<FaceBox>& faces) {
    double x0 = 1.0, y0 = 1.0, x1 = 0.0, y1 = 0.0;
    bool any = false;
    for (const FaceBox& f : faces) {
        if (f.IsEmpty())
            continue;
        any = true;
        x0 = std::min(x0, f.X);
        y0 = std::min(y0, f.Y);
        x1 = std::max(x1, f.X + f.W);
        y1 = std::max(y1, f.Y + f.H);
    }
    if (!any)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

FaceBox ClampFace(const FaceBox& box) {
    if (!std::isfinite(box.X) || !std::isfinite(box.Y) || !std::isfinite(box.W) ||
        !std::isfinite(box.H))
        return {};
    const double x0 = std::clamp(box.X, 0.0, 1.0);
    const double y0 = std::clamp(box.Y, 0.0, 1.0);
    const double x1 = std::clamp(box.X + box.W, 0.0, 1.0);
    const double y1 = std::clamp(box.Y + box.H, 0.0, 1.0);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace imaging
