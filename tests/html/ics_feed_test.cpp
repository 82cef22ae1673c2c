// The iCalendar feed as the write command writes it, read back by Python's icalendar package.

#include "base/errors.h"
#include "html/ics_feed.h"
#include "html/write_command.h"
#include "html_fixture.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sys/wait.h>

namespace mondeliar {
namespace {

using testing::Between;
using testing::Count;
using testing::HtmlTest;
using testing::PageLines;
using testing::ReadFile;

// 5 February 2002, 09:11:12 UTC.
constexpr std::time_t WriteTime = 1012900272;
const std::string Stamp = "20020205T091112Z";
// The digest of "default calendar": every UID of the default calendar starts with it, so
// it must never change between versions.
const std::string DefaultKey = "126a374e677da9bc";

struct ParsedFeed {
    int Status = -1;
    std::vector<std::string> Lines;  // what check_ics.py printed
};

ParsedFeed ParseWithIcalendar(const std::string& feed)
{
    testing::CommandResult run
        = testing::RunCommand("/usr/bin/python3 '" MONDELIAR_TEST_DIR "/check_ics.py' '" + feed + "'");
    ParsedFeed parsed;
    parsed.Status = run.Status;
    const std::string& output = run.Output;
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
        parsed.Lines.push_back(output.substr(start, end - start));
    return parsed;
}

std::string Event(const std::string& uid, const std::string& start, const std::string& end,
                  const std::string& rule, const std::string& url, const std::string& occurrences,
                  const std::string& summary)
{
    return "EVENT\t" + uid + "\t" + Stamp + "\t" + start + "\t" + end + "\t" + rule + "\t" + url
           + "\t" + occurrences + "\t" + summary;
}

std::string NoteUid(const std::string& date, int k)
{
    return DefaultKey + "-" + date + "-" + std::to_string(k) + "@mondeliar";
}

// The UIDs of a parsed feed, in order.
std::vector<std::string> Uids(const ParsedFeed& parsed)
{
    std::vector<std::string> uids;
    for (const std::string& line : parsed.Lines)
        if (line.rfind("EVENT\t", 0) == 0)
            uids.push_back(line.substr(6, line.find('\t', 6) - 6));
    return uids;
}

class IcsFeedTest : public HtmlTest {
protected:
    IcsFeedTest()
    {
        context.Settings.ICSFEED = true;
        hooks.Clock = [] { return WriteTime; };
    }

    std::string Feed() const { return out() + "calendar.ics"; }

    // A note of 100 characters with accented letters, long enough to be folded.
    static std::string LongNote()
    {
        std::string note;
        for (int i = 0; i < 10; ++i)
            note += "F\xeate d\xe9j\xe0 ";
        return note;
    }

    // Its summary: in UTF-8, without the blank at the end.
    static std::string LongSummary()
    {
        std::string summary;
        for (int i = 0; i < 10; ++i)
            summary += "F\xc3\xaate d\xc3\xa9j\xc3\xa0 ";
        summary.pop_back();
        return summary;
    }

