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

namespace mondeliar {

using testing::CountPrefix;
using testing::CrLfLines;
using testing::DataCut;
using testing::FilesIn;
using testing::FtpScript;
using testing::ReadFile;
using testing::ScriptedFtpServer;
using testing::Sorted;
using testing::SplitLines;
using testing::TempDir;
using testing::WriteFile;

inline const std::vector<std::string> EnglishPages
    = {"calendar.html",  "current.html", "January.html",  "February.html", "March.html",
       "April.html",     "May.html",     "June.html",     "July.html",     "August.html",
       "September.html", "October.html", "November.html", "December.html"};

// The names of `pages` as they are stored.
inline std::vector<std::string> RemoteNames(const std::vector<std::string>& pages)
{
    std::vector<std::string> names;
    for (const std::string& page : pages)
        names.push_back("/" + page);
    return names;
}

using RunResult = testing::ShellRun;

inline std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// mondeliar-cli publishing the default calendar of a data folder on 5 February 2002.
inline RunResult PublishWithCli(const std::string& folder, const std::string& options = "")
{
    return testing::RunShell("cd '" + folder + "' && '" MONDELIAR_CLI "' --today 2002-02-05 "
                             + options + " publish");
}

// A settings file of these keys, in their order.
inline std::string SettingsText(const std::map<std::string, std::string>& values)
{
    std::string file;
    for (const auto& [key, value] : values)
        file += key + "=" + value + "\r\n";
    return file;
}

// 5 February 2002, `minute` minutes past ten, local time: the moment PublishHere writes at.
inline std::tm MinutesPastTen(int minute)
{
    return testing::LocalTime(2002, 2, 5, 10, minute);
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
        WriteFile(dir / "calendars/default calendar.cfg", SettingsText(values));
    }

    RunResult Publish(const std::string& options = "") { return PublishWithCli(dir.Path(), options); }

    std::vector<std::string> ServerFiles() const { return FilesIn(server.Root()); }

    std::string ServerFile(const std::string& name) const
    {
        return ReadFile(server.Root() + "/" + name);
    }

    // The commands of the session log, "PASS ********" included.
    static std::vector<std::string> Commands(const std::string& log)
    {
        return net::testing::SentCommands(SplitLines(log));
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
};

}  // namespace mondeliar
