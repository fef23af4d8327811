// The names of the fourteen transitions, replaceable from the language table.
#pragma once

#include <QString>

namespace imaging {

constexpr int kTransitionCount = 14;

// Name of transition code 0..26: the classic kinds 0..13 (language keys 16..25 and 41..44) and the
// newer kinds 14..26 (their keys from TransitionKinds.h); "" for other values.
QString TransitionName(int kind);

} // namespace imaging
