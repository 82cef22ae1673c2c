#pragma once
// pyftpdlib serving a folder on a free loopback port, for tests and benchmarks: user
// "tester", password "secret", every right. Started by the constructor, stopped by the
// destructor; Port() is 0 when it did not start within ten seconds. With a certificate and
// its key it serves explicit FTPS only (TLS required on control and data connections).

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <unistd.h>

namespace mondeliar::testing {

class FtpServerProcess {
public:
    // `option`: a further option of tests/net/ftp_server.py (after the TLS ones).
    explicit FtpServerProcess(const std::string& root, const std::string& certFile = "",
                              const std::string& keyFile = "", const std::string& option = "")
    {
        std::vector<std::string> arguments
            = {"python3", std::string(MONDELIAR_SOURCE_DIR) + "/tests/net/ftp_server.py", root};
        if (!certFile.empty())
            arguments.insert(arguments.end(), {"--tls", certFile, keyFile});
        if (!option.empty())
            arguments.push_back(option);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            // Debian's interpreter: the one that has pyftpdlib.
            ::execv("/usr/bin/python3", argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        port_ = std::atoi(ReadFirstLine(out[0], 10000).c_str());
        ::close(out[0]);
    }

    ~FtpServerProcess()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

    FtpServerProcess(const FtpServerProcess&) = delete;
    FtpServerProcess& operator=(const FtpServerProcess&) = delete;

    int Port() const { return port_; }

private:
    static std::string ReadFirstLine(int fd, int timeoutMs)
    {
        std::string line;
        for (int waited = 0; line.find('\n') == std::string::npos && waited < timeoutMs;
             waited += 100) {
            pollfd entry{fd, POLLIN, 0};
            int ready = ::poll(&entry, 1, 100);
            if (ready < 0 && errno != EINTR)
                break;
            if (ready <= 0)
                continue;
            char chunk[64];
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                break;
            line.append(chunk, static_cast<std::size_t>(n));
        }
        return line;
    }

    int pid_ = -1;
    int port_ = 0;
};

}  // namespace mondeliar::testing
