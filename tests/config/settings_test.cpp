#include "base/errors.h"
#include "config/calendar_settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::vector<std::string> DefaultFileLines = {
    "NOTEPATH=",
    "NOTEPATH=calendars/",
    "PURGEYEAR=2000",
    "PURGEMONTH=1",
    "PURGEDAY=1",
    "HTMLPATH=/opt/mondeliar/",
    "STARTYEAR=0",
    "HTMLFILENAME=0",
    "FILEEXTENSION=.html",
    "STARTWEEK=0",
    "ADDYEAR=FALSE",
    "ALLOWLINK=TRUE",
    "SELECTEDSTARTMONTH=1",
    "SELECTEDSTARTYEAR=1",
    "FTPUSER=",
    "FTPHOST=",
    "FTPPORT=21",
    "FTPPASSWORD=",
    "FTPREMOTEDIR=",
    "LANGUAGESELECTED=English",
    "LANGUAGEOPTIONS=0",
    "ALIGNTABLE=1",
    "ALIGNDATE=0",
    "MONTHLINKS=3",
    "COLUMNWIDTH=",
    "ROWHEIGHT=",
    "YEARLABEL=1",
    "MONTHLABEL=1",
    "HEADINGTAGYEAR=H1",
    "HEADINGTAGMONTH=H3",
    "HEADINGTAGDAY=H4",
    "STYLESHEET=",
    "BORDER=5",
    "WIDTH=100",
    "BACKGROUNDIMAGE=",
    "FONTFACE=Verdana",
    "DISPLAYWEBPAGETITLE=FALSE",
    "LASTUPDATE=TRUE",
    "USEBORDERCOLOR=FALSE",
    "NOTEDIVIDER=<BR><BR>",
    "COLORMAINBG=FFFFFF",
    "COLORMAINFG=000000",
    "COLORMONTHNAMEBG=FFFFFF",
    "COLORMONTHNAMEFG=000000",
    "COLORDAYNAMEBG=FFFFFF",
    "COLORDAYNAMEFG=000000",
    "COLORBLANKCELLBG=FFFFFF",
    "COLORDATESBG=FFFFFF",
    "COLORDATESFG=000000",
    "COLORNOTESBG=FFFFFF",
    "COLORNOTESFG=000000",
    "COLORBORDER=C0C0C0",
    "TITLE=Calendar",
    "DESCRIPTION=",
    "REPLYTO=webmaster",
    "AUTHOR=Pellworth",
    "ADDMONTHTOTITLE=TRUE",
    "KEYWORDS=",
    "HTMLOPTION=0",
    "FOOTERFILE=",
    "HEADERFILE=",
};

class SettingsTest : public ::testing::Test {
protected:
    CalendarSettings LoadLines(const std::vector<std::string>& lines,
                               CalendarSettings settings = {})
    {
        WriteFile(path, CrLfLines(lines));
        LoadConfig(settings, path);
        return settings;
    }

    TempDir dir;
    std::string path = dir / "default calendar.cfg";
};

TEST_F(SettingsTest, DefaultFileHoldsTheSixtyOneLinesInOrder)
{
    SaveConfig(CalendarSettings{}, path, SaveMode::Defaults, "/opt/mondeliar/");
    EXPECT_EQ(ReadFile(path), CrLfLines(DefaultFileLines));
    EXPECT_EQ(DefaultFileLines.size(), 61u);
}

TEST_F(SettingsTest, DefaultModeIgnoresTheRecordButForTheFirstNotePath)
{
    CalendarSettings settings;
    settings.NOTEPATH = "elsewhere/";
    settings.TITLE = "Mine";
    SaveConfig(settings, path, SaveMode::Defaults, "/opt/mondeliar/");
    std::vector<std::string> expected = DefaultFileLines;
    expected[0] = "NOTEPATH=elsewhere/";
    EXPECT_EQ(ReadFile(path), CrLfLines(expected));
}

TEST_F(SettingsTest, SettingsFileIsReadableByItsOwnerOnly)
{
    SaveConfig(CalendarSettings{}, path, SaveMode::Defaults, "/");
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SettingsTest, DefaultFileLoadsBackWithItsOwnValues)
{
    SaveConfig(CalendarSettings{}, path, SaveMode::Defaults, "/opt/mondeliar/");
    CalendarSettings settings;
    LoadConfig(settings, path);
    EXPECT_FALSE(settings.COLUMNWIDTH);
    EXPECT_FALSE(settings.ROWHEIGHT);
    EXPECT_EQ(settings.FTPPORT, "21");
    EXPECT_EQ(settings.SELECTEDSTARTMONTH, 1);
    EXPECT_EQ(settings.SELECTEDSTARTYEAR, 1);
    EXPECT_EQ(settings.FILEEXTENSION, ".html");
    EXPECT_EQ(settings.NOTEPATH, "calendars/");
    EXPECT_EQ(settings.HTMLPATH, "/opt/mondeliar/");
    EXPECT_TRUE(settings.ALLOWLINK);
}

