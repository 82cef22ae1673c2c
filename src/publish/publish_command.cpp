#include "publish/publish_command.h"

#include "config/calendar_files.h"
#include "html/ics_feed.h"
#include "html/page_names.h"
#include "html/write_command.h"
#include "net/ftp_client.h"
#include "publish/sftp_road.h"
#include "publish/upload_plan.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mondeliar {

const char* const FtpSettingsIncomplete = "FTP settings are not complete";

namespace {

// Over SFTP a key may log on instead of the password.
bool FtpSettingsComplete(const CalendarSettings& s)
{
    return !s.FTPHOST.empty() && !s.FTPPORT.empty() && !s.FTPUSER.empty()
           && (s.SFTP || !s.FTPPASSWORD.empty()) && !s.FTPREMOTEDIR.empty();
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

// Held while the calendar is published (flock on its lock file). A lock file that cannot be
// made does not keep the calendar from being published.
class PublishLock {
public:
    PublishLock(const std::string& path, int waitSeconds)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
        if (fd_ < 0)
            return;
        constexpr int PollMs = 100;
        for (int waited = 0;; waited += PollMs) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
                return;
            if (waited >= waitSeconds * 1000)
                break;
            ::usleep(PollMs * 1000);
        }
        busy_ = true;
    }
    ~PublishLock()
    {
        if (fd_ >= 0)
            ::close(fd_);  // and the lock with it
    }
    PublishLock(const PublishLock&) = delete;
    PublishLock& operator=(const PublishLock&) = delete;
    bool Busy() const { return busy_; }

private:
    int fd_ = -1;
    bool busy_ = false;  // another process held the lock for the whole wait
};

std::string FileName(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The FTP session of a publish: every file of the plan, then QUIT.
PublishOutcome Upload(net::TFtpClient& client, const std::string& host, bool atomic,
                      UploadPlan& plan, const PublishRequest& request)
{
    const std::vector<UploadedFile>& files = plan.Files();
    std::vector<std::string> notStored;
    std::string firstError;
    UploadSession session(client, request.SessionLog, atomic);
    if (!session.Open()) {
        // Nothing can be sent. A session that is still connected (a refused log-on) is
        // ended with QUIT so the server sees a clean end.
        if (client.Connected())
            client.QuitSession();
        for (const UploadedFile& file : files)
            notStored.push_back(file.HostFileName);
        return {false, UploadFailureMessage(host, files, notStored, session.Error())};
    }
    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        const UploadedFile& file = files[static_cast<std::size_t>(index - 1)];
        if (request.Progress)
            request.Progress(index, count, file.HostFileName);
        if (session.Store(file)) {
            plan.Stored(file);
            continue;
        }
        if (firstError.empty())
            firstError = session.Error();
        notStored.push_back(file.HostFileName);
    }
    client.QuitSession();
    if (!notStored.empty())
        return {false, UploadFailureMessage(host, files, notStored, firstError)};
    return {true, plan.SentMessage(session.SwitchedToPassive())};
}

}  // namespace

std::string UploadFailureMessage(const std::string& host, const std::vector<UploadedFile>& files,
                                 const std::vector<std::string>& notStored,
                                 const std::string& firstError)
{
    std::string message = "Calendar files not sent to " + host + ": "
                          + std::to_string(files.size() - notStored.size()) + " of "
                          + std::to_string(files.size()) + " files stored. Not stored: ";
    for (std::size_t i = 0; i < notStored.size(); ++i)
        message += (i ? ", " : "") + FileName(notStored[i]);
    return message + ". First failure: " + firstError;
}

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
                               const PublishRequest& request)
{
    const CalendarSettings& s = context.Settings;
    if (!FtpSettingsComplete(s))
        return {false, FtpSettingsIncomplete};
    const PublishLock lock(
        CalendarFiles(context.CalendarsFolder(), context.CalendarName).PublishLock,
        request.LockWaitSeconds);
    if (lock.Busy())
        return {false,
                "Calendar \"" + context.CalendarName + "\" is being published by another process"};
    // One moment for every page, so that its last-updated line can be told apart.
    PageWriterHooks hooks = request.Hooks;
    const std::tm moment = hooks.Now ? hooks.Now() : CurrentLocalTime();
    hooks.Now = [moment] { return moment; };
    WriteCalendarPages(context, hooks);

    UploadPlan plan(context, FilesToPublish(context), request.UploadAll,
                    LastUpdatedLine(moment) + "\r\n");
    if (plan.Files().empty())
        return {true, plan.SentMessage(false)};
    if (s.SFTP) {
        PublishOutcome outcome = PublishOverSftp(context, plan, request);
        plan.KeepRecord(outcome.Message);
        return outcome;
    }

    ConfigureClient(client, s, request.TimeoutSeconds);
    client.OnDisplay = [&request](std::string& line) {
        if (request.SessionLog)
            request.SessionLog(MaskedSessionLine(line));
    };
    PublishOutcome outcome = Upload(client, s.FTPHOST, s.FTPATOMIC, plan, request);
    client.OnDisplay = nullptr;
    plan.KeepRecord(outcome.Message);
    return outcome;
}

}  // namespace mondeliar
