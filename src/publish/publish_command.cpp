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

constexpr const char* NothingSent = "Nothing was sent.";

std::string NameList(const std::vector<std::string>& names)
{
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += (i ? ", " : "") + names[i];
    return list;
}

std::string FailureMessage(const std::string& host, const std::vector<UploadedFile>& files,
                           const std::vector<std::string>& notStored, const std::string& firstError)
{
    return "Calendar files not sent to " + host + ": "
           + std::to_string(files.size() - notStored.size()) + " of "
           + std::to_string(files.size()) + " files stored. Not stored: " + NameList(notStored)
           + ". First failure: " + firstError;
}

// What became of the files, after the sentence that says what went wrong.
std::string StoredText(std::size_t count, const std::vector<std::string>& stored,
                       const std::vector<std::string>& notStored, bool cancelled)
{
    if (stored.empty())
        return NothingSent;
    std::string text = std::to_string(stored.size()) + " of " + std::to_string(count)
                       + (stored.size() == 1 ? " file was" : " files were") + " stored";
    if (cancelled)
        return text + ": " + NameList(stored) + ".";
    return text + "; not stored: " + NameList(notStored) + ".";
}

// How one session went: which files were stored, and the first failure.
struct SessionReport {
    bool Opened = false;
    bool Cancelled = false;
    std::vector<std::string> Stored;
    std::vector<std::string> NotStored;
    std::string FirstError;       // the uploader's own text
    std::string FirstPlainError;  // the same as a sentence
};

PublishOutcome Outcome(const SessionReport& report, const UploadPlan& plan, const Uploader& uploader)
{
    const std::string& host = plan.HostLabel();
    const std::size_t count = plan.Files().size();
    if (report.Cancelled) {
        const std::string text = "Publishing to " + host + " was cancelled. "
                                 + StoredText(count, report.Stored, report.NotStored, true);
        return {PublishResult::Cancelled, text};
    }
    if (report.NotStored.empty())
        return {PublishResult::Sent, plan.SentMessage(uploader.SentNote())};
    PublishOutcome outcome(PublishResult::Failed,
                           FailureMessage(host, plan.Files(), report.NotStored, report.FirstError));
    // Only a session that was opened can have stored anything.
    outcome.PlainText = report.FirstPlainError;
    if (report.Opened)
        outcome.PlainText += " " + StoredText(count, report.Stored, report.NotStored, false);
    else if (report.FirstPlainError.find(NothingSent) == std::string::npos)
        outcome.PlainText += std::string(" ") + NothingSent;
    return outcome;
}

// The cancel reaches the uploader while the session runs.
class CancelHook {
public:
    CancelHook(PublishCancel* cancel, Uploader& uploader) : cancel_(cancel)
    {
        if (cancel_)
            cancel_->Attach([&uploader] { uploader.Cancel(); });
    }
    ~CancelHook()
    {
        if (cancel_)
            cancel_->Detach();
    }
    CancelHook(const CancelHook&) = delete;
    CancelHook& operator=(const CancelHook&) = delete;
    bool Cancelled() const { return cancel_ && cancel_->Cancelled(); }

private:
    PublishCancel* cancel_;
};

// One session of the uploader: every file of the plan, then its end. After a cancel no file
// goes any more.
PublishOutcome Upload(Uploader& uploader, UploadPlan& plan, const PublishRequest& request)
{
    const CancelHook cancel(request.Cancel, uploader);
    const std::vector<UploadedFile>& files = plan.Files();
    SessionReport report;
    report.Opened = !cancel.Cancelled() && uploader.Open();
    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        const UploadedFile& file = files[static_cast<std::size_t>(index - 1)];
        const std::string name = FileName(file.HostFileName);
        if (report.Opened && !cancel.Cancelled()) {
            if (request.Progress)
                request.Progress(index, count, file.HostFileName);
            if (uploader.Store(file)) {
                plan.Stored(file);
                report.Stored.push_back(name);
                continue;
            }
        }
        if (report.FirstError.empty() && !cancel.Cancelled()) {
            report.FirstError = uploader.Error();
            report.FirstPlainError = uploader.PlainError();
        }
        report.NotStored.push_back(name);
    }
    if (report.Opened)
        uploader.Close();
    report.Cancelled = cancel.Cancelled();
    return Outcome(report, plan, uploader);
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
    std::string recordNote;
    plan.KeepRecord(recordNote);
    outcome.Message += recordNote;
    outcome.PlainText += recordNote;
    return outcome;
}

}  // namespace mondeliar
