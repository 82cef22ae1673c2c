#pragma once
// pyftpdlib serving a folder on a free loopback port, for tests and benchmarks: user
// "tester", password "secret", every right. Started by the constructor, stopped by the
// destructor; Port() is 0 when it did not start within ten seconds. With a certificate and
// its key it serves explicit FTPS only (TLS required on control and data connections).

#include "support/server_process.h"

namespace mondeliar::testing {

class FtpServerProcess : public ServerProcess {
public:
    // `option`: a further option of tests/net/ftp_server.py (after the TLS ones).
    explicit FtpServerProcess(const std::string& root, const std::string& certFile = "",
                              const std::string& keyFile = "", const std::string& option = "")
        : ServerProcess(Arguments(root, certFile, keyFile, option))
    {
    }

private:
    static std::vector<std::string> Arguments(const std::string& root, const std::string& certFile,
                                              const std::string& keyFile, const std::string& option)
    {
        // Debian's interpreter: the one that has pyftpdlib.
        std::vector<std::string> arguments
            = {"/usr/bin/python3", std::string(MONDELIAR_SOURCE_DIR) + "/tests/net/ftp_server.py", root};
        if (!certFile.empty())
            arguments.insert(arguments.end(), {"--tls", certFile, keyFile});
        if (!option.empty())
            arguments.push_back(option);
        return arguments;
    }
};

}  // namespace mondeliar::testing