TEST_F(SettingsTest, MissingKeysTakeTheirPresetsExceptNotePathAndAllowLink)
{
    CalendarSettings before;
    before.NOTEPATH = "kept/";
    before.ALLOWLINK = true;
    before.FTPHOST = "stale.example";
    CalendarSettings settings = LoadLines({"TITLE=Hello"}, before);
    EXPECT_EQ(settings.TITLE, "Hello");
    EXPECT_EQ(settings.NOTEPATH, "kept/");
    EXPECT_TRUE(settings.ALLOWLINK);
    EXPECT_EQ(settings.FTPHOST, "");
    EXPECT_EQ(settings.HTMLPATH, "/");
    EXPECT_EQ(settings.FTPPORT, "");
    EXPECT_TRUE(settings.COLUMNWIDTH);
    EXPECT_FALSE(settings.ROWHEIGHT);
    EXPECT_EQ(settings.SELECTEDSTARTMONTH, 0);
    EXPECT_EQ(settings.SELECTEDSTARTYEAR, 0);
    EXPECT_EQ(settings.PURGEYEAR, 2000);
    EXPECT_EQ(settings.MONTHLINKS, 3);
    EXPECT_EQ(settings.ALIGNTABLE, 1);
    EXPECT_EQ(settings.NOTEDIVIDER, "<BR><BR>");
    EXPECT_EQ(settings.COLORBORDER, "C0C0C0");
    EXPECT_EQ(settings.AUTHOR, "Pellworth");
    EXPECT_TRUE(settings.LASTUPDATE);
    EXPECT_TRUE(settings.ADDMONTHTOTITLE);
}

