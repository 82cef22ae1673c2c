#include "base/errors.h"
#include "store/entry_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

const std::string FreeLine = "\"0\",\"0\",\"0\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                             "\"\",\"\",\"\",\"\",\"\",\"\","
                             "\"\",\"\",\"\",\"\",\"\",\"\"";

// A line of 25 quoted fields: the given ones, then empty ones.
std::string Line(std::vector<std::string> fields)
{
    fields.resize(25);
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "\"" : ",\"") + field + "\"";
    return line;
}

class EntryStoreTest : public ::testing::Test {
protected:
    EntryStoreTest() : store(messages) { store.NotesFileName = dir / "default calendar"; }

    void Load(const std::string& bytes)
    {
        WriteFile(store.NotesFileName, bytes);
        store.AllocateTable();
        store.LoadEntries();
    }

    std::string LoadError(const std::string& bytes)
    {
        return testing::RaisedText<Error>([&] { Load(bytes); });
    }

    TempDir dir;
    RecordingMessages messages;
    EntryStore store;
};

TEST_F(EntryStoreTest, FirstStoreIntoAnEmptyFileWritesAllThousandLines)
{
    Load("");
    EXPECT_EQ(store.CountUsedEntries(), 0);

    store.CurrentEntry.Month = 2;
    store.CurrentEntry.Day = 5;
    store.CurrentEntry.Year = 2002;
    store.CurrentEntry.Notes[0] = "Meeting";
    store.StoreEntry(2, 5, 2002);

    std::string expected = Line({"2", "5", "2002", "Meeting"}) + "\r\n";
    for (int k = 2; k <= MaxEntries; ++k)
        expected += FreeLine + "\r\n";
    EXPECT_EQ(ReadFile(store.NotesFileName), expected);
}

TEST_F(EntryStoreTest, EveryFieldLandsInItsColumnAndReadsBack)
{
    Load("");
    CalendarEntry& entry = store.CurrentEntry;
    entry.Month = 12;
    entry.Day = 31;
    entry.Year = 1999;
    for (int i = 0; i < NotesPerDate; ++i) {
        entry.Notes[i] = "note " + std::to_string(i + 1);
        entry.NoteURLs[i] = "http://x/" + std::to_string(i + 1);
    }
    entry.DateURL = "date.html";
    entry.DateImage = "party.gif";
    CalendarEntry stored = entry;
    store.StoreEntry(12, 31, 1999);

    std::string firstLine = ReadFile(store.NotesFileName).substr(0, 300);
    EXPECT_EQ(firstLine.substr(0, firstLine.find("\r\n")),
              "\"12\",\"31\",\"1999\",\"note 1\",\"note 2\",\"note 3\",\"note 4\",\"note 5\","
              "\"note 6\",\"note 7\",\"note 8\",\"note 9\",\"note 10\",\"http://x/1\","
              "\"http://x/2\",\"http://x/3\",\"http://x/4\",\"http://x/5\",\"http://x/6\","
              "\"http://x/7\",\"http://x/8\",\"http://x/9\",\"http://x/10\",\"date.html\","
              "\"party.gif\"");

    store.AllocateTable();
    store.LoadEntries();
    store.FindEntry(12, 31, 1999);
    EXPECT_EQ(store.CurrentEntry.Notes, stored.Notes);
    EXPECT_EQ(store.CurrentEntry.NoteURLs, stored.NoteURLs);
    EXPECT_EQ(store.CurrentEntry.DateURL, stored.DateURL);
    EXPECT_EQ(store.CurrentEntry.DateImage, stored.DateImage);
}

