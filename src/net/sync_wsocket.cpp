#include "net/sync_wsocket.h"

#include "net/posted_events.h"

#include <QElapsedTimer>

#include <algorithm>

namespace mondeliar::net {

int TCustomSyncWSocket::SyncRun(const std::function<void()>& action, bool& flag, int timeout_ms)
{
    flag = false;
    action();
    return SyncWait(flag, timeout_ms);
}

int TCustomSyncWSocket::SyncWait(bool& flag, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    auto remaining = [&]() -> qint64 {
        return timeout_ms > 0 ? std::max<qint64>(0, timeout_ms - clock.elapsed()) : -1;
    };
    // Sleeps in the event loop until something happens or time is up.
    return WaitInEventLoop([&flag] { return flag; }, remaining, MultiThreaded())
               ? 0
               : kSyncTimeoutError;
}

}  // namespace mondeliar::net
