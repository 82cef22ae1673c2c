#pragma once
// Publishing the default calendar of a scratch folder to a real FTP server (pyftpdlib) on
// loopback, through mondeliar-cli or in this process.

#include "base/files.h"
#include "config/calendar_context.h"
#include "net/ftp_client.h"
#include "net/test_support.h"
#include "publish/publish_command.h"
#include "support/test_support.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>

namespace mondeliar {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

inline const std::vector<std::string> EnglishPages
    = {"calendar.html",  "current.html", "January.html",  "February.html", "March.html",
       "April.html",     "May.html",     "June.html",     "July.html",     "August.html",
       "September.html", "October.html", "November.html", "December.html"};

struct RunResult {
    int status;
    std::string err;
};

inline std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

inline std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// 5 February 2002, `minute` minutes past ten, local time: the moment PublishHere writes at.
inline std::tm MinutesPastTen(int minute)
{
    std::tm moment{};
    moment.tm_year = 102;
    moment.tm_mon = 1;
    moment.tm_mday = 5;
    moment.tm_hour = 10;
    moment.tm_min = minute;
    return moment;
}

class PublishTest : public ::testing::Test {
protected:
    PublishTest()
    {
        std::filesystem::create_directories(dir / "calendars");
        std::filesystem::create_directories(dir / "site");
    }

    // The default calendar's settings: pages in "site/", the FTP account of the server.
    void Configure(std::map<std::string, std::string> changes = {})
    {
        std::map<std::string, std::string> values = {
            {"HTMLPATH", dir / "site/"},
            {"FTPHOST", "127.0.0.1"},
            {"FTPPORT", std::to_string(server.Port())},
            {"FTPUSER", "tester"},
            {"FTPPASSWORD", "secret"},
            {"FTPREMOTEDIR", "/"},
        };
        for (const auto& [key, value] : changes)
            values[key] = value;
        std::string file;
        for (const auto& [key, value] : values)
            file += key + "=" + value + "\r\n";
        WriteFile(dir / "calendars/default calendar.cfg", file);
    }

    RunResult Publish(const std::string& options = "")
    {
        std::string command = "cd '" + dir.Path() + "' && '" MONDELIAR_CLI "' --today 2002-02-05 "
                              + options + " publish 2>'" + (logs / "err") + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(logs / "err")};
    }

    std::vector<std::string> ServerFiles() const { return FilesIn(server.Root()); }

    std::string ServerFile(const std::string& name) const
    {
        return ReadFile(server.Root() + "/" + name);
    }

    // The commands of the session log, "PASS ********" included.
    static std::vector<std::string> Commands(const std::string& log)
    {
        std::vector<std::string> commands;
        for (const std::string& line : SplitLines(log))
            if (line.rfind("> ", 0) == 0)
                commands.push_back(line.substr(2));
        return commands;
    }

    // A publish as the window runs it: the calendar loaded afresh (notes and settings as the
    // files now hold them), written `minute` minutes past ten; `adjust` may change the request.
    PublishOutcome PublishHere(int minute, bool uploadAll = false,
                               const std::function<void(PublishRequest&)>& adjust = {})
    {
        testing::RecordingMessages messages;
        CalendarContext context(ExecutableFolder(), dir.Path(), Date{2002, 2, 5}, messages);
        StartUp(context);
        PublishRequest request;
        log.clear();
        request.SessionLog = [this](const std::string& line) { log.push_back(line); };
        request.Hooks.Now = [minute] { return MinutesPastTen(minute); };
        // The feed's stamp, 5 February 2002, the same minute past ten (UTC).
        request.Hooks.Clock = [minute] { return std::time_t{1012903200} + 60 * minute; };
        request.UploadAll = uploadAll;
        if (adjust)
            adjust(request);
        return PublishCalendar(context, request);
    }

    // The files stored by the last PublishHere, by their remote names.
    std::vector<std::string> StoredHere() const
    {
        std::vector<std::string> stored;
        for (const std::string& line : log)
            if (line.rfind("> STOR ", 0) == 0)
                stored.push_back(line.substr(7));
        return stored;
    }

    net::testing::PyFtpServer server;
    TempDir dir;
    std::vector<std::string> log;
    TempDir logs;
};

inline std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

inline std::size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(prefix, 0) == 0; }));
}

}  // namespace mondeliar
