// mondeliar-cli run as a process in a fresh working folder.

#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

class CliRunTest : public ::testing::Test {
protected:
    RunResult Run(const std::string& arguments)
    {
        std::string command = "cd '" + dir.Path() + "' && '" MONDELIAR_CLI "' " + arguments + " >'"
                              + (logs / "out") + "' 2>'" + (logs / "err") + "'";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(logs / "out"),
                ReadFile(logs / "err")};
    }

    // Points the default calendar's pages to "site/" of the working folder.
    void UseSiteFolder(const std::string& extra = "")
    {
        std::filesystem::create_directories(dir / "calendars");
        std::filesystem::create_directories(dir / "site");
        WriteFile(dir / "calendars/default calendar.cfg",
                  "HTMLPATH=" + (dir / "site/") + "\r\n" + extra);
    }

    TempDir dir;
    TempDir logs;
};

TEST_F(CliRunTest, HelpDocumentsEveryOption)
{
    RunResult result = Run("--help");
    EXPECT_EQ(result.status, 0);
    for (const char* word :
         {"--calendar NAME", "--today YYYY-MM-DD", "--verbose", "write", "publish", "--help"})
        EXPECT_NE(result.out.find(word), std::string::npos) << word;
}

TEST_F(CliRunTest, FirstWriteCreatesTheCalendarAndThePages)
{
    UseSiteFolder();
    WriteFile(dir / "pagetrim.header", "<P>from the working folder</P>\r\n");
    WriteFile(dir / "calendars/default calendar.cfg",
              "HTMLPATH=" + (dir / "site/") + "\r\nHTMLOPTION=2\r\n");
    RunResult result = Run("--today 2002-06-10 write");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(std::filesystem::exists(dir / "calendars/default calendar"));
    EXPECT_TRUE(std::filesystem::exists(dir / "calendars/default calendar.rcr"));
    EXPECT_EQ(ReadFile(dir / "site/current.html"), ReadFile(dir / "site/June.html"));
    EXPECT_NE(ReadFile(dir / "site/June.html").find("<P>from the working folder</P>\r\n"),
              std::string::npos);
}

TEST_F(CliRunTest, NamedCalendarIsLoadedLikeASwitch)
{
    UseSiteFolder();
    WriteFile(dir / "calendars/club", "\"3\",\"9\",\"2002\",\"Club night\"\r\n");
    WriteFile(dir / "calendars/club.cfg",
              "HTMLPATH=" + (dir / "site/") + "\r\nLANGUAGESELECTED=German\r\n");
    WriteFile(dir / "calendars/club.rcr", "\"3\",\"1\",\"Founding day\"\r\n");
    RunResult result = Run("--calendar club --today 2002-03-01 write");
    EXPECT_EQ(result.status, 0) << result.err;
    std::string march = ReadFile(dir / "site/M\xE4rz.html");
    EXPECT_NE(march.find("Club night"), std::string::npos);
    EXPECT_NE(march.find("Founding day"), std::string::npos);
}

TEST_F(CliRunTest, ErrorsGoToStderrWithTheReportTextAndExitOne)
{
    struct Case {
        std::string arguments;
        std::function<void()> arrange;
        std::string err;
    };
    Case cases[] = {
        {"--calendar nowhere write", [] {}, "File not found.\n"},
        {"write", [this] { UseSiteFolder("SELECTEDSTARTMONTH=x\r\n"); },
         "'x' is not a valid integer value.\n"},
        {"write", [this] { UseSiteFolder("STARTYEAR=2\r\nSELECTEDSTARTMONTH=1\r\n"); },
         "The selected start year 0 is not a year from 1 on.\n"},
        {"write",
         [this] {
             UseSiteFolder();
             std::filesystem::remove_all(dir / "site");
         },
         "Invalid filename.\n"},
        {"frobnicate", [] {}, "Unknown command \"frobnicate\" (try --help).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        std::filesystem::remove_all(dir / "calendars");
        c.arrange();
        RunResult result = Run(c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST_F(CliRunTest, UncreatableCalendarsFolderIsFatal)
{
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "the superuser may create folders anywhere";
    ::chmod(dir.Path().c_str(), 0555);
    RunResult result = Run("write");
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "FATAL ERROR: Cannot create calendars directory.\n");
}

}  // namespace
}  // namespace mondeliar
