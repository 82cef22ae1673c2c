#include "sftp/ssh_connection.h"

#include <libssh/libssh.h>

#include <sys/socket.h>

namespace mondeliar::sftp {

namespace {

// A server that keeps asking keyboard-interactive questions is not answered for ever.
constexpr int KeyboardInteractiveRounds = 4;

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The pinned fingerprint as compared: without surrounding blanks, "SHA256:" in front.
std::string PinnedFingerprint(const std::string& pinned)
{
    std::string fingerprint = Trimmed(pinned);
    const std::string prefix = "SHA256:";
    if (!fingerprint.empty() && fingerprint.compare(0, prefix.size(), prefix) != 0)
        fingerprint = prefix + fingerprint;
    return fingerprint;
}

}  // namespace

SshConnection::SshConnection(SessionLog log, Liveness& liveness)
    : log_(std::move(log)), liveness_(liveness)
{
}

SshConnection::~SshConnection()
{
    Disconnect();
}

bool SshConnection::Connect(const SshAccount& account)
{
    Disconnect();
    {
        std::lock_guard<std::mutex> lock(abortMutex_);
        aborted_ = false;
    }
    account_ = account;
    error_.clear();
    failed_ = false;
    session_ = ssh_new();
    if (!session_)
        return Fail("Cannot start an SSH session");
    if (!Configure())
        return false;
    Log("Connecting to " + account_.Host + " port " + std::to_string(account_.Port));
    liveness_.Mark();
    if (ssh_connect(session_) != SSH_OK)
        return Fail("Cannot connect to " + account_.Host + " port " + std::to_string(account_.Port));
    {
        std::lock_guard<std::mutex> lock(abortMutex_);
        if (aborted_)
            return Fail("The connection was given up");
        socket_ = ssh_get_fd(session_);
    }
    const char* banner = ssh_get_serverbanner(session_);
    Log(std::string("Connected: ") + (banner ? banner : "SSH server"));
    return ReadHostKey();
}

bool SshConnection::Configure()
{
    const long timeout = account_.TimeoutSeconds;
    const int verbosity = SSH_LOG_NOLOG;
    // Host, port and user are the calendar's: ~/.ssh/config and the system's do not apply.
    bool processConfig = false;
    unsigned port = static_cast<unsigned>(account_.Port);
    bool set = ssh_options_set(session_, SSH_OPTIONS_HOST, account_.Host.c_str()) == SSH_OK
               && ssh_options_set(session_, SSH_OPTIONS_PORT, &port) == SSH_OK
               && ssh_options_set(session_, SSH_OPTIONS_TIMEOUT, &timeout) == SSH_OK
               && ssh_options_set(session_, SSH_OPTIONS_LOG_VERBOSITY, &verbosity) == SSH_OK
               && ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &processConfig) == SSH_OK;
    if (set && !account_.User.empty())
        set = ssh_options_set(session_, SSH_OPTIONS_USER, account_.User.c_str()) == SSH_OK;
    if (set && !account_.SshFolder.empty())
        set = ssh_options_set(session_, SSH_OPTIONS_SSH_DIR, account_.SshFolder.c_str()) == SSH_OK;
    return set || Fail("Cannot set up the SSH session");
}

bool SshConnection::ReadHostKey()
{
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(session_, &key) != SSH_OK)
        return Fail("The server offered no host key");
    unsigned char* hash = nullptr;
    std::size_t length = 0;
    const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
    const char* type = ssh_key_type_to_char(ssh_key_type(key));
    const std::string typeName = type ? type : "unknown";
    ssh_key_free(key);
    if (hashed != SSH_OK)
        return Fail("Cannot read the server's host key");
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    ssh_clean_pubkey_hash(&hash);
    if (!text)
        return Fail("Cannot read the server's host key");
    fingerprint_ = text;
    ssh_string_free_char(text);
    Log("Host key " + fingerprint_ + " (" + typeName + ")");
    return true;
}

HostKeyTrust SshConnection::CheckHostKey(const std::string& pinned)
{
    const std::string wanted = PinnedFingerprint(pinned);
    if (!wanted.empty())
        return wanted == fingerprint_ ? HostKeyTrust::Pinned : HostKeyTrust::Changed;
    switch (ssh_session_is_known_server(session_)) {
    case SSH_KNOWN_HOSTS_OK:
        return HostKeyTrust::Known;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:  // a key of another type is known: as suspicious as a change
        return HostKeyTrust::Changed;
    default:
        return HostKeyTrust::Unknown;
    }
}

