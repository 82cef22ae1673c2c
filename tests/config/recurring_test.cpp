#include "base/errors.h"
#include "config/recurring_list.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class RecurringTest : public ::testing::Test {
protected:
    void Load(const std::string& bytes)
    {
        WriteFile(path, bytes);
        LoadRecurring(list, path);
    }

    TempDir dir;
    std::string path = dir / "default calendar.rcr";
    RecurringList list;
};

TEST_F(RecurringTest, ReadsFieldsByCountingQuotes)
{
    struct Case {
        std::string line;
        RecurringEntry entry;
    } cases[] = {
        {"\"3\",\"17\",\"Saint's day\"", {"3", "17", "Saint's day"}},
        {"\"12\";\"25\" \"Christmas\"", {"12", "25", "Christmas"}},
        {"\"1\",\"25", {"1", "25", ""}},
        {"\"Say \"hi\"\"", {"Say ", "", ""}},
        {"\"4\",\"1\",\"Say \"hi\"\"", {"4", "1", "Say "}},
        {"junk\"1\",\"2\",\"d\",\"after\"", {"1", "2", "d"}},
        {"", {"", "", ""}},
        {"\" 7\",\" 4\",\"x\"", {" 7", " 4", "x"}},
    };
    for (const Case& c : cases) {
        Load(c.line + "\r\n");
        const RecurringEntry& row = list.Row(1);
        EXPECT_EQ(row.Month, c.entry.Month) << c.line;
        EXPECT_EQ(row.Day, c.entry.Day) << c.line;
        EXPECT_EQ(row.Description, c.entry.Description) << c.line;
    }
}

TEST_F(RecurringTest, EveryLineTakesARowAndLoadingReplacesTheList)
{
    list.SetRow(5, "1", "1", "unsaved edit");
    Load(CrLfLines({"\"1\",\"1\",\"New year\"", "", "\"12\",\"25\",\"Christmas\""}));
    EXPECT_EQ(list.Row(1).Description, "New year");
    EXPECT_EQ(list.Row(2).Description, "");
    EXPECT_EQ(list.Row(3).Description, "Christmas");
    EXPECT_EQ(list.Row(5).Description, "");
}

TEST_F(RecurringTest, SavingStopsAtTheFirstEmptyDescription)
{
    Load(CrLfLines({"\"1\",\"1\",\"New year\"", "", "\"12\",\"25\",\"Christmas\""}));
    SaveRecurring(list, path);
    EXPECT_EQ(ReadFile(path), "\"1\",\"1\",\"New year\"\r\n");

    list.SetRow(1, "", "", "");
    SaveRecurring(list, path);
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(RecurringTest, RowsWithEmptyDateCellsAreWrittenAsTheyAre)
{
    list.SetRow(1, "", "", "Someday");
    list.SetRow(2, "x", "y", "z");
    SaveRecurring(list, path);
    EXPECT_EQ(ReadFile(path), "\"\",\"\",\"Someday\"\r\n\"x\",\"y\",\"z\"\r\n");
}

TEST_F(RecurringTest, MovingARowChangesTheLineOrder)
{
    list.SetRow(1, "1", "1", "a");
    list.SetRow(2, "2", "2", "b");
    list.SetRow(3, "3", "3", "c");
    list.MoveRow(3, 1);
    SaveRecurring(list, path);
    EXPECT_EQ(ReadFile(path),
              CrLfLines({"\"3\",\"3\",\"c\"", "\"1\",\"1\",\"a\"", "\"2\",\"2\",\"b\""}));
    list.MoveRow(1, 3);
    list.MoveRow(0, 700);  // outside the list: nothing moves
    SaveRecurring(list, path);
    EXPECT_EQ(ReadFile(path),
              CrLfLines({"\"1\",\"1\",\"a\"", "\"2\",\"2\",\"b\"", "\"3\",\"3\",\"c\""}));
}

TEST_F(RecurringTest, GridEditsCannotStoreQuotes)
{
    list.SetRow(1, "5", "1", "Say \"hi\"");
    SaveRecurring(list, path);
    LoadRecurring(list, path);
    EXPECT_EQ(list.Row(1).Description, "Say &quot;hi&quot;");
}

TEST_F(RecurringTest, LinesBeyondTheLastRowAreIgnored)
{
    std::string bytes;
    for (int i = 1; i <= 10000; ++i)
        bytes += "\"1\",\"1\",\"entry " + std::to_string(i) + "\"\r\n";
    Load(bytes);
    EXPECT_EQ(list.Row(RecurringRows).Description, "entry 499");
}

TEST_F(RecurringTest, MissingFileLeavesAnEmptyList)
{
    list.SetRow(1, "1", "1", "old");
    try {
        LoadRecurring(list, dir / "none.rcr");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(list.Row(1).Description, "");
}

}  // namespace
}  // namespace mondeliar
