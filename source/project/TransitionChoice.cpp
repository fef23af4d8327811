#include "project/TransitionChoice.h"

#include "imaging/TransitionKinds.h"
#include "imaging/TransitionNames.h"
#include "project/ClipSlides.h"

#include <algorithm>

namespace project {

namespace {
constexpr std::int64_t kDefaultTransitionMs = 3000;
}

std::int64_t StoredTransitionMs(std::int32_t kind, std::int64_t ms) {
    if (kind == 0)
        return 0;
    return ms > 0 ? std::min(ms, kMaxSlideMs) : kDefaultTransitionMs;
}

bool ApplyTransitionChoice(ShowContent& show, std::int32_t index, const TransitionChoice& choice) {
    if (choice.Kind < 0 || choice.Kind >= imaging::kTransitionCodes)
        return false;
    const bool newer = imaging::IsSmoothTransition(choice.Kind);
    // A newer kind always lasts: its length is that of a kind other than "no transition".
    const std::int64_t ms = StoredTransitionMs(newer ? 1 : choice.Kind, choice.Ms);
    const auto store = [&](std::size_t i) {
        Slide s = show.Slides[i];
        s.TransitionKind = newer ? imaging::NearestClassicKind(choice.Kind) : choice.Kind;
        s.TransitionMs = ms;
        // A kind chosen from the fourteen classic wipes replaces any newer kind the slide had.
        s.Ext.TransitionKind = newer ? choice.Kind : 0;
        show.Slides[i] = s;
    };
    if (choice.ApplyToAll) {
        for (std::size_t i = 0; i < show.Slides.size(); ++i)
            store(i);
    } else if (index < 0 || static_cast<std::size_t>(index) >= show.Slides.size()) {
        return false;
    } else {
        store(static_cast<std::size_t>(index));
    }
    // A clip on either side of a transition that changed keeps the length of its trim.
    FollowTrims(show);
    return true;
}

std::string LongTransitionWarning(const ShowContent& show) {
    std::string photos;
    std::size_t count = 0;
    const auto& slides = show.Slides;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t length = slides[i].TransitionMs;
        if (SlideTransitionCode(slides[i]) == 0 || length <= 0)
            continue;
        const bool longer =
            length > slides[i].StillMs || (i + 1 < slides.size() && length > slides[i + 1].StillMs);
        if (!longer)
            continue;
        photos += (count++ ? ", " : "") + std::to_string(i + 1);
    }
    if (count == 0)
        return {};
    return (count == 1 ? "the transition after photo " + photos +
                             " is longer than the photo before or after it"
                       : "the transitions after photos " + photos +
                             " are longer than the photos before or after them") +
           (count == 1 ? "; it plays" : "; they play") + " as stored, over the photos' own time";
}

std::int32_t SlideTransitionCode(const Slide& slide) {
    return imaging::IsSmoothTransition(slide.Ext.TransitionKind) ? slide.Ext.TransitionKind
                                                                 : slide.TransitionKind;
}

} // namespace project
