#include "net/sync_wsocket.h"

#include "net/posted_events.h"

#include <QElapsedTimer>

namespace mondeliar::net {

int TCustomSyncWSocket::SyncRun(const std::function<void()>& action, bool& flag, int timeout_ms) {
    flag = false;
    action();
    return SyncWait(flag, timeout_ms);
}

int TCustomSyncWSocket::SyncWait(bool& flag, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    while (!flag) {
        if (ApplicationTerminating())
            return kSyncTimeoutError;
        qint64 remaining = -1;
        if (timeout_ms > 0) {
            remaining = timeout_ms - clock.elapsed();
            if (remaining <= 0)
                return kSyncTimeoutError;
        }
        // Sleeps in the event loop until something happens or time is up.
        WaitForEvents(remaining, MultiThreaded());
    }
    return 0;
}

}  // namespace mondeliar::net
