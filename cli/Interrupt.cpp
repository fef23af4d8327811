#include "cli/Interrupt.h"

#include <atomic>

namespace cli {

namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGHUP, SIGTERM};

std::atomic<int> raised{0};
std::atomic<base::Progress*> job{nullptr};
static_assert(std::atomic<base::Progress*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int signal) {
    int none = 0;
    raised.compare_exchange_strong(none, signal);
    if (base::Progress* p = job.load())
        p->RequestCancel();
}

} // namespace

InterruptScope::InterruptScope(base::Progress* progress) {
    raised.store(0);
    job.store(progress);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &sa, &old_[i]);
}

InterruptScope::~InterruptScope() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &old_[i], nullptr);
    job.store(nullptr);
}

bool InterruptScope::Raised() {
    return raised.load() != 0;
}

int InterruptScope::Signal() {
    return raised.load();
}

void IgnoreFileSizeLimitSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace cli
