#include "publish/sftp_uploader.h"

#include "base/errors.h"
#include "publish/session_thread.h"
#include "sftp/sftp_client.h"
#include "sftp/ssh_connection.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace mondeliar {

namespace {

using sftp::HostKeyTrust;

// FTPPORT as a TCP port; 0 when it is not one.
int PortNumber(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int port = std::atoi(text.c_str());
    return port <= 65535 ? port : 0;
}

std::string PortError(const std::string& port)
{
    return "The port \"" + port + "\" is not a port number";
}

// HOME as the shell has it; empty when unset.
std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

// known_hosts and the default keys: in ~/.ssh.
std::string UserSshFolder()
{
    return HomeFolder().empty() ? std::string() : HomeFolder() + "/.ssh";
}

// A key file named as "~/.ssh/id_ed25519" is in the home folder.
std::string KeyFilePath(const std::string& keyFile)
{
    if (keyFile.compare(0, 2, "~/") == 0 && !HomeFolder().empty())
        return HomeFolder() + keyFile.substr(1);
    return keyFile;
}

// The log lines of the session's thread, handed on to the caller's log on its own thread.
class LogRelay {
public:
    explicit LogRelay(std::function<void(const std::string&)> sink) : sink_(std::move(sink)) {}
    void Add(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
    }
    void Deliver()
    {
        std::vector<std::string> lines;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lines.swap(lines_);
        }
        if (sink_)
            for (const std::string& line : lines)
                sink_(line);
    }

private:
    std::function<void(const std::string&)> sink_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// One SSH connection with its SFTP client, driven step by step from the caller's thread.
class SftpSession {
public:
    // `account.TimeoutSeconds` bounds each step. libssh's own limit is a second longer, so
    // that a silent server is always reported by the step's time-out.
    SftpSession(LogRelay& log, sftp::SshAccount account)
        : log_(log)
        , account_(std::move(account))
        , stepSeconds_(account_.TimeoutSeconds)
        , connection_([this](const std::string& line) { log_.Add(line); }, liveness_)
    {
        account_.TimeoutSeconds = stepSeconds_ + 1;
    }

    // Runs one step on the session's thread; false with Error() set when it failed or went
    // silent for the time-out.
    bool Step(const std::function<bool()>& step)
    {
        error_.clear();
        liveness_.Mark();
        const bool done = thread_.Run(step, liveness_, std::chrono::seconds(stepSeconds_),
                                      [this] { connection_.Abort(); });
        log_.Deliver();
        if (thread_.TimedOut()) {
            error_ = sftp::NoAnswerText(stepSeconds_);
            log_.Add("! " + error_);
            log_.Deliver();
            return false;
        }
        return done;
    }

    bool Connect()
    {
        return Step([this] { return connection_.Connect(account_); }) || Fail(connection_.Error());
    }

    HostKeyTrust CheckHostKey(const std::string& pinned)
    {
        HostKeyTrust trust = HostKeyTrust::Unknown;
        Step([&] {
            trust = connection_.CheckHostKey(pinned);
            return true;
        });
        return trust;
    }

    bool LogOnAndStartSftp()
    {
        return Step([this] {
            if (!connection_.LogOn())
                return false;
            ssh_channel_struct* channel = connection_.OpenSftpChannel();
            if (!channel)
                return false;
            client_ = std::make_unique<sftp::SftpClient>(
                channel, [this](const std::string& line) { log_.Add(line); }, liveness_,
                account_.TimeoutSeconds);
            return client_->Start();
        }) || Fail(client_ ? client_->Error() : connection_.Error());
    }

    void Close()
    {
        Step([this] {
            client_.reset();
            connection_.Disconnect();
            return true;
        });
    }

    const std::string& Fingerprint() const { return connection_.HostKeyFingerprint(); }
    sftp::SftpClient& Client() { return *client_; }
    const std::string& Error() const { return error_; }
    bool Fail(const std::string& error)
    {
        if (error_.empty())
            error_ = error;
        return false;
    }

private:
    LogRelay& log_;
    sftp::SshAccount account_;
    int stepSeconds_;
    sftp::Liveness liveness_;
    sftp::SshConnection connection_;
    std::unique_ptr<sftp::SftpClient> client_;
    std::string error_;
    SessionThread thread_;  // last: stopped before what its steps use goes away
};

// What a broken connection left on the server, put right over a new one.
struct Leftovers {
    std::vector<std::string> PartFiles;                          // to remove
    std::vector<std::pair<std::string, std::string>> AsidePages;  // moved aside: back to their names
    bool Empty() const { return PartFiles.empty() && AsidePages.empty(); }
};

}  // namespace

