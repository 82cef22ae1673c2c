#include "base/errors.h"
#include "config/languages.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class LanguagesTest : public ::testing::Test {
protected:
    void Load(const std::string& name)
    {
        languages.LoadLanguage(dir.Path(), name,
                               [this](const std::string& key, const std::string& text) {
                                   mainWindowTexts.emplace_back(key, text);
                               });
    }

    TempDir dir;
    Languages languages;
    std::vector<std::pair<std::string, std::string>> mainWindowTexts;
};

TEST_F(LanguagesTest, ShippedEnglishFileHoldsTheNineteenNamesAndItsCode)
{
    std::string english = ReadFile(std::string(MONDELIAR_SOURCE_DIR) + "/resources/English.lang");
    std::vector<std::string> lines;
    for (int m = 1; m <= 12; ++m)
        lines.push_back("MONTH" + std::to_string(m) + "=" + EnglishMonthNames[m]);
    for (int d = 1; d <= 7; ++d)
        lines.push_back("DAY" + std::to_string(d) + "=" + EnglishDayNames[d]);
    lines.push_back("LANGUAGECODE=en");
    EXPECT_EQ(english, CrLfLines(lines));
}

TEST_F(LanguagesTest, ShippedLanguagesAreWindows1252AndComplete)
{
    Languages shipped;
    for (const char* name : {"French", "German", "Spanish", "Italian", "Dutch"}) {
        shipped.LoadLanguage(std::string(MONDELIAR_SOURCE_DIR) + "/resources/", name);
        for (int m = 1; m <= 12; ++m)
            EXPECT_FALSE(shipped.MonthNames[m].empty()) << name << m;
    }
    shipped.LoadLanguage(std::string(MONDELIAR_SOURCE_DIR) + "/resources/", "German");
    EXPECT_EQ(shipped.MonthNames[3], "M\xE4rz");
    EXPECT_EQ(shipped.Code, "de");
}

// The code of a language file is its own: a file without one never takes the code of the
// language before it, and the pages then take the locale's language, or English.
TEST_F(LanguagesTest, PageLanguageIsTheFilesCodeThenTheLocaleThenEnglish)
{
    struct Row {
        std::string file;
        const char* lcAll;
        const char* lang;
        std::string expected;
    } rows[] = {
        {"LANGUAGECODE=fr-CA", nullptr, "de_DE.UTF-8", "fr-CA"},
        {"DAY1=x", nullptr, "de_DE.UTF-8@euro", "de-DE"},
        {"DAY1=x", "C", "de_DE.UTF-8", "en"},
        {"DAY1=x", nullptr, "POSIX", "en"},
        {"DAY1=x", nullptr, nullptr, "en"},
        {"LANGUAGECODE=not a tag", nullptr, "nl_BE", "nl-BE"},
        {"LANGUAGECODE=f", nullptr, "es", "es"},
        {"languagecode=it", nullptr, "es", "es"},
    };
    WriteFile(dir / "Coded.lang", "LANGUAGECODE=pt\r\n");
    for (const Row& row : rows) {
        WriteFile(dir / "L.lang", row.file + "\r\n");
        Load("Coded");
        Load("L");
        testing::ScopedEnvironment lcAll("LC_ALL", row.lcAll);
        testing::ScopedEnvironment lcMessages("LC_MESSAGES", nullptr);
        testing::ScopedEnvironment lang("LANG", row.lang);
        EXPECT_EQ(PageLanguageTag(languages), row.expected) << row.file;
    }
}

TEST_F(LanguagesTest, MissingKeysKeepTheNamesOfTheLanguageBefore)
{
    WriteFile(dir / "English.lang",
              ReadFile(std::string(MONDELIAR_SOURCE_DIR) + "/resources/English.lang"));
    WriteFile(dir / "Fr.lang", "DAY1=Dimanche\r\nday2=Lundi\r\n");
    Load("English");
    Load("Fr");
    EXPECT_EQ(languages.DayNames[1], "Dimanche");
    EXPECT_EQ(languages.DayNames[2], "Monday") << "keys are case-sensitive";
    EXPECT_EQ(languages.DayNames[7], "Saturday");
    EXPECT_EQ(languages.MonthNames, EnglishMonthNames);
}

