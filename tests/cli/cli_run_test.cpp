// mondeliar-cli run as a process in a fresh working folder.

#include "base/release.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

using RunResult = testing::ShellRun;

class CliRunTest : public ::testing::Test {
protected:
    // A run that would hang is stopped after a while and gives status 124.
    RunResult Run(const std::string& arguments, const std::string& environment = "")
    {
        return testing::RunShell("cd '" + dir.Path() + "' && env " + environment
                                 + " timeout 30 '" MONDELIAR_CLI "' " + arguments);
    }

    // Points the default calendar's pages to "site/" of the working folder.
    void UseSiteFolder(const std::string& extra = "")
    {
        std::filesystem::create_directories(dir / "calendars");
        std::filesystem::create_directories(dir / "site");
        WriteFile(dir / "calendars/default calendar.cfg",
                  "HTMLPATH=" + (dir / "site/") + "\r\n" + extra);
    }

    // The calendar "club", with one note, its pages in "site/" too.
    void WriteClub(const std::string& settings, const std::string& recurring)
    {
        WriteFile(dir / "calendars/club", "\"3\",\"9\",\"2002\",\"Club night\"\r\n");
        WriteFile(dir / "calendars/club.cfg", "HTMLPATH=" + (dir / "site/") + "\r\n" + settings);
        WriteFile(dir / "calendars/club.rcr", recurring);
    }

    TempDir dir;
};

TEST_F(CliRunTest, HelpDocumentsEveryOption)
{
    RunResult result = Run("--help");
    EXPECT_EQ(result.status, 0);
    for (const char* word :
         {"--data DIR", "--calendar NAME", "--today YYYY-MM-DD", "--verbose", "write", "publish",
          "--help", "--version"})
        EXPECT_NE(result.out.find(word), std::string::npos) << word;
    EXPECT_EQ(Run("--version").out, "mondeliar-cli " + std::string(ReleaseVersion) + "\n");
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
    WriteClub("LANGUAGESELECTED=German\r\n", "\"3\",\"1\",\"Founding day\"\r\n");
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
        {"--calendar nowhere write", [] {}, "File not found: calendars/nowhere.cfg.\n"},
        {"--calendar 'default calendar.cfg' write", [] {},
         "A calendar cannot be called \"default calendar.cfg\": its notes file would be the "
         "settings file of the calendar \"default calendar\".\n"},
        {"write", [this] { UseSiteFolder("SELECTEDSTARTMONTH=x\r\n"); },
         "'x' is not a valid integer value.\n"},
        {"write", [this] { UseSiteFolder("STARTYEAR=2\r\nSELECTEDSTARTMONTH=1\r\n"); },
         "The selected start year 0 is not a year from 1 on.\n"},
        {"write",
         [this] {
             UseSiteFolder();
             std::filesystem::remove_all(dir / "site");
         },
         "Invalid filename: site/January.html.\n"},
        {"frobnicate", [] {}, "Unknown command \"frobnicate\" (try --help).\n"},
        {"--data '' write", [] {}, "The data folder must not be empty.\n"},
        {"--data site/x publish", [this] { WriteFile(dir / "site", ""); },
         "Cannot create the data folder site/x: Not a directory.\n"},
        {"--data site write", [this] { WriteFile(dir / "site", ""); },
         "Cannot open the data folder site: Not a directory.\n"},
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

TEST_F(CliRunTest, HeaderOrFooterFileThatNeverEndsIsRefusedAtOnce)
{
    ::mkfifo((dir / "fifo.html").c_str(), 0600);
    WriteFile(dir / "head.html", "<HTML><BODY>\r\n");
    struct Case {
        std::string header, footer, refused;
    } cases[] = {
        {"/dev/zero", dir / "head.html", "/dev/zero"},
        {dir / "fifo.html", dir / "head.html", dir / "fifo.html"},
        {dir / "head.html", dir / "fifo.html", dir / "fifo.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        UseSiteFolder("HTMLOPTION=1\r\nHEADERFILE=" + c.header + "\r\nFOOTERFILE=" + c.footer
                      + "\r\n");
        RunResult result = Run("--today 2002-06-10 write");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.refused + " is not a regular file.\n");
    }
}

