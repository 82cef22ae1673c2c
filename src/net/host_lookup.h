#pragma once
// Host-name lookup without blocking the event loop. getaddrinfo (getnameinfo for a reverse
// lookup) blocks, so each lookup runs on a worker thread that does nothing but resolve; its
// result travels to the socket's thread as a posted NetEvent. The owner may give a lookup
// up at any time (cancelled, superseded, or the socket destroyed): the worker then drops
// its result instead of posting it.

#include "net/posted_events.h"

#include <memory>
#include <mutex>
#include <string>

namespace mondeliar::net {

class HostLookup {
public:
    // Starts resolving `name` to its IPv4 addresses (reverse: the dotted address to its
    // name). When done, a NetEvent(kind, serial) carrying the results, or the socket error
    // number of the failure, is posted to `target`. Raises std::system_error when no thread
    // can be started.
    static std::shared_ptr<HostLookup> Start(const std::string& name, bool reverse,
                                             EventTarget* target, int kind, quint64 serial);

    // Called on the owner's thread before `target` may go away; the result is dropped.
    void Abandon();

    explicit HostLookup(EventTarget* target) : target_(target) {}

private:
    void Deliver(NetEvent* event);

    std::mutex mutex_;
    EventTarget* target_;  // null once abandoned
};

// The lookups themselves, as the worker runs them: addresses (or the name) in `event`,
// the socket error number in event->error.
void ResolveName(const std::string& name, NetEvent* event);
void ResolveAddress(const std::string& address, NetEvent* event);

}  // namespace mondeliar::net