TEST_F(LanguagesTest, NamesAreCutToTwentyCharacters)
{
    WriteFile(dir / "Long.lang", "MONTH1=" + std::string(25, 'm') + "\r\nMONTH2=a=b\r\n");
    Load("Long");
    EXPECT_EQ(languages.MonthNames[1], std::string(20, 'm'));
    EXPECT_EQ(languages.MonthNames[2], "a=b");
}

TEST_F(LanguagesTest, MainWindowKeysReachTheWindowWhole)
{
    WriteFile(dir / "De.lang",
              CrLfLines({"formMain.ButtonWrite=Schreiben", "formMain.ButtonExitHint=none such key",
                         "formMain.ButtonWriteHint=" + std::string(30, 'h'), "DAY1=Sonntag"}));
    Load("De");
    using Text = std::pair<std::string, std::string>;
    EXPECT_EQ(mainWindowTexts,
              (std::vector<Text>{{"formMain.ButtonWrite", "Schreiben"},
                                 {"formMain.ButtonWriteHint", std::string(30, 'h')}}));
}

TEST_F(LanguagesTest, MissingFileLeavesTheNamesAsTheyWere)
{
    WriteFile(dir / "A.lang", "MONTH1=Eins\r\n");
    Load("A");
    try {
        Load("F");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(languages.MonthNames[1], "Eins");
}

TEST_F(LanguagesTest, ANameThatWouldLeaveTheFolderIsRefusedBeforeAnyFileIsRead)
{
    std::filesystem::create_directory(dir / "program");
    WriteFile(dir / "Outside.lang", "MONTH1=Escaped\r\n");
    for (const char* name : {"../Outside", "program/../../Outside", "..", "tab\tname"}) {
        try {
            languages.LoadLanguage(dir / "program/", name);
            ADD_FAILURE() << name << ": no error";
        } catch (const FileError& error) {
            EXPECT_STREQ(error.what(), "Invalid filename") << name;
        }
    }
    EXPECT_EQ(languages.MonthNames[1], "");
}

TEST_F(LanguagesTest, ListsEachFileByTheNameBeforeItsFirstDot)
{
    for (const char* file : {"Fr.lang", "a.b.lang", "English.lang", "notes.txt", "lang"})
        WriteFile(dir / file, "");
    std::filesystem::create_directory(dir / "folder.lang");
    EXPECT_EQ(ListLanguages(dir.Path()), (std::vector<std::string>{"English", "Fr", "a"}));
}

TEST_F(LanguagesTest, WrittenFileHoldsMonthsThenDaysAndLoadsBack)
{
    LanguageNameSet names;
    names.Months = EnglishMonthNames;
    names.Days = EnglishDayNames;
    names.Months[1] = "Janvier";
    WriteLanguageFile(dir.Path(), "Mine", names);
    std::string written = ReadFile(dir / "Mine.lang");
    EXPECT_EQ(written.substr(0, 33), "MONTH1=Janvier\r\nMONTH2=February\r\n");
    EXPECT_EQ(written.substr(written.size() - 15), "DAY7=Saturday\r\n");
    Load("Mine");
    EXPECT_EQ(languages.MonthNames[1], "Janvier");
    EXPECT_EQ(languages.DayNames, EnglishDayNames);

    WriteLanguageFile(dir.Path(), "", names);
    EXPECT_TRUE(std::filesystem::exists(dir / ".lang"));
    EXPECT_THROW(WriteLanguageFile(dir.Path(), "../escape", names), FileError);
}

}  // namespace
}  // namespace mondeliar
