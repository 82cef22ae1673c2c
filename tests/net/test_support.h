#pragma once
// Helpers shared by the network tests: the Qt application, bounded waits,
// temporary folders, a pyftpdlib server process, a scripted FTP server in a
// thread, and small blocking-socket tools for the peer side.

#include "support/ftp_server_process.h"
#include "support/test_support.h"

#include <netinet/in.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mondeliar::net::testing {

// Runs the event loop until done() or timeout_ms passed; returns done().
bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 5000);
// For a scripted server's thread: waits (without an event loop) until `flag` is set by the
// client's thread, or timeout_ms passed; returns the flag.
bool WaitForFlag(const std::atomic<bool>& flag, int timeout_ms = 5000);

using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;
std::string PatternBytes(size_t size);  // varied bytes, CR and LF included

class TempDir : public mondeliar::testing::TempDir {
public:
    std::string File(const std::string& name) const { return Path() + name; }
};

// pyftpdlib on 127.0.0.1, user "tester" / "secret", root Root(); with a certificate and
// its key, an FTPS server that requires TLS.
class PyFtpServer {
public:
    PyFtpServer() : process_(root_.Path()) {}
    PyFtpServer(const std::string& cert_file, const std::string& key_file)
        : process_(root_.Path(), cert_file, key_file)
    {
    }
    bool Running() const { return process_.Port() > 0; }
    int Port() const { return process_.Port(); }
    std::string Root() const { return root_.Path(); }

private:
    TempDir root_;
    mondeliar::testing::FtpServerProcess process_;
};

// --- blocking sockets for the peer side ---------------------------------------
int ListenLoopback(int* port);  // listening socket on 127.0.0.1:port (0: any)
int AcceptWithTimeout(int listener, int timeout_ms);
// receive_buffer > 0: SO_RCVBUF set before connecting, so the peer can only push that much
// (plus its own send buffer) ahead of what is read.
int ConnectLoopback(int port, int receive_buffer = 0);
// From `source` (another loopback address such as 127.0.0.2) to 127.0.0.1:port; -1 on failure.
int ConnectFrom(const std::string& source, int port);
void SetReceiveTimeout(int fd, int timeout_ms);
bool SendAll(int fd, const std::string& bytes);
std::string ReceiveUntilClosed(int fd, size_t limit = 64u << 20);
std::string ReceiveExactly(int fd, size_t count);
void CloseWithReset(int fd);  // SO_LINGER 0: the peer sees a reset
// Sends `block` again and again until the peer closes (true) or max_ms have passed (false).
bool FloodUntilClosed(int fd, const std::string& block, int max_ms);

// One FTP control connection served by a script running in its own thread.
class ScriptedFtpServer;

class ScriptedSession {
public:
    ScriptedSession(int fd, ScriptedFtpServer* server) : fd_(fd), server_(server) {}
    void Reply(const std::string& bytes);     // written as given (add the line end)
    std::string ReadCommand();                // next line without CR LF; "" when closed
    std::string ReadBytes();                  // what has come: at least one byte, "" when closed
    std::string ReadUntilClosed();            // every byte still to come, as it comes
    int ConnectData(int receive_buffer = 0);  // to the address of the last PORT command
    int AcceptPassiveData();                  // the connection to the last PASV port
    std::string OpenPassive();                // listens and returns the 227 line
    void CloseControl();
    int Fd() const { return fd_; }
    // The port of the last PORT command.
    int DataPort() const { return port_port_; }
    // Listens like OpenPassive, but the 227 line names `host` ("h1,h2,h3,h4") as the address.
    std::string OpenPassive(const std::string& host);

private:
    int fd_;
    ScriptedFtpServer* server_;
    std::string pending_;
    std::string port_host_;
    int port_port_ = 0;
    int passive_listener_ = -1;
};

class ScriptedFtpServer {
public:
    using Script = std::function<void(ScriptedSession&)>;
    // Serves `connections` control connections one after the other, each with the script.
    explicit ScriptedFtpServer(Script script, int connections = 1);
    ~ScriptedFtpServer();
    int Port() const { return port_; }
    // Every command line the client sent, in order.
    std::vector<std::string> Commands() const;
    void Record(const std::string& command);
    // Waits for the script to end (bounded) and returns whether it did.
    bool Finish(int timeout_ms = 5000);

private:
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> control_fd_{-1};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread thread_;
};

}  // namespace mondeliar::net::testing
