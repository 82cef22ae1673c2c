#pragma once
// The thread on which an SFTP publish runs its blocking steps, one at a time. The calling
// thread keeps its event loop running while it waits, as the FTP road's waits do, so the
// window stays responsive; a step that shows no sign of life for the time-out is ended by
// aborting its connection.

#include "sftp/liveness.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace mondeliar {

class SessionThread {
public:
    SessionThread();
    ~SessionThread();
    SessionThread(const SessionThread&) = delete;
    SessionThread& operator=(const SessionThread&) = delete;

    // Runs `step` on the session's thread and returns its result. When `liveness` stays
    // silent for `limit`, `abort` is called once (on the calling thread) and the step is
    // awaited to its end; TimedOut() then says so.
    bool Run(const std::function<bool()>& step, const sftp::Liveness& liveness,
             std::chrono::milliseconds limit, const std::function<void()>& abort);
    bool TimedOut() const { return timedOut_; }

private:
    void Work();
    bool Finished();
    void WaitAWhile(std::chrono::milliseconds longest);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<bool()> step_;  // the step to run, or empty
    bool finished_ = false;
    bool result_ = false;
    bool stopping_ = false;
    bool timedOut_ = false;  // only the calling thread uses it
    std::thread thread_;
};

}  // namespace mondeliar