TEST_F(EntryStoreTest, ReadsLinesByCountingQuotes)
{
    struct Case {
        std::string line;
        CalendarEntry expected;
    };
    auto entry = [](int m, int d, int y, std::string note1, std::string note2 = "",
                    std::string url1 = "", std::string image = "") {
        CalendarEntry e;
        e.Month = m;
        e.Day = d;
        e.Year = y;
        e.Notes[0] = note1;
        e.Notes[1] = note2;
        e.NoteURLs[0] = url1;
        e.DateImage = image;
        return e;
    };
    Case cases[] = {
        // Fewer than 25 fields leave the rest empty.
        {"\"3\",\"4\",\"2002\",\"one\",\"two\"", entry(3, 4, 2002, "one", "two")},
        // Anything between a closing and the next opening quote is ignored.
        {"\"3\", \"4\";\"2002\" x \"one\"", entry(3, 4, 2002, "one")},
        // A comma inside a field belongs to it.
        {"\"3\",\"4\",\"2002\",\"a, b\"", entry(3, 4, 2002, "a, b")},
        // Apostrophes and HTML are ordinary characters.
        {"\"3\",\"4\",\"2002\",\"<b>Saint's</b>\"", entry(3, 4, 2002, "<b>Saint's</b>")},
        // Characters after the 50th quote are not part of any field.
        {Line({"1", "2", "2003", "n"}) + "\"extra\"", entry(1, 2, 2003, "n")},
        // Field 14 is the link of note 1, field 25 the image.
        {Line({"1", "2", "2003", "", "", "", "", "", "", "", "", "",   "",
               "u", "",  "",     "", "", "", "", "", "", "", "", "img"}),
         entry(1, 2, 2003, "", "", "u", "img")},
    };
    for (const Case& c : cases) {
        Load(c.line + "\r\n");
        const CalendarEntry& slot = store.Slot(1);
        EXPECT_EQ(slot.Month, c.expected.Month) << c.line;
        EXPECT_EQ(slot.Day, c.expected.Day) << c.line;
        EXPECT_EQ(slot.Year, c.expected.Year) << c.line;
        EXPECT_EQ(slot.Notes, c.expected.Notes) << c.line;
        EXPECT_EQ(slot.NoteURLs, c.expected.NoteURLs) << c.line;
        EXPECT_EQ(slot.DateImage, c.expected.DateImage) << c.line;
    }
}

TEST_F(EntryStoreTest, CutsOverlongTextsToTheirFieldsWithoutAMessage)
{
    std::string note(150, 'n');
    std::string image(30, 'i');
    std::vector<std::string> fields = {"1", "1", "2002", note};
    fields.resize(25);
    fields[24] = image;
    Load(Line(fields) + "\r\n");
    EXPECT_EQ(store.Slot(1).Notes[0], std::string(100, 'n'));
    EXPECT_EQ(store.Slot(1).DateImage, std::string(25, 'i'));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EntryStoreTest, EmptyDateFieldsKeepTheNumbersOfTheLineBefore)
{
    store.CurrentEntry.Month = 7;  // what the working record held before loading
    store.CurrentEntry.Day = 8;
    store.CurrentEntry.Year = 1990;
    WriteFile(store.NotesFileName,
              CrLfLines({"\"\",\"\",\"\",\"first\"", "\"3\",\"4\",\"2002\",\"x\"", "",
                         "\"5\",\"\",\"\",\"y\""}));
    store.AllocateTable();
    store.LoadEntries();
    EXPECT_TRUE(store.Slot(1).HoldsDate(7, 8, 1990));
    EXPECT_EQ(store.Slot(1).Notes[0], "first");
    EXPECT_TRUE(store.Slot(2).HoldsDate(3, 4, 2002));
    EXPECT_TRUE(store.Slot(3).HoldsDate(3, 4, 2002)) << "a blank line repeats the date";
    EXPECT_EQ(store.Slot(3).Notes[0], "");
    EXPECT_TRUE(store.Slot(4).HoldsDate(5, 4, 2002));
    EXPECT_TRUE(store.Slot(5).IsFree());
}

TEST_F(EntryStoreTest, LinesEndingInLfAloneAreSeparateLines)
{
    Load(Line({"1", "1", "2002", "a"}) + "\n" + Line({"1", "2", "2002", "b"}) + "\n");
    EXPECT_EQ(store.CountUsedEntries(), 2);
    EXPECT_EQ(store.Slot(2).Notes[0], "b");
}

