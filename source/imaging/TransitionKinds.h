// The transitions beyond the fourteen of Transition.h: their numeric codes (after the classic
// 0..13), their names as the console tool and the show file's extension block spell them, the
// classic kind an older reader plays in their place, and their titles in the interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace imaging {

enum TransitionCode : int {
    kTransitionCrossfade = 14,
    kTransitionFadeBlack = 15,
    kTransitionFadeWhite = 16,
    kTransitionZoomIn = 17,
    kTransitionPushLeft = 18,
    kTransitionPushRight = 19,
    kTransitionPushUp = 20,
    kTransitionPushDown = 21,
    kTransitionIris = 22,
    kTransitionSoftLeft = 23,
    kTransitionSoftRight = 24,
    kTransitionSoftUp = 25,
    kTransitionSoftDown = 26,
};

constexpr int kFirstSmoothTransition = kTransitionCrossfade;
// Every code is 0 .. kTransitionCodes - 1.
constexpr int kTransitionCodes = kTransitionSoftDown + 1;

// A transition chosen for one slide or for all of them, as the chooser hands it back; the show
// stores it by its own rule (project/TransitionChoice.h).
struct TransitionChoice {
    std::int32_t Kind = 0;   // a transition code 0 .. kTransitionCodes - 1
    std::int64_t Ms = 0;     // its length as entered; the show decides what it stores
    bool ApplyToAll = false; // every slide instead of one
};

constexpr bool IsSmoothTransition(int code) {
    return code >= kFirstSmoothTransition && code < kTransitionCodes;
}

// "crossfade", "fade-black", ... for 14..26; "" for any other code.
std::string_view TransitionCodeName(int code);

// The code of a name above, or of "0".."13" (the classic kinds); nullopt for anything else.
std::optional<int> TransitionCodeFromName(std::string_view text);

// The classic kind (0..13) stored for older readers: the code itself for 0..13, 0 for the blends
// (crossfade, fade-black, fade-white), the classic kind that moves the same way for the others
// (push: the slide-ins 2..5, soft: the reveals 6..9, zoom-in and iris: 10, the rectangle growing
// both ways); 0 for an unknown code.
int NearestClassicKind(int code);

// The key of a code's title in the language files and its built-in (Russian) title, for 14..26;
// 0 and "" for any other code. The classic kinds' titles are the language files' own.
int TransitionTitleKey(int code);
const char* TransitionBuiltinTitle(int code);

} // namespace imaging
