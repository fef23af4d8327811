// What a person wants to know about the disc in a recorder before writing: whether there is
// one, its kind, the space used and free, how many sessions it holds and whether it takes
// another. Also a cheap look at the drive that tells when a disc was put in or taken out.
#pragma once

#include "disc/ScsiDevice.h"

#include <cstdint>
#include <string>

namespace disc {

struct DiscSummary {
    enum class State { NoDisc, NotReady, Blank, Appendable, Closed, Overwritable };
    State state = State::NoDisc;
    std::string kind;            // "DVD+RW", "CD-R"...
    std::uint64_t usedBytes = 0; // recorded (sequential media: up to the next session)
    std::uint64_t freeBytes = 0; // still writable
    int sessions = 0;
};

// Reads the disc's state (a few commands); NoDisc at once when the drive reports no medium.
DiscSummary SummarizeDisc(ScsiDevice& device);

enum class MediumEvent { Absent, Present, Changed, NotReady };
// One TEST UNIT READY: Changed when the drive reports a new medium since the last command.
MediumEvent PollMedium(ScsiDevice& device);

} // namespace disc
