#include "publish/publish_command.h"

#include "config/calendar_files.h"
#include "html/ics_feed.h"
#include "html/page_names.h"
#include "html/write_command.h"
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

// One session of the uploader: every file of the plan, then its end.
PublishOutcome Upload(Uploader& uploader, UploadPlan& plan, const PublishRequest& request)
{
    const std::string& host = plan.HostLabel();
    const std::vector<UploadedFile>& files = plan.Files();
    std::vector<std::string> notStored;
    std::string firstError;
    if (!uploader.Open()) {
        for (const UploadedFile& file : files)
            notStored.push_back(FileName(file.HostFileName));
        return {PublishResult::Failed, FailureMessage(host, files, notStored, uploader.Error())};
    }
    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        const UploadedFile& file = files[static_cast<std::size_t>(index - 1)];
        if (request.Progress)
            request.Progress(index, count, file.HostFileName);
        if (uploader.Store(file)) {
            plan.Stored(file);
            continue;
        }
        if (firstError.empty())
            firstError = uploader.Error();
        notStored.push_back(FileName(file.HostFileName));
    }
    uploader.Close();
    if (!notStored.empty())
        return {PublishResult::Failed, FailureMessage(host, files, notStored, firstError)};
    return {PublishResult::Sent, plan.SentMessage(uploader.SentNote())};
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

PublishOutcome PublishCalendar(CalendarContext& context, const PublishRequest& request)
{
    const CalendarSettings& s = context.Settings;
    if (!FtpSettingsComplete(s))
        return {PublishResult::SettingsIncomplete, FtpSettingsIncomplete};
    const PublishLock lock(
        CalendarFiles(context.CalendarsFolder(), context.CalendarName).PublishLock,
        request.LockWaitSeconds);
    if (lock.Busy())
        return {PublishResult::Busy,
                "Calendar \"" + context.CalendarName + "\" is being published by another process"};
    // One moment for every page, so that its last-updated line can be told apart.
    PageWriterHooks hooks = request.Hooks;
    const std::tm moment = hooks.Now ? hooks.Now() : CurrentLocalTime();
    hooks.Now = [moment] { return moment; };
    WriteCalendarPages(context, hooks);

    UploadPlan plan(context, FilesToPublish(context), request.UploadAll,
                    PageLastUpdatedLine(s, moment) + "\r\n");
    if (plan.Files().empty())
        return {PublishResult::NothingChanged, plan.SentMessage("")};

    const std::unique_ptr<Uploader> uploader = MakeUploader(context, request);
    PublishOutcome outcome = Upload(*uploader, plan, request);
    plan.KeepRecord(outcome.Message);
    return outcome;
}

}  // namespace mondeliar
