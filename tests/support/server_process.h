#pragma once
// A test server run as a child process: started by the constructor, stopped (SIGTERM) by
// the destructor.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mondeliar::testing {

class ServerProcess {
public:
    // `arguments[0]`: the program, by absolute path. With `portOnFirstLine` the server prints
    // its port as its first line, and Port() is 0 when none came within ten seconds.
    explicit ServerProcess(std::vector<std::string> arguments, bool portOnFirstLine = true)
    {
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
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        if (portOnFirstLine)
            port_ = std::atoi(ReadFirstLine(out[0], 10000).c_str());
        ::close(out[0]);
    }

    ~ServerProcess()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

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
