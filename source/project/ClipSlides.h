// The rules of a slide shown as a video clip: its trim and sound checked, and its still worked
// out from the trim. A clip plays from the moment it starts to come in to the end of the
// transition that takes it out, so its still is its trimmed length less those two transitions.
#pragma once

#include "base/Result.h"
#include "project/ShowContent.h"
#include "project/Slide.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace project {

// Checks a clip's trim (kMinClipMs at least, within its length) and its volume.
base::Status ValidateClip(const ClipSettings& clip);

// The still that gives slide i, a clip, its trimmed length on screen with the transitions around
// it now (never below kMinClipMs).
std::int64_t ClipStillMs(const std::vector<Slide>& slides, std::size_t i);

// The still a clip's trim gives it between transitions of comingMs and goingMs.
std::int64_t TrimStillMs(const ClipSettings& clip, std::int64_t comingMs, std::int64_t goingMs);

// Gives every clip of the show the still of ClipStillMs, through the slides' one duration edit:
// what a retiming of the photos (new stills or transitions for all) does last, so the clips keep
// the length of their trim. Returns how many clips it changed.
std::size_t FollowTrims(ShowContent& show);

// Slide i with its clip set to `clip` and its still worked out again; fails, naming what is
// wrong, when the slide is not a clip or the settings do not fit the clip.
base::Result<Slide> SetClip(const std::vector<Slide>& slides, std::size_t i,
                            const ClipSettings& clip);

// A clip slide made to take slide i's place (a photo's own moving picture used instead of it):
// with slide i's transition and background, and its still worked out from its trim there.
base::Result<Slide> ClipInPlaceOf(const std::vector<Slide>& slides, std::size_t i, Slide clip);

} // namespace project
