#include "cli/Interrupt.h"

#include <atomic>

namespace cli {

namespace {

std::atomic<bool> raised{false};
std::atomic<base::Progress*> job{nullptr};
static_assert(std::atomic<base::Progress*>::is_always_lock_free);

void OnInterrupt(int) {
    raised.store(true);
    if (base::Progress* p = job.load())
        p->RequestCancel();
}

} // namespace

InterruptScope::InterruptScope(base::Progress* progress) {
    raised.store(false);
    job.store(progress);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, &old_);
}

InterruptScope::~InterruptScope() {
    ::sigaction(SIGINT, &old_, nullptr);
    job.store(nullptr);
}

bool InterruptScope::Raised() {
    return raised.load();
}

void IgnoreFileSizeLimitSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace cli
