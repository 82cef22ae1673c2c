#pragma once
// One SSH connection of an SFTP publish, through libssh: the TCP connection and key exchange,
// the server's host key and its fingerprint, the log-on, and the channel that carries the
// SFTP subsystem. Every call blocks; the caller runs them off its event loop's thread, one at
// a time. Only Abort() may be called from another thread, while a call is under way.

#include "sftp/liveness.h"

#include <functional>
#include <mutex>
#include <string>

struct ssh_session_struct;
struct ssh_channel_struct;

namespace mondeliar::sftp {

using SessionLog = std::function<void(const std::string&)>;

struct SshAccount {
    std::string Host;
    int Port = 22;
    std::string User;
    std::string Password;  // tried when not empty; never logged
    std::string KeyFile;   // a private key; when empty the agent and the default keys
    // Holds known_hosts and the default keys; empty: libssh's ~/.ssh.
    std::string SshFolder;
    int TimeoutSeconds = 15;
};

// How the server's host key stands with what this calendar and the user trust.
enum class HostKeyTrust {
    Pinned,   // it is the calendar's pinned key
    Known,    // known_hosts lists it for the host
    Unknown,  // neither pinned nor listed
    Changed,  // the pinned key, or the one known_hosts lists for the host, is another
};

class SshConnection {
public:
    // `log` hears each step of the session, on the thread that runs it; never a password or
    // key material.
    SshConnection(SessionLog log, Liveness& liveness);
    ~SshConnection();
    SshConnection(const SshConnection&) = delete;
    SshConnection& operator=(const SshConnection&) = delete;

    // Connects and exchanges keys; no authentication is attempted.
    bool Connect(const SshAccount& account);
    // The server's host key as OpenSSH prints it: "SHA256:" and base64 without padding.
    const std::string& HostKeyFingerprint() const { return fingerprint_; }
    // Compares the host key with `pinned` (a fingerprint, or empty) and with known_hosts,
    // which is only read. A pinned key decides alone: any other key counts as changed.
    HostKeyTrust CheckHostKey(const std::string& pinned);
    // Logs on: the key file, or the agent and the default keys, then the password.
    bool LogOn();
    // Opens a session channel and starts the SFTP subsystem in it; null on failure.
    ssh_channel_struct* OpenSftpChannel();
    // Closes the channel and the connection; harmless when nothing is open.
    void Disconnect();

    // Any thread: the call under way fails as soon as possible (the socket is shut down),
    // and so does every later one.
    void Abort();

    const std::string& Error() const { return error_; }
    int TimeoutSeconds() const { return account_.TimeoutSeconds; }

private:
    bool Configure();
    bool ReadHostKey();
    bool TryKeyFile();
    bool TryAgentAndDefaultKeys();
    bool TryPassword();
    bool Authenticated(int result);
    bool Fail(const std::string& what);
    void Log(const std::string& line);

    SessionLog log_;
    Liveness& liveness_;
    SshAccount account_;
    ssh_session_struct* session_ = nullptr;
    ssh_channel_struct* channel_ = nullptr;
    std::string fingerprint_;
    std::string error_;
    std::string keyProblem_;  // why the key file could not be used
    bool failed_ = false;     // the connection failed during the log-on
    std::mutex abortMutex_;
    int socket_ = -1;  // the connected socket, for Abort(); guarded by abortMutex_
    bool aborted_ = false;  // guarded by abortMutex_
};

}  // namespace mondeliar::sftp
