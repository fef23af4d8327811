// The clock that polling loops (ready, format, blank, close) measure their deadlines with and
// sleep on. Tests put in a clock whose sleep only moves time, so a loop that would wait minutes
// on a real drive ends at once and a missed deadline shows as a failed test, never a hang.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

namespace disc {

class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual std::int64_t NowMs() = 0;
    virtual void SleepMs(std::int64_t ms) = 0;
};

class SteadyWaitClock final : public WaitClock {
public:
    std::int64_t NowMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void SleepMs(std::int64_t ms) override {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

} // namespace disc
