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

// The client as the program always uses it: active data connections, no TYPE command, a
// 15-second limit on every wait.
void ConfigureClient(net::TFtpClient& client, const CalendarSettings& s)
{
    client.SetTimeout(15);
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
    client.SetUsePasv(false);
}

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
                               const PublishProgress& progress)
{
    const CalendarSettings& s = context.Settings;
    if (!FtpSettingsComplete(s))
        return {false, FtpSettingsIncomplete};
    WriteCalendarPages(context, hooks);

    ConfigureClient(client, s);
    client.OnDisplay = [&sessionLog](std::string& line) {
        if (sessionLog)
            sessionLog(MaskedSessionLine(line));
    };
    std::vector<UploadedFile> files = FilesToPublish(context);
    std::vector<std::string> notStored;
    std::string firstError;

    if (!client.OpenSession()) {
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
    bool binaryType = false;
    const int count = static_cast<int>(files.size());
    for (int index = 1; index <= count; ++index) {
        const UploadedFile& file = files[static_cast<std::size_t>(index - 1)];
        if (progress)
            progress(index, count, file.HostFileName);
        // A refused TYPE I still lets the file go, in the server's default type.
        if (file.Binary && !binaryType)
            binaryType = client.TypeBinary();
        client.SetLocalFileName(file.LocalFileName);
        client.SetHostFileName(file.HostFileName);
        if (client.StoreFile())
            continue;
        if (firstError.empty())
            firstError = client.ErrorMessage();
        notStored.push_back(FileName(file.HostFileName));
    }
    client.QuitSession();
    client.OnDisplay = nullptr;
    if (!notStored.empty())
        return {false, FailureMessage(s.FTPHOST, files, notStored, firstError)};
    return {true, "Calendar files sent to " + s.FTPHOST};
}

}  // namespace mondeliar