    void AddTheNotes()
    {
        AddNote(2, 5, 2002,
                {"<B>Club</B> night", "Tom &amp; Jerry &quot;live&quot;",
                 "Caf\xe9 &#26085;&#x672C;", LongNote()},
                {"http://example.org/club", "", "party.html"}, "https://example.org/day");
        AddNote(3, 1, 2002, {"Line<BR>break", "", "after an empty note"});
        AddNote(12, 31, 2003, {"Eve, party; a \\ backslash"},
                {" http://example.org/a b?x=1&amp;y=2 "});
    }
};

TEST_F(IcsFeedTest, NotesAndRecurringEntriesParseAsTheirEvents)
{
    AddTheNotes();
    SetRecurring({"\"2\",\"14\",\"Valentine\"", "\"2\",\"29\",\"Leap &amp; day\"",
                  "\" 12\",\"25\",\"<I>Christmas</I>\"", "\"4\",\"31\",\"no such day\"",
                  "\"5\",\"1\",\"\"", "\"2\",\"14\",\"Valentine\""});
    WriteAll();

    ParsedFeed parsed = ParseWithIcalendar(Feed());
    ASSERT_EQ(parsed.Status, 0) << (parsed.Lines.empty() ? "" : parsed.Lines.back());
    std::vector<std::string> expected = {
        "CALENDAR\t2.0\t-//Mondeliar//Mondeliar 4.02//EN\tGREGORIAN\tCalendar",
        Event(NoteUid("20020205", 1), "2002-02-05", "2002-02-06", "-", "http://example.org/club",
              "-", "Club night"),
        Event(NoteUid("20020205", 2), "2002-02-05", "2002-02-06", "-", "https://example.org/day",
              "-", "Tom & Jerry \"live\""),
        Event(NoteUid("20020205", 3), "2002-02-05", "2002-02-06", "-", "https://example.org/day",
              "-", "Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac"),
        Event(NoteUid("20020205", 4), "2002-02-05", "2002-02-06", "-", "https://example.org/day",
              "-", LongSummary()),
        Event(NoteUid("20020301", 1), "2002-03-01", "2002-03-02", "-", "-", "-", "Line break"),
        Event(NoteUid("20031231", 1), "2003-12-31", "2004-01-01", "-",
              "http://example.org/a%20b?x=1&y=2", "-", "Eve, party; a \\\\ backslash"),
        Event(DefaultKey + "-yearly-0214-3bb7e8cef60612e5@mondeliar", "2002-02-14", "2002-02-15",
              "FREQ=YEARLY", "-", "2002-02-14,2003-02-14,2004-02-14,2005-02-14", "Valentine"),
        Event(Uids(parsed).at(7), "2004-02-29", "2004-03-01", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29",
              "-", "2004-02-29,2008-02-29,2012-02-29,2016-02-29", "Leap & day"),
        Event(Uids(parsed).at(8), "2002-12-25", "2002-12-26", "FREQ=YEARLY", "-",
              "2002-12-25,2003-12-25,2004-12-25,2005-12-25", "Christmas"),
        Event(DefaultKey + "-yearly-0214-3bb7e8cef60612e5-2@mondeliar", "2002-02-14", "2002-02-15",
              "FREQ=YEARLY", "-", "2002-02-14,2003-02-14,2004-02-14,2005-02-14", "Valentine"),
    };
    EXPECT_EQ(parsed.Lines, expected);
    EXPECT_EQ(Uids(parsed).at(7).rfind(DefaultKey + "-yearly-0229-", 0), 0u);
    EXPECT_EQ(Uids(parsed).at(8).rfind(DefaultKey + "-yearly-1225-", 0), 0u);
}

TEST_F(IcsFeedTest, LinesEndInCrLfAndAreFoldedAt75Octets)
{
    AddTheNotes();
    context.Settings.TITLE = "Club &amp; friends, 2002";
    WriteAll();
    std::string feed = ReadFile(Feed());
    std::vector<std::string> lines = PageLines(feed);
    ASSERT_GE(lines.size(), 16u);
    std::vector<std::string> head(lines.begin(), lines.begin() + 16);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "BEGIN:VCALENDAR",
                        "VERSION:2.0",
                        "PRODID:-//Mondeliar//Mondeliar 4.02//EN",
                        "CALSCALE:GREGORIAN",
                        "X-WR-CALNAME:Club & friends\\, 2002",
                        "BEGIN:VEVENT",
                        "UID:" + NoteUid("20020205", 1),
                        "DTSTAMP:" + Stamp,
                        "DTSTART;VALUE=DATE:20020205",
                        "DTEND;VALUE=DATE:20020206",
                        "SUMMARY:Club night",
                        "URL:http://example.org/club",
                        "TRANSP:TRANSPARENT",
                        "END:VEVENT",
                        "BEGIN:VEVENT",
                        "UID:" + NoteUid("20020205", 2),
                    }));
    EXPECT_EQ(lines.back(), "END:VCALENDAR");
    for (const std::string& line : lines)
        EXPECT_LE(line.size(), 75u) << line;
    // The long note: "SUMMARY:" and its 129 octets make two physical lines. The 75th octet
    // is the second of the two of "ê", so the first line ends before that letter.
    std::string summary = Between(feed, "SUMMARY:F", "\r\nURL:");
    EXPECT_EQ(Count(summary, "\r\n "), 1) << summary;
    EXPECT_EQ(summary.find("\r\n "), 74u - 9);
    EXPECT_EQ(summary.substr(summary.find("\r\n ") + 3, 2), "\xc3\xaa");
    EXPECT_NE(feed.find("SUMMARY:Eve\\, party\\; a \\\\ backslash\r\n"), std::string::npos);
}

