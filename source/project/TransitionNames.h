// The names of the fourteen transitions, replaceable from the language table.
#pragma once

#include <QString>

namespace project {

constexpr int kTransitionCount = 14;

// Name of transition kind 0..13 (language keys 16..25 and 41..44); "" for other values.
QString TransitionName(int kind);

} // namespace project
