#include "test_support.h"

#include <QCoreApplication>

#include "net/posted_events.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mondeliar::net::testing {

namespace {

// One QCoreApplication for the whole test program.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "net_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const kEnvironment
    = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

bool WaitReadable(int fd, int timeout_ms)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeout_ms) > 0;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int timeout_ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        const int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return done();
        WaitForEvents(std::min(left, 50), false);
    }
    return true;
}

bool WaitForFlag(const std::atomic<bool>& flag, int timeout_ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!flag.load() && MillisecondsLeft(deadline) > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag.load();
}

std::string PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 16);
    }
    return bytes;
}

// --- blocking sockets -----------------------------------------------------------------

int ListenLoopback(int* port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(*port));
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, 5);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
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

int ConnectLoopback(int port, int receive_buffer)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    SetReceiveTimeout(fd, 5000);
    return fd;
}

int ConnectFrom(const std::string& source, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0
        || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
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

std::string ReceiveUntilClosed(int fd, size_t limit)
{
    std::string bytes;
    char chunk[65536];
    while (bytes.size() < limit) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    return bytes;
}

std::string ReceiveExactly(int fd, size_t count)
{
    std::string bytes;
    char chunk[65536];
    while (bytes.size() < count) {
        const ssize_t n = recv(fd, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
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
    const auto deadline = Clock::now() + std::chrono::milliseconds(max_ms);
    while (MillisecondsLeft(deadline) > 0) {
        const ssize_t n = send(fd, block.data(), block.size(), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return true;
    }
    return false;
}

// --- scripted FTP server -------------------------------------------------------------------

void ScriptedSession::Reply(const std::string& bytes)
{
    SendAll(fd_, bytes);
}

std::string ScriptedSession::ReadCommand()
{
    for (;;) {
        const size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            server_->Record(line);
            if (line.rfind("PORT ", 0) == 0) {
                int h1, h2, h3, h4, p1, p2;
                if (std::sscanf(line.c_str() + 5, "%d,%d,%d,%d,%d,%d", &h1, &h2, &h3, &h4, &p1, &p2)
                    == 6) {
                    port_host_ = std::to_string(h1) + "." + std::to_string(h2) + "."
                                 + std::to_string(h3) + "." + std::to_string(h4);
                    port_port_ = p1 * 256 + p2;
                }
            }
            return line;
        }
        char chunk[4096];
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return std::string();
        pending_.append(chunk, static_cast<size_t>(n));
    }
}

std::string ScriptedSession::ReadBytes()
{
    if (pending_.empty()) {
        char chunk[4096];
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0)
            pending_.assign(chunk, static_cast<size_t>(n));
    }
    std::string bytes;
    bytes.swap(pending_);
    return bytes;
}

std::string ScriptedSession::ReadUntilClosed()
{
    std::string bytes;
    bytes.swap(pending_);
    return bytes + ReceiveUntilClosed(fd_);
}

int ScriptedSession::ConnectData(int receive_buffer)
{
    return ConnectLoopback(port_port_, receive_buffer);
}

std::string ScriptedSession::OpenPassive()
{
    return OpenPassive("127,0,0,1");
}

std::string ScriptedSession::OpenPassive(const std::string& host)
{
    int port = 0;
    passive_listener_ = ListenLoopback(&port);
    return "227 Entering Passive Mode (" + host + "," + std::to_string(port / 256) + ","
           + std::to_string(port % 256) + ").\r\n";
}

int ScriptedSession::AcceptPassiveData()
{
    const int fd = AcceptWithTimeout(passive_listener_, 5000);
    close(passive_listener_);
    passive_listener_ = -1;
    return fd;
}

void ScriptedSession::CloseControl()
{
    shutdown(fd_, SHUT_RDWR);
}

ScriptedFtpServer::ScriptedFtpServer(Script script, int connections)
{
    listener_ = ListenLoopback(&port_);
    thread_ = std::thread([this, script, connections] {
        for (int served = 0; served < connections; ++served) {
            const int fd = AcceptWithTimeout(listener_, 10000);
            if (fd < 0)
                break;
            control_fd_ = fd;
            ScriptedSession session(fd, this);
            script(session);
            control_fd_ = -1;
            close(fd);
        }
        finished_ = true;
    });
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    // Unblock a script still reading, then wait for it.
    const int fd = control_fd_.load();
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
    shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    close(listener_);
}

std::vector<std::string> ScriptedFtpServer::Commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void ScriptedFtpServer::Record(const std::string& command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
}

bool ScriptedFtpServer::Finish(int timeout_ms)
{
    const bool done = WaitUntil([this] { return finished_.load(); }, timeout_ms);
    if (done && thread_.joinable())
        thread_.join();
    return done;
}

}  // namespace mondeliar::net::testing
