// The show as plain values: the photos and tracks in show order and the show-wide options. The
// document (ShowModel) holds one privately; the loader, the imports, the console tool and the
// tests build and read them freely, and edits are worked out between two of them.
#pragma once

#include "project/Slide.h"
#include "project/Track.h"

#include <cstdint>
#include <string>
#include <vector>

namespace project {

struct ShowContent {
    std::vector<Slide> Slides;
    std::vector<Track> Sounds;
    ShowOptions Options;
    // The number in the working copies' names, kept in the file's header.
    std::uint32_t WorkPrefix = 0;

    bool operator==(const ShowContent&) const = default;
};

// How photos come in: the size they are fitted to and the background they get. A program
// setting the document carries, so imports, refits and the saved file read one value.
struct PhotoSettings {
    std::string Resolution; // "WxH"; empty or unparsable means 1280x1024
    // The user's choice, or the button face as always.
    std::int32_t BackColor = kButtonFaceColor;

    // The size parsed from Resolution, 1280x1024 when it does not parse.
    void Size(int& width, int& height) const;

    bool operator==(const PhotoSettings&) const = default;
};

// Today's screens: what a new show's photos get unless the user chose otherwise (the window's
// settings, the console tool's options). A show's file that names no size keeps 1280 x 1024.
constexpr const char* kNewShowResolution = "1920x1080";
constexpr std::int32_t kNewShowBackground = 0x000000; // black

} // namespace project