TEST_F(SettingsTest, ReadsEachLineByItsKeyRules)
{
    struct Case {
        std::vector<std::string> lines;
        std::function<void(const CalendarSettings&)> check;
        const char* what;
    } cases[] = {
        {{"title=Hello"}, [](auto& s) { EXPECT_EQ(s.TITLE, "Hello"); }, "keys ignore case"},
        {{"TITLE =Hello"}, [](auto& s) { EXPECT_EQ(s.TITLE, "Calendar"); }, "blank in key"},
        {{"TITLE=a=b"}, [](auto& s) { EXPECT_EQ(s.TITLE, "a=b"); }, "later = in value"},
        {{"TITLE=One", "TITLE=Two"}, [](auto& s) { EXPECT_EQ(s.TITLE, "Two"); }, "last wins"},
        {{"TITLE"}, [](auto& s) { EXPECT_EQ(s.TITLE, "Calendar"); }, "no ="},
        {{"=Hello"}, [](auto& s) { EXPECT_EQ(s.TITLE, "Calendar"); }, "empty key"},
        {{"ADDYEAR=true"}, [](auto& s) { EXPECT_FALSE(s.ADDYEAR); }, "only TRUE is true"},
        {{"ADDYEAR=TRUE"}, [](auto& s) { EXPECT_TRUE(s.ADDYEAR); }, "TRUE"},
        {{"ROWHEIGHT=TRUE "}, [](auto& s) { EXPECT_FALSE(s.ROWHEIGHT); }, "no trimming"},
        {{"STARTYEAR=300"}, [](auto& s) { EXPECT_EQ(s.STARTYEAR, 44); }, "byte width"},
        {{"STARTWEEK=-1"}, [](auto& s) { EXPECT_EQ(s.STARTWEEK, 255); }, "negative byte"},
        {{"PURGEYEAR=70000"}, [](auto& s) { EXPECT_EQ(s.PURGEYEAR, 4464); }, "word width"},
        {{"FONTFACE=" + std::string(40, 'f')},
         [](auto& s) { EXPECT_EQ(s.FONTFACE, std::string(35, 'f')); },
         "text cut"},
        {{"KEYWORDS=" + std::string(300, 'k')},
         [](auto& s) { EXPECT_EQ(s.KEYWORDS.size(), 255u); },
         "keywords cut"},
        {{"FTPPORT=212121"}, [](auto& s) { EXPECT_EQ(s.FTPPORT, "21212"); }, "port cut"},
        {{"NOTEPATH=x/", "NOTEPATH=calendars/"},
         [](auto& s) { EXPECT_EQ(s.NOTEPATH, "calendars/"); },
         "note path"},
        {{"COLORMAINBG=abcdef99"}, [](auto& s) { EXPECT_EQ(s.COLORMAINBG, "abcdef"); }, "colour"},
        {{"HTMLPATH=/www/", "UNKNOWN=1"},
         [](auto& s) { EXPECT_EQ(s.HTMLPATH, "/www/"); },
         "unknown keys ignored"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.check(LoadLines(c.lines));
    }
}

TEST_F(SettingsTest, ABadNumberStopsTheLoadWithTheConversionError)
{
    CalendarSettings settings;
    WriteFile(path, CrLfLines({"TITLE=Read", "BORDER=9", "STARTWEEK=Monday", "AUTHOR=Never"}));
    try {
        LoadConfig(settings, path);
        FAIL() << "no error";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'Monday' is not a valid integer value");
    }
    EXPECT_EQ(settings.TITLE, "Read");
    EXPECT_EQ(settings.BORDER, "9");
    EXPECT_EQ(settings.AUTHOR, "Pellworth");

    WriteFile(path, "PURGEDAY=\r\n");
    EXPECT_THROW(LoadConfig(settings, path), ConversionError);
}

TEST_F(SettingsTest, MissingFileReportsFileNotFound)
{
    CalendarSettings settings;
    try {
        LoadConfig(settings, dir / "none.cfg");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
}

TEST_F(SettingsTest, CurrentModeRoundTripsEveryField)
{
    CalendarSettings original = LoadLines({"TITLE=x"});
    original.NOTEPATH = "old/";
    original.PURGEYEAR = 2001;
    original.PURGEMONTH = 12;
    original.PURGEDAY = 31;
    original.HTMLPATH = "/srv/www/";
    original.STARTYEAR = 2;
    original.STARTWEEK = 6;
    original.SELECTEDSTARTMONTH = 3;
    original.SELECTEDSTARTYEAR = 2001;
    original.HTMLFILENAME = 2;
    original.FILEEXTENSION = ".htm";
    original.ADDYEAR = true;
    original.ALLOWLINK = false;
    original.FTPHOST = "ftp.example.org";
    original.FTPPASSWORD = "p=w";
    original.FTPPORT = "2121";
    original.FTPREMOTEDIR = "/www/";
    original.FTPUSER = "me";
    original.LANGUAGESELECTED = "French";
    original.LANGUAGEOPTIONS = 2;
    original.AUTHOR = "A";
    original.DESCRIPTION = "D";
    original.REPLYTO = "R";
    original.TITLE = "T";
    original.KEYWORDS = ",one,two";
    original.ADDMONTHTOTITLE = false;
    original.ALIGNDATE = 2;
    original.ALIGNTABLE = 0;
    original.BACKGROUNDIMAGE = "bg.gif";
    original.BORDER = "0";
    original.COLUMNWIDTH = true;
    original.LASTUPDATE = false;
    original.DISPLAYWEBPAGETITLE = true;
    original.FONTFACE = "Arial";
    original.HEADINGTAGYEAR = "H2";
    original.HEADINGTAGMONTH = "H4";
    original.HEADINGTAGDAY = "H1";
    original.MONTHLABEL = 2;
    original.MONTHLINKS = 1;
    original.NOTEDIVIDER = "<HR>";
    original.ROWHEIGHT = true;
    original.STYLESHEET = "s.css";
    original.USEBORDERCOLOR = true;
    original.YEARLABEL = 0;
    original.WIDTH = "80";
    original.COLORMAINBG = "010203";
    original.COLORMAINFG = "040506";
    original.COLORMONTHNAMEBG = "070809";
    original.COLORMONTHNAMEFG = "0A0B0C";
    original.COLORDAYNAMEBG = "0D0E0F";
    original.COLORDAYNAMEFG = "101112";
    original.COLORBLANKCELLBG = "131415";
    original.COLORDATESBG = "161718";
    original.COLORDATESFG = "191A1B";
    original.COLORNOTESBG = "1C1D1E";
    original.COLORNOTESFG = "1F2021";
    original.COLORBORDER = "222324";
    original.HTMLOPTION = 1;
    original.HEADERFILE = "/h.html";
    original.FOOTERFILE = "/f.html";
    SaveConfig(original, path, SaveMode::Current, "/ignored/");
    std::string saved = ReadFile(path);

    CalendarSettings loaded;
    LoadConfig(loaded, path);
    SaveConfig(loaded, path, SaveMode::Current, "/ignored/");
    std::string resaved = ReadFile(path);
    EXPECT_EQ(resaved.substr(resaved.find("\r\n")), saved.substr(saved.find("\r\n")));
    EXPECT_EQ(loaded.NOTEPATH, "calendars/");
    EXPECT_EQ(loaded.FTPPASSWORD, "p=w");
    EXPECT_EQ(loaded.SELECTEDSTARTYEAR, 2001);
    EXPECT_TRUE(loaded.ROWHEIGHT);
    EXPECT_FALSE(loaded.ALLOWLINK);
    EXPECT_EQ(loaded.COLORBORDER, "222324");
    EXPECT_EQ(loaded.HEADERFILE, "/h.html");
}

TEST_F(SettingsTest, ALineBreakInAValueCannotAddAKey)
{
    CalendarSettings settings = LoadLines({"TITLE=x"});
    settings.TITLE = "Hi\r\nFTPHOST=evil";
    SaveConfig(settings, path, SaveMode::Current, "/");
    CalendarSettings loaded;
    LoadConfig(loaded, path);
    EXPECT_EQ(loaded.FTPHOST, "");
    EXPECT_EQ(loaded.TITLE, "Hi  FTPHOST=evil");
}

// Keys beyond the classic 61 lines appear after them only when they differ from their
// defaults, so a calendar that never used them keeps its file byte for byte.
TEST_F(SettingsTest, ExtensionKeysAreWrittenAfterTheClassicLinesOnlyWhenSet)
{
    CalendarSettings settings = LoadLines(DefaultFileLines);
    SaveConfig(settings, path, SaveMode::Current, "/ignored/");
    std::vector<std::string> classic = DefaultFileLines;
    classic[0] = "NOTEPATH=calendars/";
    for (std::string& line : classic)
        if (line == "COLUMNWIDTH=" || line == "ROWHEIGHT=")
            line += "FALSE";
    EXPECT_EQ(ReadFile(path), CrLfLines(classic));

    settings.FTPPASSIVE = true;
    settings.FTPTLSFINGERPRINT = "AB:CD";
    settings.ICSFEED = true;
    settings.PAGESTYLE = 1;
    settings.SFTP = true;
    settings.SFTPHOSTKEY = "SHA256:abc+/";
    settings.SFTPKEYFILE = "/home/k/.ssh/id_ed25519";
    SaveConfig(settings, path, SaveMode::Current, "/ignored/");
    std::vector<std::string> extended = classic;
    extended.insert(extended.end(),
                    {"FTPPASSIVE=TRUE", "FTPTLSFINGERPRINT=AB:CD", "ICSFEED=TRUE", "PAGESTYLE=1",
                     "SFTP=TRUE", "SFTPHOSTKEY=SHA256:abc+/", "SFTPKEYFILE=/home/k/.ssh/id_ed25519"});
    EXPECT_EQ(ReadFile(path), CrLfLines(extended));

    CalendarSettings loaded;
    LoadConfig(loaded, path);
    EXPECT_TRUE(loaded.FTPPASSIVE);
    EXPECT_FALSE(loaded.FTPTLS);
    EXPECT_EQ(loaded.FTPTLSFINGERPRINT, "AB:CD");
    EXPECT_FALSE(loaded.FTPCHANGEDONLY);
    EXPECT_FALSE(loaded.FTPATOMIC);
    EXPECT_TRUE(loaded.ICSFEED);
    EXPECT_EQ(loaded.PAGESTYLE, 1);
    EXPECT_TRUE(loaded.SFTP);
    EXPECT_EQ(loaded.SFTPHOSTKEY, "SHA256:abc+/");
    EXPECT_EQ(loaded.SFTPKEYFILE, "/home/k/.ssh/id_ed25519");

    // A file that lacks them presets them to their defaults again.
    CalendarSettings reloaded = LoadLines({"TITLE=x"}, loaded);
    EXPECT_FALSE(reloaded.FTPPASSIVE);
    EXPECT_EQ(reloaded.FTPTLSFINGERPRINT, "");
    EXPECT_FALSE(reloaded.ICSFEED);
    EXPECT_EQ(reloaded.PAGESTYLE, 0);
    EXPECT_FALSE(reloaded.SFTP);
    EXPECT_EQ(reloaded.SFTPHOSTKEY, "");
}

TEST_F(SettingsTest, DefaultModeNeverWritesExtensionKeys)
{
    CalendarSettings settings;
    settings.FTPTLS = true;
    SaveConfig(settings, path, SaveMode::Defaults, "/opt/mondeliar/");
    EXPECT_EQ(ReadFile(path), CrLfLines(DefaultFileLines));
}

}  // namespace
}  // namespace mondeliar
