#pragma once
// Blocking sockets on 127.0.0.1 for the peer side of the network tests: scripted servers and
// peers that run in their own thread. Every received socket times out after five seconds, so
// a peer never waits for ever.

#include <cstddef>
#include <string>

namespace mondeliar::testing {

int ListenLoopback(int* port);  // listening socket on 127.0.0.1:port (0: any)
int ClosedLoopbackPort();       // a port of 127.0.0.1 nothing listens on
int AcceptWithTimeout(int listener, int timeout_ms);
// To 127.0.0.1:port; -1 on failure. receive_buffer > 0: SO_RCVBUF set before connecting, so the
// peer can only push that much (plus its own send buffer) ahead of what is read. `source`:
// another loopback address to connect from, such as 127.0.0.2.
int ConnectLoopback(int port, int receive_buffer = 0, const std::string& source = "");
void SetReceiveTimeout(int fd, int timeout_ms);
bool SendAll(int fd, const std::string& bytes);
// Until `most` bytes came or the peer closed (or was silent for five seconds).
std::string Receive(int fd, size_t most = 64u << 20);
void CloseWithReset(int fd);  // SO_LINGER 0: the peer sees a reset
// Sends `block` again and again until the peer closes (true) or max_ms have passed (false).
bool FloodUntilClosed(int fd, const std::string& block, int max_ms);

}  // namespace mondeliar::testing