// The SFTP session of one publish.
class SftpUploader::Road {
public:
    Road(CalendarContext& context, const PublishRequest& request)
        : context_(context), request_(request), log_(request.SessionLog)
    {
        const CalendarSettings& s = context.Settings;
        account_ = {s.FTPHOST, PortNumber(s.FTPPORT), s.FTPUSER, s.FTPPASSWORD,
                    KeyFilePath(s.SFTPKEYFILE), UserSshFolder(), request.TimeoutSeconds};
    }

    bool Open();
    bool SendFile(const UploadedFile& file);
    void Close();
    const std::string& Error() const { return error_; }

private:
    bool Connect(SftpSession& session, const std::string& pinned);
    bool TrustHostKey(SftpSession& session, HostKeyTrust trust);
    bool ReplaceAside(sftp::SftpClient& client, const std::string& name, const std::string& part);
    bool Abandon(sftp::SftpClient& client, const std::string& part);
    void PutLeftoversRight();
    void PinHostKey(const std::string& fingerprint);
    bool FailFile(const std::string& error);
    void Log(const std::string& line);

    CalendarContext& context_;
    const PublishRequest& request_;
    LogRelay log_;
    sftp::SshAccount account_;
    std::unique_ptr<SftpSession> session_;
    std::string trustedKey_;  // the host key this session accepted
    std::string error_;       // why the log-on or the file being sent failed
    Leftovers leftovers_;
};

bool SftpUploader::Road::Open()
{
    session_ = std::make_unique<SftpSession>(log_, account_);
    if (Connect(*session_, context_.Settings.SFTPHOSTKEY))
        return true;
    error_ = session_->Error();
    Close();
    return false;
}

void SftpUploader::Road::Close()
{
    if (session_)
        session_->Close();
    session_.reset();
    PutLeftoversRight();
    log_.Deliver();
}

// Connects, makes sure of the host key, and only then logs on.
bool SftpUploader::Road::Connect(SftpSession& session, const std::string& pinned)
{
    if (account_.Port == 0)
        return session.Fail(PortError(context_.Settings.FTPPORT));
    return session.Connect() && TrustHostKey(session, session.CheckHostKey(pinned))
           && session.LogOnAndStartSftp();
}

bool SftpUploader::Road::TrustHostKey(SftpSession& session, HostKeyTrust trust)
{
    const std::string& offered = session.Fingerprint();
    const std::string host = account_.Host;
    switch (trust) {
    case HostKeyTrust::Pinned:
        Log("Host key is the one pinned for this calendar");
        break;
    case HostKeyTrust::Known:
        Log("Host key is listed in known_hosts");
        break;
    case HostKeyTrust::Changed:
        return session.Fail(
            "WARNING: the host key of " + host + " has changed. It offered " + offered + ", but "
            + (context_.Settings.SFTPHOSTKEY.empty() ? "known_hosts lists another key for it"
                                                     : "this calendar trusts "
                                                           + context_.Settings.SFTPHOSTKEY)
            + ". Someone may be intercepting the connection, or the server has a new key. Nothing "
              "was sent. Trust the new key only when the server's administrator confirms it");
    case HostKeyTrust::Unknown:
        if (!request_.Confirm)
            return session.Fail("The host key of " + host + " is not known: " + offered
                                + ". Nothing was sent. To trust it, pin it in the calendar's "
                                  "settings file with the line SFTPHOSTKEY="
                                + offered + " (or with Fetch in the Configure dialog)");
        log_.Deliver();
        if (!request_.Confirm(HostKeyQuestion(offered)))
            return session.Fail("The host key " + offered + " of " + host
                                + " was not trusted. Nothing was sent");
        PinHostKey(offered);
        break;
    }
    trustedKey_ = offered;
    return true;
}

// The key is kept in the calendar's settings file, whatever else the record holds now.
void SftpUploader::Road::PinHostKey(const std::string& fingerprint)
{
    context_.Settings.SFTPHOSTKEY = fingerprint;
    try {
        CalendarSettings stored;
        LoadConfig(stored, context_.SettingsFileName);
        stored.SFTPHOSTKEY = fingerprint;
        SaveConfig(stored, context_.SettingsFileName, SaveMode::Current, context_.ProgramFolder);
        Log("Host key pinned for this calendar");
    } catch (const mondeliar::Error& error) {
        Log(std::string("! The host key could not be kept in the settings file: ") + error.what());
    }
}

