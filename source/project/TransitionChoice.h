// The transition chosen for one slide or for all of them, and the one rule by which it is
// stored: the chooser's caller and the console tool both apply a choice through here.
#pragma once

#include "imaging/TransitionKinds.h"
#include "project/ShowContent.h"

#include <cstdint>

namespace project {

// The chooser's value, a plain type of the imaging layer so its dialog needs nothing of the show.
using TransitionChoice = imaging::TransitionChoice;

// The length stored with a kind, in milliseconds: the entered value for a kind other than 0 when
// it is above 0, 3 s for such a kind with none, and always 0 for kind 0 ("no transition").
std::int64_t StoredTransitionMs(std::int32_t kind, std::int64_t ms);

// Stores the choice in slide `index`, or in every slide with ApplyToAll (index is then not
// used). A classic kind 0..13 goes into the record and clears any newer kind of the extension; a
// newer code 14..26 goes into the extension, and the record keeps the nearest classic kind for
// older readers. A clip beside a changed transition gets the still that keeps it at its trim
// (FollowTrims). Returns false, changing nothing, when the kind is outside 0..26 or, for one
// slide, the index is outside the show.
bool ApplyTransitionChoice(ShowContent& show, std::int32_t index, const TransitionChoice& choice);

// One sentence naming the slides whose transition is longer than the still before or after it
// ("" when none is): such a transition is stored and played as asked, and the user is told once.
std::string LongTransitionWarning(const ShowContent& show);

// The slide's transition code: the extension's newer kind when it has one, else the record's.
std::int32_t SlideTransitionCode(const Slide& slide);

} // namespace project
