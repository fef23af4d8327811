// A photo's edit steps as the show file stores them: after the name in the photo's "ORIG" chunk
// (and in each photo's record of a "COLL" chunk), a le_u32 count and then one record per step, a
// caption's record followed by its text's and its font's UTF-8 bytes. A reader that knows only the
// chunk's header and name reads past them.
#pragma once

#include "base/Endian.h"
#include "project/PhotoSteps.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace project {

struct PhotoStepRecord {
    std::uint8_t Kind;                    // 0 crop, 1 turn, 2 light, 3 colour, 4 caption
    std::array<base::LEDouble, 4> Values; // crop: left, top, right, bottom; light: gamma x 10
    // turn: 0 right, 1 left, 2 mirror; light: brightness, contrast; colour: its effect;
    // caption: size, colour, style, horizontal and vertical alignment
    std::array<base::le_i32, 5> Numbers;
    base::le_i32 WorkWidth; // a caption's working picture
    base::le_i32 WorkHeight;
    base::le_u32 TextBytes; // a caption's text and font name, after the record
    base::le_u32 FontBytes;
};
static_assert(sizeof(PhotoStepRecord) == 69);

// The most bytes the steps of one photo take.
constexpr std::size_t MaxPhotoStepBytes() {
    return 4 + kMaxPhotoSteps * (sizeof(PhotoStepRecord) + 4 * imaging::kMaxCaptionCharacters +
                                 4 * imaging::kMaxFontCharacters);
}

void AppendPhotoSteps(std::vector<std::uint8_t>& out, const std::vector<PhotoStep>& steps);

// The steps in `size` bytes; nullopt when they do not fit, hold more than kMaxPhotoSteps or a
// value outside its range (the photo is then drawn from its working picture).
std::optional<std::vector<PhotoStep>> ReadPhotoSteps(const std::uint8_t* p, std::size_t size);

} // namespace project
