// The synchronous forms of TFtpClient: start the request, then run the event
// loop until it has finished or Timeout seconds passed without progress.

#include "net/ftp_client.h"

#include "net/posted_events.h"

#include <algorithm>

namespace mondeliar::net {

bool TFtpClient::Synchronize(void (TCustomFtpCli::*start)())
{
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

void TFtpClient::RenewDeadline()
{
    if (timeout_ > 0)
        deadline_ = wait_clock_.elapsed() + static_cast<qint64>(timeout_) * 1000;
}

int TFtpClient::DataArrivalLimitMs() const
{
    return timeout_ > 0 ? timeout_ * 1000 : 0;
}

void TFtpClient::HoldDeadline(qint64 ms_from_now)
{
    if (timeout_ <= 0)
        return;
    if (!wait_clock_.isValid())
        wait_clock_.start();
    deadline_ = std::max(deadline_, wait_clock_.elapsed() + ms_from_now);
}

bool TFtpClient::WaitUntilReady()
{
    if (!wait_clock_.isValid())
        wait_clock_.start();
    deadline_ = wait_clock_.elapsed() + static_cast<qint64>(timeout_) * 1000;
    auto finished = [this] {
        return State() == FtpSessionState::fstReady || State() == FtpSessionState::fstBetweenSteps;
    };
    // Progress moves the deadline on (RenewDeadline), so Timeout bounds silence.
    auto remaining = [this]() -> qint64 {
        if (timeout_ <= 0)
            return -1;
        return std::max<qint64>(0, deadline_ - wait_clock_.elapsed());
    };
    if (WaitInEventLoop(finished, remaining, multi_threaded_))
        return RequestOutcome() == 0;
    AbortSession();
    SetTimeoutError();
    return false;
}

}  // namespace mondeliar::net
