#pragma once
// SSH servers on loopback for the SFTP tests and benchmarks, each with a host key made at
// run time by ssh-keygen: Debian's OpenSSH server with a temporary configuration and an
// authorized key made at run time (no system account or password is touched), and the
// scripted paramiko server of tests/sftp/sftp_server.py.

#include "support/server_process.h"
#include "support/test_support.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>

namespace mondeliar::testing {

// What a shell command printed on its standard output.
inline std::string CommandOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
            output.append(chunk, n);
        ::pclose(pipe);
    }
    return output;
}

// An ed25519 key pair made by ssh-keygen, without a passphrase: `path` and `path`.pub.
inline void MakeKeyPair(const std::string& path)
{
    std::string command = "ssh-keygen -q -t ed25519 -N '' -C test -f '" + path + "' </dev/null";
    if (std::system(command.c_str()) != 0)
        std::abort();
}

// The SHA-256 fingerprint of a public key file as OpenSSH prints it ("SHA256:...").
inline std::string Fingerprint(const std::string& publicKeyFile)
{
    std::string line = CommandOutput("ssh-keygen -l -E sha256 -f '" + publicKeyFile + "'");
    std::size_t start = line.find("SHA256:");
    if (start == std::string::npos)
        return std::string();
    return line.substr(start, line.find(' ', start) - start);
}

// A TCP port on 127.0.0.1 that nothing listens on just now.
inline int FreeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

inline bool Accepts(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// /usr/sbin/sshd on a free loopback port, logging at DEBUG level to Log(). It accepts the
// client key ClientKey() for the user running the tests, and no password.
class OpenSshServer {
public:
    OpenSshServer()
    {
        MakeKeyPair(dir_ / "host_key");
        MakeKeyPair(dir_ / "client_key");
        std::filesystem::copy_file(dir_ / "client_key.pub", dir_ / "authorized_keys");
        // Run as root, sshd needs its privilege separation folder, which only its service
        // start makes.
        if (RunningAsRoot())
            ::mkdir("/run/sshd", 0755);
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt)
            Start(FreeLoopbackPort());
    }

    int Port() const { return port_; }
    std::string User() const
    {
        const passwd* entry = ::getpwuid(::geteuid());
        return entry ? entry->pw_name : "root";
    }
    std::string ClientKey() const { return dir_ / "client_key"; }
    std::string HostKeyFingerprint() const { return Fingerprint(dir_ / "host_key.pub"); }
    // The known_hosts line of the host key for this server.
    std::string KnownHostsLine() const
    {
        std::string key = ReadFile(dir_ / "host_key.pub");
        key = key.substr(0, key.rfind(' '));
        return "[127.0.0.1]:" + std::to_string(port_) + " " + key + "\n";
    }
    std::string Log() const { return ReadFile(dir_ / "sshd.log"); }

private:
    void Start(int port)
    {
        WriteFile(dir_ / "sshd_config", "Port " + std::to_string(port)
                                            + "\nListenAddress 127.0.0.1\nHostKey " + dir_ / "host_key"
                                            + "\nPidFile " + dir_ / "sshd.pid"
                                            + "\nAuthorizedKeysFile " + dir_ / "authorized_keys"
                                            + "\nStrictModes no\nUsePAM no\n"
                                              "PasswordAuthentication no\n"
                                              "KbdInteractiveAuthentication no\n"
                                              "PermitRootLogin prohibit-password\n"
                                              "Subsystem sftp internal-sftp\nLogLevel DEBUG1\n");
        process_ = std::make_unique<ServerProcess>(
            std::vector<std::string>{"/usr/sbin/sshd", "-D", "-f", dir_ / "sshd_config", "-E",
                                     dir_ / "sshd.log"},
            false);
        for (int waited = 0; waited < 5000; waited += 50) {
            if (Accepts(port)) {
                port_ = port;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        process_.reset();
    }

    TempDir dir_;
    std::unique_ptr<ServerProcess> process_;
    int port_ = 0;
};

// The scripted paramiko server with the options of tests/sftp/sftp_server.py; any user logs
// on with the password "secret".
class ScriptedSftpServer {
public:
    explicit ScriptedSftpServer(std::vector<std::string> options = {})
    {
        MakeKeyPair(dir_ / "host_key");
        std::vector<std::string> arguments
            = {"/usr/bin/python3", std::string(MONDELIAR_SOURCE_DIR) + "/tests/sftp/sftp_server.py",
               dir_ / "host_key"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        process_ = std::make_unique<ServerProcess>(arguments);
    }

    int Port() const { return process_->Port(); }
    std::string HostKeyFingerprint() const { return Fingerprint(dir_ / "host_key.pub"); }

private:
    TempDir dir_;
    std::unique_ptr<ServerProcess> process_;
};

}  // namespace mondeliar::testing
