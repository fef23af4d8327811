#include "imaging/TransitionKinds.h"

#include "imaging/Transition.h"

#include <array>

namespace imaging {

namespace {

struct KindInfo {
    std::string_view Name;
    int ClassicKind;
    int TitleKey;
    const char* Title;
};

// Indexed by code - kFirstSmoothTransition.
constexpr std::array<KindInfo, kTransitionCodes - kFirstSmoothTransition> kKinds{{
    {"crossfade", 0, 860, "Наплыв"},
    {"fade-black", 0, 861, "Через чёрный"},
    {"fade-white", 0, 862, "Через белый"},
    {"zoom-in", 10, 863, "Наезд из центра"},
    {"push-left", 2, 864, "Сдвиг влево"},
    {"push-right", 3, 865, "Сдвиг вправо"},
    {"push-up", 4, 866, "Сдвиг вверх"},
    {"push-down", 5, 867, "Сдвиг вниз"},
    {"iris", 10, 868, "Круг из центра"},
    {"soft-left", 6, 869, "Мягкая шторка влево"},
    {"soft-right", 7, 870, "Мягкая шторка вправо"},
    {"soft-up", 8, 871, "Мягкая шторка вверх"},
    {"soft-down", 9, 872, "Мягкая шторка вниз"},
}};

const KindInfo* Find(int code) {
    if (!IsSmoothTransition(code))
        return nullptr;
    return &kKinds[static_cast<std::size_t>(code - kFirstSmoothTransition)];
}

} // namespace

std::string_view TransitionCodeName(int code) {
    const KindInfo* info = Find(code);
    return info ? info->Name : std::string_view();
}

std::optional<int> TransitionCodeFromName(std::string_view text) {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].Name == text)
            return kFirstSmoothTransition + static_cast<int>(i);
    // The classic kinds by number, written plainly: "7", never "07" or "+7".
    if (text.empty() || text.size() > 2 || (text.size() == 2 && text[0] == '0'))
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value >= kTransitionKinds)
        return std::nullopt;
    return value;
}

int NearestClassicKind(int code) {
    if (code >= 0 && code < kTransitionKinds)
        return code;
    const KindInfo* info = Find(code);
    return info ? info->ClassicKind : kTransitionNone;
}

int TransitionTitleKey(int code) {
    const KindInfo* info = Find(code);
    return info ? info->TitleKey : 0;
}

const char* TransitionBuiltinTitle(int code) {
    const KindInfo* info = Find(code);
    return info ? info->Title : "";
}

} // namespace imaging