TEST_F(EntryStoreTest, ABadDateFieldStopsLoadingAtItsLine)
{
    std::string bytes
        = CrLfLines({Line({"1", "1", "2002", "kept"}), Line({"x1", "2", "2002", "read"}),
                     Line({"1", "3", "2002", "never"})});
    EXPECT_EQ(LoadError(bytes), "'x1' is not a valid integer value");
    EXPECT_EQ(store.Slot(1).Notes[0], "kept");
    EXPECT_EQ(FormatEntryLine(store.Slot(2)), FormatEntryLine(CalendarEntry{}));
    EXPECT_TRUE(store.Slot(3).IsFree());
    EXPECT_EQ(store.CurrentEntry.Notes[0], "read") << "the working record holds the line";
}

TEST_F(EntryStoreTest, MissingFileIsReportedAndChangesNothing)
{
    store.NotesFileName = dir / "no such calendar";
    store.AllocateTable();
    try {
        store.LoadEntries();
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(store.CountUsedEntries(), 0);
}

TEST_F(EntryStoreTest, LinesBeyondTheTableAreDroppedWithOneMessage)
{
    std::string bytes;
    for (int k = 1; k <= 10000; ++k)
        bytes += Line({"1", std::to_string(k % 28 + 1), std::to_string(1000 + k)}) + "\r\n";
    Load(bytes);
    EXPECT_EQ(store.CountUsedEntries(), MaxEntries);
    EXPECT_EQ(store.Slot(MaxEntries).Year, 2000);
    EXPECT_EQ(messages.shown, std::vector<std::string>{MaximumEntriesExceeded});
}

TEST_F(EntryStoreTest, SurvivesArbitraryBytes)
{
    std::string noise;
    for (int i = 0; i < 300000; ++i)
        noise += static_cast<char>((i * 131 + i / 7) % 256 == '"' ? 'q' : (i * 131 + i / 7) % 256);
    noise += std::string(100000, '"');
    EXPECT_NO_FATAL_FAILURE(LoadError(noise));
    EXPECT_NO_FATAL_FAILURE(LoadError(std::string(500000, 'x')));
}

TEST_F(EntryStoreTest, FindEntryReturnsTheFirstSlotOfADateOrNothing)
{
    Load(CrLfLines({Line({"1", "1", "2002", "first"}), Line({"1", "1", "2002", "second"})}));
    store.FindEntry(1, 1, 2002);
    EXPECT_EQ(store.CurrentEntry.Notes[0], "first");
    store.FindEntry(1, 2, 2002);
    EXPECT_TRUE(store.CurrentEntry.HoldsDate(0, 0, 0));
    EXPECT_EQ(store.CurrentEntry.Notes[0], "");
}

TEST_F(EntryStoreTest, RangeLookupFindsWhatFindEntryFindsForEveryDay)
{
    Load(CrLfLines({Line({"3", "31", "2002", "first"}), Line({"2", "1", "2003", "February"}),
                    Line({"3", "31", "2002", "second"}), Line({"3", "5", "2003", "next year"}),
                    Line({"2", "1", "2002", "last year"}), Line({"3", "0", "2002", "day zero"}),
                    Line({"3", "32", "2002", "day 32"}), Line({"13", "5", "2002", "month 13"}),
                    Line({"12", "5", "2002", "fifth"})}));
    EntryStore::RangeSlots slots = store.FindRangeEntries(3, 2002);
    for (int month = 1; month <= 12; ++month) {
        int year = month >= 3 ? 2002 : 2003;
        for (int day = 1; day <= 31; ++day) {
            store.FindEntry(month, day, year);
            std::string found = FormatEntryLine(store.CurrentEntry);
            store.TakeEntry(slots[month - 1][static_cast<std::size_t>(day)]);
            EXPECT_EQ(FormatEntryLine(store.CurrentEntry), found) << month << "/" << day;
        }
    }
    EXPECT_EQ(slots[2][31]->Notes[0], "first");
    EXPECT_EQ(slots[1][1]->Notes[0], "February");
    EXPECT_EQ(slots[2][0], nullptr);
}

TEST_F(EntryStoreTest, StoreReplacesTheDatesSlotOrTakesTheLowestFreeOne)
{
    Load(CrLfLines({Line({"1", "1", "2002", "a"}), FreeLine, Line({"1", "3", "2002", "c"})}));
    store.FindEntry(1, 3, 2002);
    store.CurrentEntry.Notes[0] = "changed";
    store.StoreEntry(1, 3, 2002);
    EXPECT_EQ(store.Slot(3).Notes[0], "changed");

    store.FindEntry(9, 9, 2009);
    store.CurrentEntry.Month = 9;
    store.CurrentEntry.Day = 9;
    store.CurrentEntry.Year = 2009;
    store.CurrentEntry.Notes[0] = "new";
    store.StoreEntry(9, 9, 2009);
    EXPECT_EQ(store.Slot(2).Notes[0], "new");
}

TEST_F(EntryStoreTest, MonthZeroWithAYearCountsAsUsedButIsTakenAsFree)
{
    Load(Line({"0", "5", "2002", "odd"}) + "\r\n");
    EXPECT_EQ(store.CountUsedEntries(), 1);
    store.CurrentEntry.Month = 4;
    store.CurrentEntry.Day = 4;
    store.CurrentEntry.Year = 2004;
    store.StoreEntry(4, 4, 2004);
    EXPECT_TRUE(store.Slot(1).HoldsDate(4, 4, 2004));
}

TEST_F(EntryStoreTest, FullTableRefusesANewDateButStillRewritesTheFile)
{
    std::string bytes;
    for (int k = 1; k <= MaxEntries; ++k)
        bytes += Line({"1", "1", std::to_string(k)}) + "\r\n";
    Load(bytes);
    WriteFile(store.NotesFileName, "");
    store.CurrentEntry.Month = 2;
    store.CurrentEntry.Day = 2;
    store.CurrentEntry.Year = 5000;
    store.StoreEntry(2, 2, 5000);
    EXPECT_EQ(messages.shown, std::vector<std::string>{MaximumEntriesExceeded});
    EXPECT_EQ(ReadFile(store.NotesFileName), bytes);
}

TEST_F(EntryStoreTest, QuotesAndLineBreaksInTextsCannotBreakTheFile)
{
    Load("");
    store.CurrentEntry.Month = 1;
    store.CurrentEntry.Day = 1;
    store.CurrentEntry.Year = 2002;
    store.CurrentEntry.Notes[0] = "Say \"hi\"";
    store.CurrentEntry.Notes[1] = "two\r\nlines";
    store.StoreEntry(1, 1, 2002);
    store.AllocateTable();
    store.LoadEntries();
    EXPECT_EQ(store.Slot(1).Notes[0], "Say &quot;hi&quot;");
    EXPECT_EQ(store.Slot(1).Notes[1], "two  lines");
    EXPECT_TRUE(store.Slot(2).IsFree());
}

TEST_F(EntryStoreTest, FailedSaveKeepsTheOldFileAndTheNewRecord)
{
    Load(Line({"1", "1", "2002", "old"}) + "\r\n");
    store.NotesFileName = dir / "folder-in-the-way";
    std::filesystem::create_directory(store.NotesFileName);
    store.CurrentEntry.Month = 1;
    store.CurrentEntry.Day = 1;
    store.CurrentEntry.Year = 2002;
    store.CurrentEntry.Notes[0] = "new";
    try {
        store.StoreEntry(1, 1, 2002);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File access denied");
    }
    EXPECT_EQ(store.Slot(1).Notes[0], "new");
}

}  // namespace
}  // namespace mondeliar
