// The synchronous forms of TFtpClient: start the request, then run the event
// loop until it has finished or Timeout seconds passed without progress.

#include "net/ftp_client.h"

#include "net/posted_events.h"

namespace mondeliar::net {

bool TFtpClient::Synchronize(void (TCustomFtpCli::*start)()) {
    try {
        (this->*start)();
    } catch (const std::exception& error) {
        // A usage error: the request never started.
        if (ErrorMessage().empty())
            SetUsageError(error.what());
        return false;
    }
    return WaitUntilReady();
}

void TFtpClient::RenewDeadline() {
    if (timeout_ > 0)
        deadline_ = wait_clock_.elapsed() + static_cast<qint64>(timeout_) * 1000;
}

bool TFtpClient::WaitUntilReady() {
    if (!wait_clock_.isValid())
        wait_clock_.start();
    deadline_ = wait_clock_.elapsed() + static_cast<qint64>(timeout_) * 1000;
    for (;;) {
        if (State() == FtpSessionState::fstReady || State() == FtpSessionState::fstBetweenSteps)
            return RequestOutcome() == 0;
        if (ApplicationTerminating())
            break;
        const qint64 remaining = deadline_ - wait_clock_.elapsed();
        if (timeout_ > 0 && remaining < 0)
            break;
        // Sleep in the event loop until an event arrives or the deadline passes.
        WaitForEvents(timeout_ > 0 ? remaining + 1 : -1, multi_threaded_);
    }
    AbortSession();
    SetTimeoutError();
    return false;
}

}  // namespace mondeliar::net
