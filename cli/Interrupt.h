// Ctrl-C, a hang-up and a termination request as Cancel for the console tool's long commands:
// while an InterruptScope lives, SIGINT, SIGHUP and SIGTERM raise a flag and, when a job's
// progress is given, ask that job to stop, instead of killing the process in the middle of a
// write (which would leave a temporary file behind).
#pragma once

#include "base/Job.h"

#include <array>
#include <csignal>

namespace cli {

class InterruptScope {
public:
    explicit InterruptScope(base::Progress* job = nullptr);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    // True once one of the signals arrived within this scope.
    static bool Raised();
    // The first signal that arrived (0 when none).
    static int Signal();

private:
    std::array<struct sigaction, 3> old_{};
};

// A file growing past the size limit (ulimit -f) then fails its write with "File too large"
// instead of the process being killed, so the command removes its temporary file and reports
// the failure.
void IgnoreFileSizeLimitSignal();

} // namespace cli
