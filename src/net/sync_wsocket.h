#pragma once
// TCustomSyncWSocket: waiting for an asynchronous operation while the event
// loop keeps running. TWSocket is the complete socket.

#include "net/line_wsocket.h"

#include <functional>

namespace mondeliar::net {

class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    static constexpr int kSyncTimeoutError = 12001;

    // Clears flag, runs action, and processes events until flag is set.
    // Returns 0, or kSyncTimeoutError when timeout_ms (0 or less: none) passed
    // or the application is shutting down.
    int SyncRun(const std::function<void()>& action, bool& flag, int timeout_ms);
    int SyncWait(bool& flag, int timeout_ms);
};

class TWSocket : public TCustomSyncWSocket {
public:
    TWSocket() = default;
};

}  // namespace mondeliar::net
