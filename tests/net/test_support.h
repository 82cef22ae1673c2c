#pragma once
// Helpers of the network tests: the Qt application, a pyftpdlib server process, and the
// shared peer-side tools (bounded waits, blocking sockets, the scripted FTP server).

#include "net/ftp_client.h"
#include "support/event_waits.h"
#include "support/ftp_server_process.h"
#include "support/loopback_sockets.h"
#include "support/scripted_ftp_server.h"
#include "support/test_support.h"

#include <string>
#include <vector>

namespace mondeliar::net::testing {

using namespace mondeliar::testing;

std::string PatternBytes(size_t size);  // varied bytes, CR and LF included

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
    FtpServerProcess process_;
};

// The client set for a scripted server (user "u", password "p", Timeout 5 s) or for pyftpdlib
// ("tester", "secret", 10 s).
void Aim(TFtpClient& client, const ScriptedFtpServer& server);
void Aim(TFtpClient& client, const PyFtpServer& server);

// The commands of a client's session log ("> USER u" lines), whole or their verbs.
std::vector<std::string> SentCommands(const std::vector<std::string>& log);
std::vector<std::string> SentVerbs(const std::vector<std::string>& log);

}  // namespace mondeliar::net::testing
