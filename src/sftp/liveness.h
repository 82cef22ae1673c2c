#pragma once
// When an SSH session last showed signs of life. The thread that runs the session's steps
// marks each packet sent or received; the thread that waits for the step reads it to tell a
// slow step from a silent one.

#include <atomic>
#include <chrono>

namespace mondeliar::sftp {

class Liveness {
public:
    using Clock = std::chrono::steady_clock;

    Liveness() { Mark(); }
    void Mark() { last_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed); }
    // How long since the last sign of life.
    Clock::duration Silence() const
    {
        return Clock::now().time_since_epoch() - Clock::duration(last_.load(std::memory_order_relaxed));
    }

private:
    std::atomic<Clock::rep> last_;
};

}  // namespace mondeliar::sftp
