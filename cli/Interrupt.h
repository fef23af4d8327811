// Ctrl-C as Cancel for the console tool's long commands: while an InterruptScope lives, SIGINT
// raises a flag and, when a job's progress is given, asks that job to stop, instead of killing
// the process in the middle of a write.
#pragma once

#include "base/Job.h"

#include <csignal>

namespace cli {

class InterruptScope {
public:
    explicit InterruptScope(base::Progress* job = nullptr);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    // True once SIGINT arrived within this scope.
    static bool Raised();

private:
    struct sigaction old_ {};
};

// A file growing past the size limit (ulimit -f) then fails its write with "File too large"
// instead of the process being killed, so the command removes its temporary file and reports
// the failure.
void IgnoreFileSizeLimitSignal();

} // namespace cli
