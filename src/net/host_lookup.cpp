#include "net/host_lookup.h"

#include "net/socket_resolve.h"
#include "net/winsock_errors.h"

#include <QCoreApplication>

#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>

namespace mondeliar::net {

std::shared_ptr<HostLookup> HostLookup::Start(const std::string& name, bool reverse,
                                              EventTarget* target, int kind, quint64 serial)
{
    auto lookup = std::make_shared<HostLookup>(target);
    // The worker holds its own reference: the state outlives an owner that gave up.
    std::thread([lookup, name, reverse, kind, serial] {
        auto* event = new NetEvent(kind, serial);
        if (reverse)
            ResolveAddress(name, event);
        else
            ResolveName(name, event);
        lookup->Deliver(event);
    }).detach();
    return lookup;
}

void HostLookup::Abandon()
{
    std::lock_guard<std::mutex> lock(mutex_);
    target_ = nullptr;
}

void HostLookup::Deliver(NetEvent* event)
{
    // Posting under the lock: Abandon cannot return (and the target cannot be deleted)
    // while the event is being queued for it.
    std::lock_guard<std::mutex> lock(mutex_);
    if (target_ == nullptr) {
        delete event;
        return;
    }
    QCoreApplication::postEvent(target_, event);
}

void ResolveName(const std::string& name, NetEvent* event)
{
    addrinfo* found = nullptr;
    const int rc = LookUpIpv4(name, &found);
    if (rc != 0) {
        event->error = WinsockError(ErrorOrigin::Resolver, rc);
        return;
    }
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const std::string address
            = FormatDottedAddress(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr);
        // A name listed twice (as localhost often is) gives its address once.
        if (std::find(event->addresses.begin(), event->addresses.end(), address)
            == event->addresses.end())
            event->addresses.push_back(address);
    }
    freeaddrinfo(found);
    if (event->addresses.empty())
        event->error = WinsockError(ErrorOrigin::Resolver, EAI_NODATA);
}

void ResolveAddress(const std::string& address, NetEvent* event)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    if (!ParseDottedAddress(address, &peer.sin_addr)) {
        event->error = WinsockError(ErrorOrigin::Resolver, EAI_NONAME);
        return;
    }
    char host[NI_MAXHOST] = {};
    const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&peer), sizeof peer, host,
                               sizeof host, nullptr, 0, NI_NAMEREQD);
    if (rc != 0) {
        event->error = WinsockError(ErrorOrigin::Resolver, rc);
        return;
    }
    event->addresses.push_back(host);
}

}  // namespace mondeliar::net