TEST_F(CliRunTest, OversizedExtraHtmlIsRefusedWithItsName)
{
    UseSiteFolder();
    WriteFile(dir / "pagetrim.header", "");
    std::filesystem::resize_file(dir / "pagetrim.header", 16 * 1024 * 1024 + 1);
    RunResult result = Run("--today 2002-06-10 write");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, dir / "pagetrim.header" + " is larger than 16 MiB.\n");
}

TEST_F(CliRunTest, ABrokenDefaultCalendarIsAWarningWhenAnotherIsNamed)
{
    struct Case {
        std::string defaultSettings, clubSettings;
        int status;
        std::string err;
    } cases[] = {
        {"PURGEYEAR=x\r\n", "", 0,
         "Warning: the default calendar could not be loaded: 'x' is not a valid integer "
         "value.\n"},
        {"LANGUAGESELECTED=Nowhere\r\n", "", 0,
         "Warning: the default calendar could not be loaded: File not found: "
             + std::filesystem::path(MONDELIAR_CLI).parent_path().string() + "/Nowhere.lang.\n"},
        {"PURGEYEAR=x\r\n", "BORDER=1\r\nSTARTWEEK=y\r\n", 1,
         "Warning: the default calendar could not be loaded: 'x' is not a valid integer "
         "value.\n'y' is not a valid integer value.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.defaultSettings + c.clubSettings);
        std::filesystem::remove_all(dir / "calendars");
        std::filesystem::remove_all(dir / "site");
        UseSiteFolder(c.defaultSettings);
        WriteClub(c.clubSettings, "");
        RunResult result = Run("--calendar club --today 2002-03-01 write");
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(ReadFile(dir / "site/March.html").find("Club night") != std::string::npos,
                  c.status == 0);
    }
    RunResult withoutCalendar = Run("--today 2002-03-01 write");
    EXPECT_EQ(withoutCalendar.status, 1);
    EXPECT_EQ(withoutCalendar.err, "'x' is not a valid integer value.\n");
}

// ko_KR writes its dates with Hangul: the page must carry them as references, in the
// page's own Windows-1252.
TEST_F(CliRunTest, LastUpdatedTextOfAUtf8LocaleIsConverted)
{
    TempDir locales;
    std::string generate
        = "localedef -i ko_KR -f UTF-8 '" + (locales / "ko_KR.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(generate.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot make ko_KR.UTF-8 here";
    UseSiteFolder();
    // glibc never frees the folder list it builds from LOCPATH; only this test sets it.
    RunResult result
        = Run("--today 2002-06-10 write", "-u LC_ALL LC_TIME=ko_KR.UTF-8 LOCPATH='" + locales.Path()
                                              + "' ASAN_OPTIONS=detect_leaks=0");
    ASSERT_EQ(result.status, 0) << result.err;
    std::string june = ReadFile(dir / "site/June.html");
    std::size_t updated = june.find("This page was last updated on ");
    ASSERT_NE(updated, std::string::npos);
    EXPECT_EQ(june.substr(updated + 34, 9), "&#45380; ") << june.substr(updated, 80);
    for (char c : june)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80u) << "no UTF-8 in the page";
}

// --data: the program runs as if started in that folder, which is made when missing; a
// leading "~" is the home folder. The publish part, run in the cli's place, enters it once.
TEST_F(CliRunTest, DataFolderIsEnteredAsIfStartedThere)
{
    std::filesystem::create_directories(dir / "home/cal/calendars");
    WriteFile(dir / "home/cal/calendars/default calendar.cfg", "HTMLPATH=site/\r\n");
    std::filesystem::create_directories(dir / "home/cal/site");
    RunResult result = Run("--data '~/cal' --today 2002-06-10 write", "HOME='" + (dir / "home") + "'");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "home/cal/site/June.html"));
    EXPECT_TRUE(std::filesystem::exists(dir / "home/cal/calendars/default calendar.rcr"));

    result = Run("--data new/cal publish");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "FTP settings are not complete\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "new/cal/calendars/default calendar"));
    EXPECT_FALSE(std::filesystem::exists(dir / "new/cal/new"));
}

// Writing needs nothing of Qt; loading it would be most of a write's time.
TEST_F(CliRunTest, TheWriteExecutableLinksNoQt)
{
    const RunResult ldd = testing::RunShell("ldd '" MONDELIAR_CLI "'");
    ASSERT_EQ(ldd.status, 0);
    const std::string& libraries = ldd.out;
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("Qt"), std::string::npos) << libraries;
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