// The file goes up under its part name and replaces the old one in a single rename, so a
// visitor loads either the old page or the new one.
bool SftpUploader::Road::SendFile(const UploadedFile& file)
{
    error_.clear();
    SftpSession& session = *session_;
    const std::string& name = file.HostFileName;
    const std::string part = PartFileName(name);
    const bool sent = session.Step([&] {
        sftp::SftpClient& client = session.Client();
        // A connection lost before this file left nothing of it on the server.
        if (!client.Usable())
            return FailFile(client.Error());
        if (!client.Store(file.LocalFileName, part))
            return FailFile(client.Error()) || Abandon(client, part);
        if (client.OffersPosixRename())
            return client.PosixRename(part, name) || FailFile(client.Error()) || Abandon(client, part);
        if (client.Rename(part, name))
            return true;
        FailFile(client.Error());
        return ReplaceAside(client, name, part);
    });
    // A time-out outranks the failure it caused.
    if (!sent && !session.Error().empty())
        error_ = session.Error();
    return sent;
}

// A server without posix-rename will not rename onto an existing file. The live page is moved
// aside, the new one renamed in, and the old one removed only after that; if the new one
// cannot be renamed in, the old one goes back.
bool SftpUploader::Road::ReplaceAside(sftp::SftpClient& client, const std::string& name,
                            const std::string& part)
{
    const std::string aside = AsideFileName(name);
    if (!client.Rename(name, aside)) {
        // No page there to move aside: the first refusal stands. Else an earlier run may have
        // left the aside name taken.
        if (!client.Usable() || client.LastStatus() == sftp::StatusCode::NoSuchFile
            || !client.Remove(aside) || !client.Rename(name, aside))
            return Abandon(client, part);
    }
    if (!client.Rename(part, name)) {
        error_ = client.Error();
        if (!client.Rename(aside, name)) {
            if (client.Usable())
                Log("! The old page stays as " + aside);
            else
                leftovers_.AsidePages.emplace_back(aside, name);
        }
        return Abandon(client, part);
    }
    if (!client.Remove(aside))
        Log("! The old page stays as " + aside);
    return true;
}

// Removes the part file of a failed store; when the connection is gone, it is removed over a
// new one after the session.
bool SftpUploader::Road::Abandon(sftp::SftpClient& client, const std::string& part)
{
    if (client.Usable())
        client.Remove(part);
    if (!client.Usable())
        leftovers_.PartFiles.push_back(part);
    return false;
}

// One new connection, only to the host key accepted before, removes the part files and
// puts moved-aside pages back. Best effort: the failure being reported came before.
void SftpUploader::Road::PutLeftoversRight()
{
    if (leftovers_.Empty() || trustedKey_.empty())
        return;
    Log("Connecting again to remove what the lost connection left");
    SftpSession session(log_, account_);
    if (session.Connect() && session.CheckHostKey(trustedKey_) == HostKeyTrust::Pinned
        && session.LogOnAndStartSftp()) {
        session.Step([&] {
            sftp::SftpClient& client = session.Client();
            for (const auto& [aside, name] : leftovers_.AsidePages)
                if (!client.Rename(aside, name))
                    client.Remove(aside);
            for (const std::string& part : leftovers_.PartFiles)
                client.Remove(part);
            return true;
        });
    }
    session.Close();
    leftovers_ = Leftovers();
}

bool SftpUploader::Road::FailFile(const std::string& error)
{
    if (error_.empty())
        error_ = error;
    return false;
}

void SftpUploader::Road::Log(const std::string& line)
{
    log_.Add(line);
}

SftpUploader::SftpUploader(CalendarContext& context, const PublishRequest& request)
    : road_(std::make_unique<Road>(context, request))
{
}

SftpUploader::~SftpUploader() = default;

bool SftpUploader::Open()
{
    return road_->Open();
}

bool SftpUploader::Store(const UploadedFile& file)
{
    return road_->SendFile(file);
}

void SftpUploader::Close()
{
    road_->Close();
}

const std::string& SftpUploader::Error() const
{
    return road_->Error();
}

HostKeyFetch FetchHostKey(const std::string& host, const std::string& port, int timeoutSeconds)
{
    sftp::SshAccount account;
    account.Host = host;
    account.Port = PortNumber(port);
    account.TimeoutSeconds = timeoutSeconds;
    if (account.Port == 0)
        return {std::string(), PortError(port)};
    LogRelay log(nullptr);
    SftpSession session(log, account);
    HostKeyFetch fetch;
    if (session.Connect())
        fetch.Fingerprint = session.Fingerprint();
    fetch.Error = session.Error();
    session.Close();
    return fetch;
}

std::string HostKeyQuestion(const std::string& fingerprint)
{
    return "The server's host key is " + fingerprint + ". Trust it for this calendar?";
}

}  // namespace mondeliar

