#include "project/TransitionChoice.h"

#include "imaging/TransitionKinds.h"
#include "imaging/TransitionNames.h"

namespace project {

namespace {
constexpr std::int32_t kDefaultTransitionSeconds = 3;
}

std::int32_t StoredTransitionSeconds(std::int32_t kind, std::int32_t seconds) {
    if (kind == 0)
        return 0;
    return seconds > 0 ? seconds : kDefaultTransitionSeconds;
}

bool ApplyTransitionChoice(ShowModel& show, std::int32_t index, const TransitionChoice& choice) {
    if (choice.Kind < 0 || choice.Kind >= imaging::kTransitionCodes)
        return false;
    const bool newer = imaging::IsSmoothTransition(choice.Kind);
    // A newer kind always lasts: its length is that of a kind other than "no transition".
    const std::int32_t seconds = StoredTransitionSeconds(newer ? 1 : choice.Kind, choice.Seconds);
    const auto store = [&](std::size_t i) {
        Slide s = show.Slides[i];
        s.TransitionKind = newer ? imaging::NearestSeedKind(choice.Kind) : choice.Kind;
        s.TransitionSeconds = seconds;
        // A kind chosen from the seed's fourteen replaces any newer kind the slide had.
        s.Ext.TransitionKind = newer ? choice.Kind : 0;
        s.Ext.TransitionMs = 0;
        show.SetSlide(i, s);
    };
    if (choice.ApplyToAll) {
        for (std::size_t i = 0; i < show.Slides.size(); ++i)
            store(i);
        return true;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= show.Slides.size())
        return false;
    store(static_cast<std::size_t>(index));
    return true;
}

std::int32_t SlideTransitionCode(const Slide& slide) {
    return imaging::IsSmoothTransition(slide.Ext.TransitionKind) ? slide.Ext.TransitionKind
                                                                 : slide.TransitionKind;
}

} // namespace project
