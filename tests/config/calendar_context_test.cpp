#include "base/errors.h"
#include "config/calendar_context.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mondeliar {
namespace {

using testing::ReadFile;
using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

const std::string Resources = std::string(MONDELIAR_SOURCE_DIR) + "/resources/";

class CalendarContextTest : public ::testing::Test {
protected:
    std::string ErrorOf(const std::function<void()>& action)
    {
        return testing::RaisedText<Error>(action);
    }

    TempDir dir;
    RecordingMessages messages;
    CalendarContext context{Resources, dir.Path(), Date{2002, 2, 5}, messages};
};

TEST_F(CalendarContextTest, FirstStartCreatesTheDefaultCalendar)
{
    StartUp(context);
    EXPECT_EQ(ReadFile(dir / "calendars/default calendar"), "");
    EXPECT_EQ(ReadFile(dir / "calendars/default calendar.rcr"), "");
    std::string settings = ReadFile(dir / "calendars/default calendar.cfg");
    EXPECT_NE(settings.find("\r\nHTMLPATH=" + Resources + "\r\n"), std::string::npos);
    EXPECT_EQ(context.Settings.LANGUAGESELECTED, "English");
    EXPECT_EQ(context.Language.MonthNames[2], "February");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 0);
    EXPECT_EQ(context.Entries.NotesFileName, dir / "calendars/default calendar");
    EXPECT_EQ(ListCalendars(dir.Path()), std::vector<std::string>{"default calendar"});
    EXPECT_EQ(context.MonthNumbers[12], 12);
}

TEST_F(CalendarContextTest, ExistingFilesAreLoadedNotReplaced)
{
    std::filesystem::create_directory(dir / "calendars");
    WriteFile(dir / "calendars/default calendar.cfg", "LANGUAGESELECTED=German\r\n");
    WriteFile(dir / "calendars/default calendar", "\"2\",\"5\",\"2002\",\"Meeting\"\r\n");
    StartUp(context);
    EXPECT_EQ(ReadFile(dir / "calendars/default calendar.cfg"), "LANGUAGESELECTED=German\r\n");
    EXPECT_EQ(context.Language.MonthNames[3], "M\xE4rz");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 1);
}

// The installed program's language folder is not the user's: an added language goes to the
// data folder's own, is listed with the shipped ones, and is read from there first.
TEST_F(CalendarContextTest, AddedLanguagesGoToTheUsersFolderAndAreFoundThereFirst)
{
    context.UserLanguageFolder = dir / "languages/";
    LanguageNameSet names{EnglishDayNames, EnglishMonthNames};
    names.Months[1] = "Mine";
    context.AddLanguage("English", names);
    context.AddLanguage("Zulu", names);
    EXPECT_TRUE(std::filesystem::exists(dir / "languages/Zulu.lang"));
    std::vector<std::string> listed = context.LanguageNames();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "English"), 1);
    EXPECT_EQ(listed.back(), "Zulu");
    for (const char* name : {"English", "Zulu"}) {
        context.LoadLanguage(name);
        EXPECT_EQ(context.Language.MonthNames[1], "Mine") << name;
    }
    context.LoadLanguage("German");
    EXPECT_EQ(context.Language.MonthNames[3], "M\xE4rz");
}

TEST_F(CalendarContextTest, APlainFileNamedCalendarsFailsOnTheDefaultFiles)
{
    WriteFile(dir / "calendars", "not a folder");
    EXPECT_EQ(ErrorOf([&] { StartUp(context); }), "Invalid filename");
}

TEST_F(CalendarContextTest, CalendarsFolderThatCannotBeCreatedIsFatal)
{
    CalendarContext nowhere{Resources, dir / "missing/", Date{2002, 2, 5}, messages};
    try {
        StartUp(nowhere);
        FAIL() << "no error";
    } catch (const FatalError& error) {
        EXPECT_STREQ(error.what(), "FATAL ERROR: Cannot create calendars directory.");
    }
}

TEST_F(CalendarContextTest, LoadErrorsStopTheSequence)
{
    std::filesystem::create_directory(dir / "calendars");
    WriteFile(dir / "calendars/default calendar.cfg", "LANGUAGESELECTED=Klingon\r\n");
    EXPECT_EQ(ErrorOf([&] { StartUp(context); }), "File not found");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 0);
}

TEST_F(CalendarContextTest, ListsExtensionlessEntriesSortedWithoutRegardToCase)
{
    std::filesystem::create_directories(dir / "calendars/Folder calendar");
    for (const char* name : {"zeta", "Alpha", "beta", "beta.cfg", "beta.rcr", ".hidden"})
        WriteFile(dir / "calendars/" + name, "");
    EXPECT_EQ(ListCalendars(dir.Path()),
              (std::vector<std::string>{"Alpha", "beta", "Folder calendar", "zeta"}));
    EXPECT_TRUE(ListCalendars(dir / "none/").empty());
}

TEST_F(CalendarContextTest, SwitchLoadsSettingsRecurringLanguageAndNotes)
{
    StartUp(context);
    WriteFile(dir / "calendars/club",
              "\"1\",\"1\",\"2003\",\"a\"\r\n\"1\",\"2\",\"2003\",\"b\"\r\n");
    WriteFile(dir / "calendars/club.cfg", "LANGUAGESELECTED=French\r\nTITLE=Club\r\n");
    WriteFile(dir / "calendars/club.rcr", "\"7\",\"14\",\"Fete\"\r\n");
    context.Settings.NOTEPATH = "elsewhere/";

    SwitchCalendar(context, "club");
    EXPECT_EQ(context.CalendarName, "club");
    EXPECT_EQ(context.Settings.NOTEPATH, "calendars/");
    EXPECT_EQ(context.Settings.TITLE, "Club");
    EXPECT_EQ(context.Recurring.Row(1).Description, "Fete");
    EXPECT_EQ(context.Language.MonthNames[1], "Janvier");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 2);
    EXPECT_EQ(context.SettingsFileName, dir / "calendars/club.cfg");
}

TEST_F(CalendarContextTest, SwitchToAMissingCalendarLeavesAnEmptyTable)
{
    StartUp(context);
    WriteFile(dir / "calendars/default calendar", "\"1\",\"1\",\"2003\",\"a\"\r\n");
    SwitchCalendar(context, "default calendar");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 1);

    EXPECT_EQ(ErrorOf([&] { SwitchCalendar(context, "defa"); }), "File not found");
    EXPECT_EQ(context.Entries.CountUsedEntries(), 0);
    EXPECT_EQ(ErrorOf([&] { SwitchCalendar(context, "../default calendar"); }), "Invalid filename");
}

}  // namespace
}  // namespace mondeliar