bool SshConnection::LogOn()
{
    Log("Logging on as " + account_.User);
    liveness_.Mark();
    keyProblem_.clear();
    bool done = account_.KeyFile.empty() ? TryAgentAndDefaultKeys() : TryKeyFile();
    if (!done && !failed_ && !account_.Password.empty())
        done = TryPassword();
    if (done) {
        Log("Logged on");
        return true;
    }
    if (failed_)
        return false;
    std::string text = "The server refused the log-on of " + account_.User;
    if (!keyProblem_.empty())
        text += " (" + keyProblem_ + ")";
    error_ = text;
    Log("! " + text);
    return false;
}

bool SshConnection::TryKeyFile()
{
    ssh_key key = nullptr;
    if (ssh_pki_import_privkey_file(account_.KeyFile.c_str(), nullptr, nullptr, nullptr, &key)
        != SSH_OK) {
        keyProblem_ = "the key file " + account_.KeyFile
                      + " cannot be read; a key with a passphrase must be loaded into the SSH agent";
        Log("! Cannot read the key file " + account_.KeyFile);
        return false;
    }
    Log("Trying the key file " + account_.KeyFile);
    const int result = ssh_userauth_publickey(session_, nullptr, key);
    ssh_key_free(key);
    return Authenticated(result);
}

bool SshConnection::TryAgentAndDefaultKeys()
{
    Log("Trying the SSH agent and the default keys");
    return Authenticated(ssh_userauth_publickey_auto(session_, nullptr, nullptr));
}

// The password, or the answer to every prompt of keyboard-interactive log-on for servers
// that ask for the password that way.
bool SshConnection::TryPassword()
{
    Log("Trying the password");
    liveness_.Mark();
    if (Authenticated(ssh_userauth_password(session_, nullptr, account_.Password.c_str())))
        return true;
    if (failed_ || !(ssh_userauth_list(session_, nullptr) & SSH_AUTH_METHOD_INTERACTIVE))
        return false;
    Log("Trying the password as keyboard-interactive answer");
    int result = ssh_userauth_kbdint(session_, nullptr, nullptr);
    for (int round = 0; result == SSH_AUTH_INFO && round < KeyboardInteractiveRounds; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(session_);
        for (int prompt = 0; prompt < prompts; ++prompt)
            ssh_userauth_kbdint_setanswer(session_, static_cast<unsigned>(prompt),
                                          account_.Password.c_str());
        liveness_.Mark();
        result = ssh_userauth_kbdint(session_, nullptr, nullptr);
    }
    return Authenticated(result);
}

// SSH_AUTH_ERROR is the connection failing, not a refusal: nothing more is tried.
bool SshConnection::Authenticated(int result)
{
    liveness_.Mark();
    if (result == SSH_AUTH_SUCCESS)
        return true;
    if (result == SSH_AUTH_ERROR) {
        failed_ = true;
        Fail("The log-on failed");
    }
    return false;
}

ssh_channel_struct* SshConnection::OpenSftpChannel()
{
    liveness_.Mark();
    channel_ = ssh_channel_new(session_);
    if (!channel_) {
        Fail("Cannot open an SSH channel");
        return nullptr;
    }
    if (ssh_channel_open_session(channel_) != SSH_OK) {
        Fail("The server did not open a session channel");
        return nullptr;
    }
    liveness_.Mark();
    if (ssh_channel_request_subsystem(channel_, "sftp") != SSH_OK) {
        Fail("The server does not offer SFTP");
        return nullptr;
    }
    liveness_.Mark();
    return channel_;
}

void SshConnection::Disconnect()
{
    {
        std::lock_guard<std::mutex> lock(abortMutex_);
        socket_ = -1;
    }
    if (channel_) {
        ssh_channel_free(channel_);
        channel_ = nullptr;
    }
    if (session_) {
        ssh_disconnect(session_);
        ssh_free(session_);
        session_ = nullptr;
    }
}

void SshConnection::Abort()
{
    std::lock_guard<std::mutex> lock(abortMutex_);
    aborted_ = true;
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
}

bool SshConnection::Fail(const std::string& what)
{
    std::string text = what;
    const char* detail = session_ ? ssh_get_error(session_) : nullptr;
    if (detail && *detail)
        text += ": " + std::string(detail);
    error_ = text;
    Log("! " + text);
    return false;
}

void SshConnection::Log(const std::string& line)
{
    if (log_)
        log_(line);
}

}  // namespace mondeliar::sftp