TEST_F(IcsFeedTest, PagesAreTheSameWithAndWithoutTheFeed)
{
    AddTheNotes();
    SetRecurring({"\"2\",\"14\",\"Valentine\""});
    context.Settings.ICSFEED = false;
    WriteAll();
    std::map<std::string, std::string> pages;
    for (const auto& item : std::filesystem::directory_iterator(out()))
        pages[item.path().filename()] = ReadFile(item.path());
    ASSERT_EQ(pages.size(), 14u);
    EXPECT_EQ(pages.count("calendar.ics"), 0u);

    context.Settings.ICSFEED = true;
    WriteAll();
    std::map<std::string, std::string> withFeed;
    for (const auto& item : std::filesystem::directory_iterator(out()))
        if (item.path().filename() != "calendar.ics")
            withFeed[item.path().filename()] = ReadFile(item.path());
    EXPECT_EQ(withFeed, pages);
    EXPECT_TRUE(std::filesystem::exists(Feed()));
    EXPECT_EQ(shownDates.back(), context.Today) << "the month grid still ends on today";
}

TEST_F(IcsFeedTest, ASecondWriteKeepsEveryUid)
{
    AddTheNotes();
    SetRecurring({"\"2\",\"14\",\"Valentine\"", "\"7\",\"4\",\"Fourth\""});
    WriteAll();
    ParsedFeed first = ParseWithIcalendar(Feed());
    ASSERT_EQ(first.Status, 0);
    ASSERT_EQ(Uids(first).size(), 8u);

    // Later: the first date's slot is freed and taken by a new date, the recurring rows are
    // swapped, and the clock has moved on.
    context.Entries.Slot(1).Clear();
    AddNote(6, 1, 2002, {"new"});
    AddNote(2, 5, 2002,
            {"<B>Club</B> night", "Tom &amp; Jerry &quot;live&quot;", "Caf\xe9 &#26085;&#x672C;",
             LongNote()},
            {"http://example.org/club", "", "party.html"}, "https://example.org/day");
    SetRecurring({"\"7\",\"4\",\"Fourth\"", "\"2\",\"14\",\"Valentine\""});
    hooks.Clock = [] { return WriteTime + 3600; };
    WriteAll();
    ParsedFeed second = ParseWithIcalendar(Feed());
    ASSERT_EQ(second.Status, 0);
    std::vector<std::string> before = Uids(first), after = Uids(second);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    EXPECT_EQ(added, (std::vector<std::string>{NoteUid("20020601", 1)}));
    EXPECT_TRUE(std::includes(after.begin(), after.end(), before.begin(), before.end()));
    EXPECT_NE(ReadFile(Feed()).find("DTSTAMP:20020205T101112Z\r\n"), std::string::npos);
}

