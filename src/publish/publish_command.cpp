#include "publish/publish_command.h"

#include "html/ics_feed.h"
#include "html/page_names.h"
#include "html/write_command.h"
#include "net/ftp_client.h"

namespace mondeliar {

const char* const FtpSettingsIncomplete = "FTP settings are not complete";

namespace {

bool FtpSettingsComplete(const CalendarSettings& s)
{
    return !s.FTPHOST.empty() && !s.FTPPORT.empty() && !s.FTPUSER.empty() && !s.FTPPASSWORD.empty()
           && !s.FTPREMOTEDIR.empty();
}

// The client as the program always uses it: active data connections unless FTPPASSIVE, no
// TYPE command on the plain road, a 15-second limit on every wait.
void ConfigureClient(net::TFtpClient& client, const CalendarSettings& s, int timeoutSeconds)
{
    client.SetTimeout(timeoutSeconds);
    client.SetMultiThreaded(false);
    client.SetLocalAddr("0.0.0.0");
    client.SetDisplayFileFlag(false);
    client.SetBinary(true);
    client.SetShareMode(net::ftpShareExclusive);
    client.SetOptions(net::ftpAcceptLF);
    client.SetConnectionType(net::ftpDirect);
    client.SetHostName(s.FTPHOST);
    client.SetPort(s.FTPPORT);
    client.SetUserName(s.FTPUSER);
    client.SetPassWord(s.FTPPASSWORD);
    client.SetUsePasv(s.FTPPASSIVE);
    client.SetUseTls(s.FTPTLS);
    client.SetTlsFingerprint(s.FTPTLSFINGERPRINT);
}

std::string FallbackReason(net::ActiveModeFailure failure)
{
    switch (failure) {
    case net::ActiveModeFailure::PortRefused:
        return "the server refused PORT";
    case net::ActiveModeFailure::DataRefused:
        return "the server could not open the data connection";
    case net::ActiveModeFailure::NoDataConnection:
        return "the server's data connection did not arrive";
    case net::ActiveModeFailure::None:
        break;
    }
    return std::string();
}

// One FTP session of a publish: logging on, the transfer type, and the switch to passive
// mode when active mode fails.
class UploadSession {
public:
    UploadSession(net::TFtpClient& client, const std::function<void(const std::string&)>& log)
        : client_(client), log_(log)
    {
    }

    // Logs on; over TLS also sets TYPE I (a new road, with no byte sequence to keep: the
    // pages arrive as written, where the server's default ASCII type may rewrite line ends).
    bool Open()
    {
        binary_ = false;
        if (!client_.OpenSession())
            return false;
        if (client_.UseTls())
            binary_ = client_.TypeBinary();
        return true;
    }

    // Stores one file; a failure that passive mode may cure switches to it for the rest of
    // the session and tries the file once more.
    bool Store(const UploadedFile& file)
    {
        if (StoreOnce(file))
            return true;
        const std::string reason = FallbackReason(client_.LastActiveModeFailure());
        if (client_.UsePasv() || reason.empty())
            return false;
        Log("! Switching to passive mode for the rest of the session: " + reason);
        client_.SetUsePasv(true);
        switched_ = true;
        // A missing data connection ended the session (its replies were out of step).
        if (!client_.Connected() && !Open())
            return false;
        return StoreOnce(file);
    }

    bool SwitchedToPassive() const { return switched_; }

private:
    bool StoreOnce(const UploadedFile& file)
    {
        // A refused TYPE I still lets the file go, in the server's default type.
        if (file.Binary && !binary_)
            binary_ = client_.TypeBinary();
        client_.SetLocalFileName(file.LocalFileName);
        client_.SetHostFileName(file.HostFileName);
        return client_.StoreFile();
    }

    void Log(const std::string& line)
    {
        if (log_)
            log_(line);
    }

    net::TFtpClient& client_;
    const std::function<void(const std::string&)>& log_;
    bool binary_ = false;  // TYPE I is in effect
    bool switched_ = false;
};

std::string FileName(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FailureMessage(const std::string& host, const std::vector<UploadedFile>& files,
                           const std::vector<std::string>& notStored, const std::string& firstError)
{
    std::string message = "Calendar files not sent to " + host + ": "
                          + std::to_string(files.size() - notStored.size()) + " of "
                          + std::to_string(files.size()) + " files stored. Not stored: ";
    for (std::size_t i = 0; i < notStored.size(); ++i)
        message += (i ? ", " : "") + notStored[i];
    return message + ". First failure: " + firstError;
}

}  // namespace

std::vector<UploadedFile> FilesToPublish(const CalendarContext& context)
{
    const CalendarSettings& s = context.Settings;
    std::vector<std::string> names = {"calendar", "current"};
    if (HasMonthPart(s))
        for (int month = 1; month <= 12; ++month)
            names.push_back(MonthPart(s, context.Language.MonthNames, month));
    std::vector<UploadedFile> files;
    for (const std::string& name : names)
        files.push_back(
            {s.HTMLPATH + name + s.FILEEXTENSION, s.FTPREMOTEDIR + name + s.FILEEXTENSION});
    if (s.ICSFEED)
        files.push_back({s.HTMLPATH + IcsFeedFileName, s.FTPREMOTEDIR + IcsFeedFileName, true});
    return files;
}

std::string MaskedSessionLine(const std::string& line)
{
    const std::string pass = "> PASS ";
    if (line.compare(0, pass.size(), pass) == 0)
        return pass + "********";
    return line;
}

PublishOutcome PublishCalendar(CalendarContext& context, net::TFtpClient& client,
                               const PageWriterHooks& hooks,
                               const std::function<void(const std::string&)>& sessionLog,
                               const PublishProgress& progress, int timeoutSeconds)
{
    const CalendarSettings& s = context.Settings;
    if (!FtpSettingsComplete(s))
        return {false, FtpSettingsIncomplete};
    WriteCalendarPages(context, hooks);

    ConfigureClient(client, s, timeoutSeconds);
    client.OnDisplay = [&sessionLog](std::string& line) {
        if (sessionLog)
            sessionLog(MaskedSessionLine(line));
    };
    std::vector<UploadedFile> files = FilesToPublish(context);
    std::vector<std::string> notStored;
    std::string firstError;

    UploadSession session(client, sessionLog);
    if (!session.Open()) {
        // Nothing can be sent. A session that is still connected (a refused log-on) is
        // ended with QUIT so the server sees a clean end.
        firstError = client.ErrorMessage();
        if (client.Connected())
            client.QuitSession();
        for (const UploadedFile& file : files)
            notStored.push_back(FileName(file.HostFileName));
        client.OnDisplay = nullptr;
        return {false, FailureMessage(s.FTPHOST, files, notStored, firstError)};
    }
    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        const UploadedFile& file = files[static_cast<std::size_t>(index - 1)];
        if (progress)
            progress(index, count, file.HostFileName);
        if (session.Store(file))
            continue;
        if (firstError.empty())
            firstError = client.ErrorMessage();
        notStored.push_back(FileName(file.HostFileName));
    }
    client.QuitSession();
    client.OnDisplay = nullptr;
    if (!notStored.empty())
        return {false, FailureMessage(s.FTPHOST, files, notStored, firstError)};
    return {true, "Calendar files sent to " + s.FTPHOST
                      + (session.SwitchedToPassive() ? " (passive mode)" : "")};
}

}  // namespace mondeliar
