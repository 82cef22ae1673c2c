#include "base/errors.h"
#include "html/write_command.h"
#include "html_fixture.h"

#include <sys/stat.h>

namespace mondeliar {
namespace {

using testing::Between;
using testing::Count;
using testing::FilesIn;
using testing::HtmlTest;
using testing::ReadFile;
using testing::WriteFile;

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// The month headings of a page, in order, as "<month name> <year>" from the month-name rows
// and "== <year>" from the year separators.
std::vector<std::string> Headings(const std::string& page)
{
    std::vector<std::string> headings;
    std::size_t at = 0;
    for (;;) {
        std::size_t month
            = page.find("COLSPAN=\"7\"><H3><FONT FACE=\"Verdana\" COLOR=\"000000\"> \r\n", at);
        std::size_t separator = page.find("<center>\r\n<H1>\r\n", at);
        if (month == std::string::npos && separator == std::string::npos)
            return headings;
        if (month < separator) {
            std::size_t start = page.find("\r\n", month) + 2;
            headings.push_back(page.substr(start, page.find("</H3>", start) - start));
            at = start;
        } else {
            headings.push_back("== "
                               + Between(page.substr(separator), "COLOR=\"000000\">", "</FONT>"));
            at = separator + 10;
        }
    }
}

TEST_F(HtmlTest, StartingInJanuaryWritesTheYearAndTheNextYearsHeading)
{
    context.Settings.MONTHLINKS = 0;
    WriteAll();
    EXPECT_EQ(FilesIn(out()),
              Sorted({"January.html", "February.html", "March.html", "April.html", "May.html",
                      "June.html", "July.html", "August.html", "September.html", "October.html",
                      "November.html", "December.html", "calendar.html", "current.html"}));
    EXPECT_EQ(Headings(Page("calendar.html")),
              (std::vector<std::string>{"January", "February", "March", "April", "May", "June",
                                        "July", "August", "September", "October", "November",
                                        "December", "== 2003"}));
    std::string all = Page("calendar.html");
    EXPECT_NE(all.find("</P>\r\n<center>\r\n<H1>\r\n<FONT FACE=\"Verdana\" COLOR=\"000000\">2003"
                       "</FONT>\r\n</H1>\r\n<CENTER>\r\n<FONT FACE=\"Verdana\" SIZE=\"1\""),
              std::string::npos)
        << "the separator follows December, just before the footer";
    EXPECT_EQ(Page("current.html"), Page("February.html"));
    EXPECT_NE(Page("December.html").find(">2002</FONT></A></H1>"), std::string::npos);
}

TEST_F(HtmlTest, CurrentMonthStartRunsIntoTheNextYear)
{
    context.Settings.STARTYEAR = 1;
    context.Settings.MONTHLINKS = 0;
    WriteAll();
    EXPECT_EQ(Headings(Page("calendar.html")),
              (std::vector<std::string>{"February", "March", "April", "May", "June", "July",
                                        "August", "September", "October", "November", "December",
                                        "== 2003", "January"}));
    EXPECT_NE(Page("January.html").find(">2003</FONT></A></H1>"), std::string::npos);
    EXPECT_NE(Page("calendar.html").find(">2002</FONT></A></H1>"), std::string::npos);
    // 1 January 2003 is a Wednesday: three blank cells before it.
    std::string firstWeek = Between(Page("January.html"), "</FONT></TD>\r\n</TR>\r\n", "</TR>");
    EXPECT_EQ(Count(firstWeek, "&nbsp;"), 3);
    EXPECT_EQ(Page("current.html"), Page("February.html"));
}

TEST_F(HtmlTest, SelectedStartMonthTakesItsYear)
{
    context.Settings.STARTYEAR = 2;
    context.Settings.SELECTEDSTARTMONTH = 3;
    context.Settings.SELECTEDSTARTYEAR = 2001;
    context.Settings.MONTHLINKS = 0;
    AddNote(2, 5, 2002, {"in range"});
    AddNote(3, 5, 2002, {"out of range"});
    WriteAll();
    EXPECT_EQ(Headings(Page("calendar.html")).front(), "March");
    EXPECT_NE(Page("March.html").find(">2001</FONT></A></H1>"), std::string::npos);
    EXPECT_NE(Page("February.html").find("in range"), std::string::npos);
    EXPECT_EQ(Page("March.html").find("out of range"), std::string::npos);
    EXPECT_EQ(Page("current.html"), Page("February.html")) << "today's month of the range";
}

TEST_F(HtmlTest, UnusableSelectedStartWritesNothing)
{
    context.Settings.STARTYEAR = 2;
    context.Settings.SELECTEDSTARTMONTH = 0;
    context.Settings.SELECTEDSTARTYEAR = 2002;
    EXPECT_EQ(WriteAllError(), "The selected start month 0 is not a month from 1 to 12");
    context.Settings.SELECTEDSTARTMONTH = 13;
    EXPECT_EQ(WriteAllError(), "The selected start month 13 is not a month from 1 to 12");
    context.Settings.SELECTEDSTARTMONTH = 5;
    context.Settings.SELECTEDSTARTYEAR = 0;
    EXPECT_EQ(WriteAllError(), "The selected start year 0 is not a year from 1 on");
    EXPECT_TRUE(FilesIn(out()).empty());
    EXPECT_EQ(context.Language.DayNames[1], "Sunday");
}

TEST_F(HtmlTest, YearPrefixAgreesBetweenNamesAndLinks)
{
    context.Settings.STARTYEAR = 1;
    context.Settings.ADDYEAR = true;
    WriteAll();
    EXPECT_EQ(FilesIn(out()),
              Sorted({"2002February.html", "2002March.html", "2002April.html", "2002May.html",
                      "2002June.html", "2002July.html", "2002August.html", "2002September.html",
                      "2002October.html", "2002November.html", "2002December.html",
                      "2003January.html", "2002calendar.html", "current.html"}));
    std::string december = Page("2002December.html");
    EXPECT_NE(december.find("<a href=\"2003January.html\">January</a>"), std::string::npos);
    EXPECT_NE(december.find("<A HREF=\"2002calendar.html\">"), std::string::npos);
    EXPECT_NE(december.find("<A HREF=\"2003January.html\">January</A> "), std::string::npos);
    std::string january = Page("2003January.html");
    EXPECT_NE(january.find("<a href=\"2002December.html\">December</a>"), std::string::npos);
    EXPECT_NE(january.find("<A HREF=\"2002calendar.html\">"), std::string::npos);
    // Every link of every page names a file that was written.
    for (const std::string& file : FilesIn(out())) {
        std::string page = Page(file);
        for (std::size_t at = page.find("HREF=\""); at != std::string::npos;
             at = page.find("HREF=\"", at + 1)) {
            std::string target = page.substr(at + 6, page.find('"', at + 6) - at - 6);
            if (target.find("http") == 0)
                continue;
            EXPECT_TRUE(std::filesystem::exists(out() + target)) << file << " -> " << target;
        }
    }
}

TEST_F(HtmlTest, MonthNumbersAndEnglishNamesAsFileNames)
{
    context.Settings.HTMLFILENAME = 2;
    context.Settings.FILEEXTENSION = ".htm";
    WriteAll();
    EXPECT_EQ(FilesIn(out()),
              Sorted({"1.htm", "2.htm", "3.htm", "4.htm", "5.htm", "6.htm", "7.htm", "8.htm",
                      "9.htm", "10.htm", "11.htm", "12.htm", "calendar.htm", "current.htm"}));
}

TEST_F(HtmlTest, OutputFolderWithoutTrailingSlashGluesTheNames)
{
    context.Settings.HTMLPATH = dir / "out/site";
    WriteAll();
    EXPECT_TRUE(std::filesystem::exists(dir / "out/siteMay.html"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/sitecurrent.html"));
}

TEST_F(HtmlTest, WritingTwiceGivesTheSamePages)
{
    AddNote(6, 1, 2002, {"x"});
    WriteAll();
    std::string first = Page("calendar.html");
    WriteAll();
    EXPECT_EQ(Page("calendar.html"), first);
}

TEST_F(HtmlTest, TheMonthGridFollowsTheWritingAndReturnsToToday)
{
    context.Settings.STARTYEAR = 1;
    WriteAll();
    ASSERT_EQ(shownDates.size(), 25u);
    EXPECT_EQ(shownDates[0], (Date{2002, 2, 1}));
    EXPECT_EQ(shownDates[11], (Date{2003, 1, 1}));
    EXPECT_EQ(shownDates[12], (Date{2002, 2, 1}));
    EXPECT_EQ(shownDates[24], (Date{2002, 2, 5}));
}

TEST_F(HtmlTest, RecurringEntriesAreReloadedFromTheirFile)
{
    context.Recurring.SetRow(1, "2", "6", "unsaved");
    SetRecurring({"\"2\",\"7\",\"saved\""});
    WriteAll();
    EXPECT_EQ(Page("February.html").find("unsaved"), std::string::npos);
    EXPECT_NE(Page("February.html").find("saved"), std::string::npos);
}

TEST_F(HtmlTest, FailuresEndTheCommandWithTheirTexts)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string error;
        std::vector<std::string> written;
    };
    Case cases[] = {
        {"missing recurring file",
         [&] { std::filesystem::remove(context.RecurringFileName()); },
         "File not found",
         {}},
        {"missing output folder",
         [&] { context.Settings.HTMLPATH = dir / "none/"; },
         "Invalid filename",
         {}},
        {"output folder in the way of a page",
         [&] { std::filesystem::create_directory(out() + "March.html"); },
         "File access denied",
         {"January.html", "February.html", "current.html", "March.html"}},
        {"bad recurring month",
         [&] { SetRecurring({"\"x3\",\"1\",\"party\""}); },
         "'x3' is not a valid integer value",
         {"January.html"}},
        {"bad recurring day only tested in its month",
         [&] { SetRecurring({"\"3\",\"1st\",\"party\""}); },
         "'1st' is not a valid integer value",
         {"January.html", "February.html", "current.html", "March.html"}},
        {"missing header file",
         [&] {
             context.Settings.HTMLOPTION = 1;
             context.Settings.HEADERFILE = dir / "none.html";
             context.Settings.FOOTERFILE = dir / "none.html";
         },
         "File not found",
         {"January.html"}},
        {"empty header file name",
         [&] {
             context.Settings.HTMLOPTION = 1;
             context.Settings.HEADERFILE = "";
         },
         "File not found",
         {"January.html"}},
        {"missing footer file",
         [&] {
             WriteFile(dir / "head.html", "<HTML>");
             context.Settings.HTMLOPTION = 1;
             context.Settings.HEADERFILE = dir / "head.html";
             context.Settings.FOOTERFILE = dir / "none/foot.html";
         },
         "Invalid filename",
         {"January.html"}},
        {"current copy cannot be created",
         [&] { std::filesystem::create_symlink(dir / "none/x", out() + "current.html"); },
         "Cannot create file " + out() + "current.html",
         {"January.html", "February.html", "current.html"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(out());
        std::filesystem::create_directory(out());
        std::string recurring = ReadFile(context.RecurringFileName());
        CalendarSettings saved = context.Settings;
        c.arrange();
        EXPECT_EQ(WriteAllError(), c.error);
        EXPECT_EQ(FilesIn(out()), Sorted(c.written));
        EXPECT_EQ(context.Language.DayNames[1], "Sunday");
        context.Settings = saved;
        std::filesystem::remove_all(out() + "current.html");
        WriteFile(context.RecurringFileName(), recurring);
    }
}

TEST_F(HtmlTest, PageNamesThatAreNoPlainFileNamesStopTheCommandBeforeAnyPage)
{
    struct Case {
        int month;
        std::string monthName;
        std::string extension;
    } cases[] = {
        {2, "../escaped", ".html"},
        {12, "sub/dir", ".html"},
        {7, "back\\slash", ".html"},
        {1, "bell\a", ".html"},
        {3, "..", ""},
        {3, "March", "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.monthName + c.extension);
        std::filesystem::remove_all(out());
        std::filesystem::create_directory(out());
        LanguageNameSet names = context.Language.LanguageNames;
        context.Language.MonthNames[c.month] = c.monthName;
        context.Settings.FILEEXTENSION = c.extension;
        EXPECT_EQ(WriteAllError(), "Invalid filename");
        EXPECT_EQ(FilesIn(out()), std::vector<std::string>{});
        EXPECT_FALSE(std::filesystem::exists(dir / "escaped.html"));
        context.Language.MonthNames = names.Months;
    }
}

TEST_F(HtmlTest, AMonthPageNamedLikeTheCurrentCopyKeepsItsContent)
{
    context.Language.MonthNames[2] = "current";
    WriteAll();
    std::string current = Page("current.html");
    EXPECT_NE(current.find("<TITLE>Calendar - current</TITLE>"), std::string::npos);
    EXPECT_EQ(current.substr(current.size() - 9), "</HTML>\r\n");
}

TEST_F(HtmlTest, HeaderAndFooterFilesMustBeRegularFilesOfASaneSize)
{
    WriteFile(dir / "head.html", "<HTML><BODY>");
    WriteFile(dir / "big.html", "");
    std::filesystem::resize_file(dir / "big.html", 16 * 1024 * 1024 + 1);
    std::filesystem::create_directory(dir / "folder.html");
    struct Case {
        std::string header, footer, error;
    } cases[] = {
        {dir / "folder.html", dir / "head.html", dir / "folder.html" + " is not a regular file"},
        {dir / "big.html", dir / "head.html", dir / "big.html" + " is larger than 16 MiB"},
        {dir / "head.html", dir / "big.html", dir / "big.html" + " is larger than 16 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        context.Settings.HTMLOPTION = 1;
        context.Settings.HEADERFILE = c.header;
        context.Settings.FOOTERFILE = c.footer;
        EXPECT_EQ(WriteAllError(), c.error);
    }
}

TEST_F(HtmlTest, DayNamesAreRestoredAfterAFailure)
{
    context.Settings.STARTWEEK = 3;
    context.Settings.HTMLPATH = dir / "none/";
    EXPECT_EQ(WriteAllError(), "Invalid filename");
    EXPECT_EQ(context.Language.DayNames, EnglishDayNames);
}

TEST_F(HtmlTest, RenderedMonthPageIsTheWrittenPageByteForByte)
{
    struct Case {
        const char* what;
        std::function<void(CalendarSettings&)> arrange;
        int month;
        std::string page;
    };
    Case cases[] = {
        {"defaults, today's month", [](CalendarSettings&) {}, 2, "February.html"},
        {"extra HTML, week from Wednesday, all options",
         [](CalendarSettings& s) {
             s.HTMLOPTION = 2;
             s.STARTWEEK = 3;
             s.COLUMNWIDTH = s.ROWHEIGHT = s.USEBORDERCOLOR = s.DISPLAYWEBPAGETITLE = true;
             s.STYLESHEET = "site.css";
             s.KEYWORDS = ",alpha,beta";
         },
         7, "July.html"},
        {"current month start, a month of the next year, year prefix",
         [](CalendarSettings& s) {
             s.STARTYEAR = 1;
             s.ADDYEAR = true;
             s.HTMLFILENAME = 2;
         },
         1, "20031.html"},
        {"selected start in another year, images for labels",
         [](CalendarSettings& s) {
             s.STARTYEAR = 2;
             s.SELECTEDSTARTMONTH = 11;
             s.SELECTEDSTARTYEAR = 1999;
             s.YEARLABEL = s.MONTHLABEL = 2;
         },
         3, "March.html"},
        {"modern style, extra HTML, week from Monday",
         [](CalendarSettings& s) {
             s.PAGESTYLE = 1;
             s.HTMLOPTION = 2;
             s.STARTWEEK = 1;
         },
         2, "February.html"},
    };
    AddNote(2, 14, 2002, {"Valentine \xE9", "second"}, {"http://x"}, "day.html", "d.gif");
    AddNote(1, 3, 2003, {"next year"});
    AddNote(3, 1, 2000, {"old"});
    SetRecurring({"\"2\",\"5\",\"Launch\"", "\"7\",\"4\",\"Party\"", "\"3\",\"1\",\"Spring\""});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CalendarSettings saved = context.Settings;
        c.arrange(context.Settings);
        std::filesystem::remove_all(out());
        std::filesystem::create_directory(out());
        context.LoadRecurring();
        std::string rendered = RenderMonthPage(context, c.month, hooks);
        EXPECT_TRUE(FilesIn(out()).empty()) << "rendering writes nothing";
        EXPECT_EQ(context.Language.DayNames, EnglishDayNames);
        WriteAll();
        EXPECT_EQ(rendered, Page(c.page));
        context.Settings = saved;
    }
}

TEST_F(HtmlTest, RenderingUsesTheRecurringListAsItStands)
{
    SetRecurring({"\"2\",\"7\",\"saved\""});
    context.LoadRecurring();
    context.Recurring.SetRow(1, "2", "6", "unsaved");
    std::string page = RenderMonthPage(context, 2, hooks);
    EXPECT_NE(page.find("unsaved"), std::string::npos);
    EXPECT_EQ(context.Recurring.Row(1).Description, "unsaved");
}

TEST_F(HtmlTest, RenderingAMissingHeaderFileRaisesItsError)
{
    context.Settings.HTMLOPTION = 1;
    context.Settings.HEADERFILE = dir / "none.html";
    try {
        RenderMonthPage(context, 2, hooks);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(context.Language.DayNames, EnglishDayNames);
}

}  // namespace
}  // namespace mondeliar
