#pragma once
// Bounded waits for the network tests: the event loop until a condition holds (on the
// client's thread), and a flag that the client's thread sets (on a scripted peer's thread).

#include "net/posted_events.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace mondeliar::testing {

inline int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now())
                                .count());
}

// Runs the event loop until done() or timeout_ms passed; returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        const int left = MillisecondsUntil(deadline);
        if (left <= 0)
            return done();
        net::WaitForEvents(std::min(left, 50), false);
    }
    return true;
}

// Waits (without an event loop) until `flag` is set by another thread, or timeout_ms passed;
// returns the flag.
inline bool WaitForFlag(const std::atomic<bool>& flag, int timeout_ms = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!flag.load() && MillisecondsUntil(deadline) > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag.load();
}

}  // namespace mondeliar::testing