TEST_F(IcsFeedTest, SlotsWithoutARealDateAndRepeatedDatesAreLeftOut)
{
    struct Slot {
        int month, day, year;
        const char* note;
    };
    const Slot slots[] = {
        {2, 31, 2002, "31 February"},
        {0, 5, 2002, "month 0"},
        {13, 1, 2002, "month 13"},
        {4, 0, 2002, "day 0"},
        {2, 29, 2001, "not leap"},
        {1, 1, 0, "year 0"},
        {1, 1, -5, "negative year"},
        {1, 1, 10000, "year 10000"},
        {2, 29, 2000, "leap"},
        {7, 7, 2002, "first"},
        {7, 7, 2002, "second slot of the date"},
        {12, 31, 9999, "last day"},
    };
    int k = 1;
    for (const Slot& slot : slots) {
        CalendarEntry& entry = context.Entries.Slot(k++);
        entry.Month = slot.month;
        entry.Day = slot.day;
        entry.Year = slot.year;
        entry.Notes[0] = slot.note;
    }
    WriteIcsFeed(context, 2002, WriteTime);
    ParsedFeed parsed = ParseWithIcalendar(Feed());
    ASSERT_EQ(parsed.Status, 0) << (parsed.Lines.empty() ? "" : parsed.Lines.back());
    ASSERT_EQ(parsed.Lines.size(), 4u);
    EXPECT_EQ(parsed.Lines[1],
              Event(NoteUid("20000229", 1), "2000-02-29", "2000-03-01", "-", "-", "-", "leap"));
    EXPECT_EQ(parsed.Lines[2],
              Event(NoteUid("20020707", 1), "2002-07-07", "2002-07-08", "-", "-", "-", "first"));
    // The day after 31 December 9999 has no DATE value: the event simply lasts its day.
    EXPECT_EQ(parsed.Lines[3],
              Event(NoteUid("99991231", 1), "9999-12-31", "-", "-", "-", "-", "last day"));
}

TEST_F(IcsFeedTest, RecurringRowsThatAreNotDatesAreSkippedNotFatal)
{
    const char* rows[][3] = {
        {"x3", "1", "not a month"}, {"3", "1st", "not a day"},  {"13", "1", "month 13"},
        {"4", "31", "31 April"},    {"2", "30", "30 February"}, {"0", "1", "month 0"},
        {"", "1", "no month"},      {"3", "", "no day"},        {" 3", " 17", "Saint's day"},
        {"2", "29", "leap day"},
    };
    int row = 1;
    for (const auto& cells : rows)
        context.Recurring.SetRow(row++, cells[0], cells[1], cells[2]);
    context.Recurring.SetRow(RecurringRows, "1", "2", "last row");

    WriteIcsFeed(context, 2099, WriteTime);
    ParsedFeed parsed = ParseWithIcalendar(Feed());
    ASSERT_EQ(parsed.Status, 0) << (parsed.Lines.empty() ? "" : parsed.Lines.back());
    ASSERT_EQ(parsed.Lines.size(), 4u);
    EXPECT_NE(parsed.Lines[1].find("\t2099-03-17\t2099-03-18\tFREQ=YEARLY\t"), std::string::npos)
        << parsed.Lines[1];
    // 2100 is no leap year: the first 29 February is in 2104.
    EXPECT_NE(parsed.Lines[2].find("\t2104-02-29\t2104-03-01\tFREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29"
                                   "\t-\t2104-02-29,2108-02-29,2112-02-29,2116-02-29\tleap day"),
              std::string::npos)
        << parsed.Lines[2];
    EXPECT_NE(parsed.Lines[3].find("\t2099-01-02\t"), std::string::npos) << parsed.Lines[3];

    // No leap year is left to start in.
    std::string late = IcsFeedText(context, 9997, WriteTime);
    EXPECT_EQ(late.find("BYMONTHDAY=29"), std::string::npos);
    EXPECT_NE(late.find("DTSTART;VALUE=DATE:99970317"), std::string::npos);
}

TEST_F(IcsFeedTest, EmptyTitleNamesTheFeedAfterTheCalendar)
{
    context.Settings.TITLE = "<B></B>";
    WriteAll();
    ParsedFeed parsed = ParseWithIcalendar(Feed());
    ASSERT_EQ(parsed.Status, 0);
    EXPECT_EQ(parsed.Lines,
              (std::vector<std::string>{
                  "CALENDAR\t2.0\t-//Mondeliar//Mondeliar 4.02//EN\tGREGORIAN\tdefault calendar"}));
    EXPECT_EQ(IcsCalendarKey("default calendar"), DefaultKey);
}

TEST_F(IcsFeedTest, AFeedThatCannotBeWrittenEndsTheCommandAfterThePages)
{
    std::filesystem::create_directory(Feed());
    EXPECT_EQ(WriteAllError(), "File access denied");
    EXPECT_TRUE(std::filesystem::exists(out() + "calendar.html"));
    EXPECT_EQ(context.Language.DayNames[1], "Sunday");
}

}  // namespace
}  // namespace mondeliar
