#include "support/loopback_sockets.h"

#include "support/event_waits.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mondeliar::testing {

namespace {

bool WaitReadable(int fd, int timeout_ms)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeout_ms) > 0;
}

sockaddr_in Address(const std::string& ip, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

bool Bind(int fd, const sockaddr_in& address)
{
    return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

int ListenLoopback(int* port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = Address("127.0.0.1", *port);
    Bind(fd, address);
    listen(fd, 5);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

int ClosedLoopbackPort()
{
    int port = 0;
    close(ListenLoopback(&port));
    return port;
}

int AcceptWithTimeout(int listener, int timeout_ms)
{
    if (!WaitReadable(listener, timeout_ms))
        return -1;
    const int fd = accept(listener, nullptr, nullptr);
    if (fd >= 0)
        SetReceiveTimeout(fd, 5000);
    return fd;
}

int ConnectLoopback(int port, int receive_buffer, const std::string& source)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    const sockaddr_in address = Address("127.0.0.1", port);
    if ((!source.empty() && !Bind(fd, Address(source, 0)))
        || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    SetReceiveTimeout(fd, 5000);
    return fd;
}

void SetReceiveTimeout(int fd, int timeout_ms)
{
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

bool SendAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string Receive(int fd, size_t most)
{
    std::string bytes;
    char chunk[65536];
    while (bytes.size() < most) {
        const ssize_t n = recv(fd, chunk, std::min(sizeof chunk, most - bytes.size()), 0);
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    return bytes;
}

void CloseWithReset(int fd)
{
    linger value{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value);
    close(fd);
}

bool FloodUntilClosed(int fd, const std::string& block, int max_ms)
{
    // A send timeout keeps the time limit even while the peer reads nothing.
    timeval tv{0, 200 * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
    while (MillisecondsUntil(deadline) > 0) {
        const ssize_t n = send(fd, block.data(), block.size(), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return true;
    }
    return false;
}

}  // namespace mondeliar::testing
