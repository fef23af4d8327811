// A slide's picture adjustments as one value: the slide holds it and the effects dialog takes and
// returns it. Light and colour are pending until applied (applying draws them into the working
// picture and sets them back to neutral); the turn count counts the confirmed turns.
#pragma once

#include <cstdint>

namespace imaging {

struct PictureSettings {
    std::int32_t Brightness = 0;  // -100..100
    std::int32_t Contrast = 0;    // -25..25
    double Gamma10 = 10.0;        // gamma x 10
    std::int32_t ColorEffect = 0; // 0 none, 1 black-white, 2 sepia, 3 negative
    std::int32_t TurnCount = 0;   // confirmed rotate/flip actions

    bool operator==(const PictureSettings&) const = default;
};

} // namespace imaging
