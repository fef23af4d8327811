#include "app/ControlStates.h"

namespace ui {

ControlStates ComputeControlStates(bool busy, int slideCount, int slidePage, int stripWidth) {
    ControlStates s;
    s.Panels = !busy;
    s.EditButtons = slideCount > 0;
    s.PreviousPage = slidePage >= 1 && !busy;
    const long long perPage = stripWidth / 132;
    s.NextPage = !busy && slideCount >= perPage * (static_cast<long long>(slidePage) + 1) + 1;
    return s;
}

} // namespace ui
