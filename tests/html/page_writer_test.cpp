#include "base/program.h"
#include "html/page_writer.h"
#include "html_fixture.h"

#include <clocale>

// glibc keeps the folder list of LOCPATH that setlocale and newlocale build, and never frees
// it. Only the locale test sets LOCPATH.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:__argz_add_sep\n";
}

extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

namespace mondeliar {
namespace {

using testing::Between;
using testing::Count;
using testing::HtmlTest;
using testing::PageLines;
using testing::TempDir;
using testing::WriteFile;

// The golden page: default settings, a note with a link and a recurring entry.
TEST_F(HtmlTest, DefaultMonthPageIsWrittenExactly)
{
    AddNote(2, 5, 2002, {"Meeting"}, {"http://example.org/m"});
    SetRecurring({"\"2\",\"14\",\"Valentine\""});
    WriteAll();
    testing::ExpectGoldenPage(Page("February.html"), "default_month.html");
}

TEST_F(HtmlTest, HeadFollowsHtmlOption)
{
    WriteFile(dir / "head.txt", "<HTML><HEAD><TITLE>Mine</TITLE></HEAD>\n<BODY>");
    context.ExtraHtml.Header = {"<P>before</P>", "", "<P>again</P>"};
    struct Case {
        int option;
        std::vector<std::string> firstLines;
    } cases[] = {
        {1, {"<HTML><HEAD><TITLE>Mine</TITLE></HEAD>", "<BODY>", "<CENTER>"}},
        {2,
         {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">", "<HTML LANG=\"en\">", "<HEAD>",
          "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">",
          "<META NAME=\"Author\" CONTENT=\"Pellworth\">",
          "<META NAME=\"Reply-To\" CONTENT=\"webmaster\">",
          std::string(
              "<META NAME=\"Formatter\" CONTENT=\"Mondeliar, Version 4.02 05 February 2002 ")
              + MakerWebAddress + "\">",
          "<META HTTP-EQUIV=\"Description\" NAME=\"Title\" CONTENT=\"Calendar\">",
          "<META HTTP-EQUIV=\"Keywords\" CONTENT=\",one,two\">",
          "<TITLE>Calendar - February</TITLE>", "</HEAD>",
          "<BODY LEFTMARGIN=\"0\" TOPMARGIN=\"0\" BGCOLOR=\"ABCDEF\">",
          "<FONT FACE=\"Verdana\" SIZE=\"2\" COLOR=\"000000\">", "<P>before</P>", "",
          "<P>again</P>", "</FONT>", "<CENTER>"}},
        {7, {"<CENTER>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        context.Settings.HTMLOPTION = static_cast<std::uint8_t>(c.option);
        context.Settings.HEADERFILE = dir / "head.txt";
        context.Settings.FOOTERFILE = dir / "head.txt";
        context.Settings.KEYWORDS = ",one,two";
        context.Settings.COLORMONTHNAMEBG = "ABCDEF";
        WriteAll();
        std::vector<std::string> lines = PageLines(Page("February.html"));
        lines.resize(c.firstLines.size());
        EXPECT_EQ(lines, c.firstLines);
    }
}

TEST_F(HtmlTest, StandardHeadOptions)
{
    CalendarSettings& s = context.Settings;
    s.STYLESHEET = "/css/cal.css";
    s.BACKGROUNDIMAGE = "/img/bg.gif";
    s.KEYWORDS = ",a,b";
    s.ADDMONTHTOTITLE = true;
    s.TITLE = "Club <i>events</i>";
    WriteAll();
    std::string june = Page("June.html");
    EXPECT_NE(june.find("<META HTTP-EQUIV=\"Keywords\" CONTENT=\",a,b\r\n\">\r\n"
                        "<LINK REL=StyleSheet HREF=\"/css/cal.css\">\r\n"
                        "<TITLE>Club <i>events</i> - June</TITLE>\r\n</HEAD>\r\n"
                        "<BODY BACKGROUND=\"/img/bg.gif\" LEFTMARGIN=\"0\" TOPMARGIN=\"0\">\r\n"),
              std::string::npos)
        << june.substr(0, 900);
    EXPECT_NE(Page("calendar.html").find("<TITLE>Club <i>events</i></TITLE>"), std::string::npos);

    s.ADDMONTHTOTITLE = false;
    s.STYLESHEET = "";
    WriteAll();
    EXPECT_NE(Page("June.html").find("CONTENT=\",a,b\r\n\">\r\n<TITLE>Club <i>events</i></TITLE>"),
              std::string::npos);
}

TEST_F(HtmlTest, PageHeadingByTitleYearLabelAndMonthLinks)
{
    CalendarSettings& s = context.Settings;
    struct Case {
        bool showTitle;
        int yearLabel;
        int monthLinks;
        int fileNames;
        std::string heading;
    } cases[] = {
        {true, 1, 0, 0,
         "<CENTER>\r\n<FONT FACE=\"Verdana\" COLOR=\"000000\" SIZE=\"5\">Calendar</FONT>\r\n"
         "<H1><A HREF=\"calendar.html\"><FONT FACE=\"Verdana\" COLOR=\"000000\">2002</FONT></A>"
         "</H1>\r\n</CENTER>\r\n"},
        {false, 2, 2, 0,
         "<CENTER>\r\n<H1><A HREF=\"calendar.html\"><IMG SRC=\"2002.gif\" BORDER=\"0\" "
         "ALT=\"2002\"></A></H1>\r\n</CENTER>\r\n"},
        {false, 0, 0, 0, "<CENTER>\r\n<H1><A HREF=\"calendar.html\"></A></H1>\r\n</CENTER>\r\n"},
        {false, 0, 1, 9,
         "<CENTER>\r\n<H1><A HREF=\"calendar.html\"></A></H1>\r\n<FONT FACE=\"Verdana\"></FONT>\r\n"
         "</CENTER>\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        s.DISPLAYWEBPAGETITLE = c.showTitle;
        s.YEARLABEL = static_cast<std::uint8_t>(c.yearLabel);
        s.MONTHLINKS = static_cast<std::uint8_t>(c.monthLinks);
        s.HTMLFILENAME = static_cast<std::uint8_t>(c.fileNames);
        WriteAll();
        std::string name = c.fileNames == 9 ? ".html" : "May.html";
        std::string page = Page(name);
        EXPECT_EQ(page.substr(page.find("<CENTER>"), c.heading.size()), c.heading);
    }
}

TEST_F(HtmlTest, MonthLinkRowRunsInWritingOrder)
{
    context.Settings.STARTYEAR = 1;
    context.Settings.HTMLFILENAME = 2;
    context.Settings.FILEEXTENSION = ".htm";
    context.Settings.MONTHLINKS = 1;
    WriteAll();
    std::string row = Between(Page("2.htm"), "</H1>\r\n<FONT FACE=\"Verdana\">", "</FONT>");
    EXPECT_EQ(
        row, "<A HREF=\"2.htm\">February</A> <A HREF=\"3.htm\">March</A> <A HREF=\"4.htm\">April"
             "</A> <A HREF=\"5.htm\">May</A> <A HREF=\"6.htm\">June</A> <A HREF=\"7.htm\">July</A> "
             "<A HREF=\"8.htm\">August</A> <A HREF=\"9.htm\">September</A> <A HREF=\"10.htm\">"
             "October</A> <A HREF=\"11.htm\">November</A> <A HREF=\"12.htm\">December</A> "
             "<A HREF=\"1.htm\">January</A> ");
    EXPECT_EQ(Count(Page("2.htm"), "<a href="), 0) << "MONTHLINKS 1: no neighbour links";
}

TEST_F(HtmlTest, TableTagAndAlignment)
{
    CalendarSettings& s = context.Settings;
    struct Case {
        int alignTable, alignDate;
        bool borderColour, columnWidth, rowHeight;
        std::string start;
        std::string rowAlign;
    } cases[] = {
        {0, 1, true, true, true,
         "<P ALIGN=\"LEFT\">\r\n<TABLE BORDERCOLOR=\"C0C0C0\" BORDER=\"5\" WIDTH=\"100%\" "
         "COLS=\"7\" "
         "ROWS=\"7\" >\r\n",
         "CENTER"},
        {1, 2, false, true, false,
         "<P ALIGN=\"CENTER\">\r\n<CENTER>\r\n<TABLE BORDER=\"5\" WIDTH=\"100%\" COLS=\"7\" >\r\n",
         "RIGHT"},
        {2, 9, false, false, true,
         "<P ALIGN=\"RIGHT\">\r\n<TABLE BORDER=\"5\" WIDTH=\"100%\" ROWS=\"7\" >\r\n", ""},
        {9, 0, false, false, false, "<P ALIGN=\"\">\r\n<TABLE BORDER=\"5\" WIDTH=\"100%\" >\r\n",
         "LEFT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        s.ALIGNTABLE = static_cast<std::uint8_t>(c.alignTable);
        s.ALIGNDATE = static_cast<std::uint8_t>(c.alignDate);
        s.USEBORDERCOLOR = c.borderColour;
        s.COLUMNWIDTH = c.columnWidth;
        s.ROWHEIGHT = c.rowHeight;
        WriteAll();
        std::string page = Page("March.html");
        EXPECT_EQ(page.substr(page.find("<P ALIGN="), c.start.size()), c.start);
        EXPECT_EQ(
            Count(page, "<TR BGCOLOR=\"FFFFFF\" ALIGN=\"" + c.rowAlign + "\" VALIGN=\"TOP\">"),
            c.alignDate <= 1 ? 7 : 6)
            << "the month-name row is centred and the day-name row left-aligned";
        EXPECT_EQ(Count(page, "<TD ALIGN=\"CENTER\" WIDTH=\"14%\">"), c.columnWidth ? 7 : 0);
        EXPECT_EQ(Count(page, "<TD HEIGHT=\"12%\">"), c.rowHeight ? 31 : 0);
        bool centred = c.alignTable == 1;
        EXPECT_EQ(page.find("</TABLE>\r\n</CENTER>\r\n</P>\r\n") != std::string::npos, centred);
        EXPECT_EQ(page.find("</TABLE>\r\n</P>\r\n") != std::string::npos, !centred);
    }
}

TEST_F(HtmlTest, MonthNameRowByLabelAndNeighbourLinks)
{
    CalendarSettings& s = context.Settings;
    s.HEADINGTAGMONTH = "H2";
    s.COLORMONTHNAMEFG = "112233";
    auto nameLine = [this](const std::string& page) {
        return Between(Page(page), "<FONT FACE=\"Verdana\" COLOR=\"112233\"> \r\n", "\r\n");
    };
    s.MONTHLABEL = 0;
    s.MONTHLINKS = 2;
    WriteAll();
    EXPECT_EQ(nameLine("January.html"),
              "<FONT SIZE=\"2\"><a href=\"December.html\">December</a></FONT> <  ><FONT SIZE=\"2\">"
              "<a href=\"February.html\">February</a></FONT></FONT></H2></TD></TR>");
    EXPECT_EQ(nameLine("December.html"),
              "<FONT SIZE=\"2\"><a href=\"November.html\">November</a></FONT> <  ><FONT SIZE=\"2\">"
              "<a href=\"January.html\">January</a></FONT></FONT></H2></TD></TR>");

    s.MONTHLABEL = 2;
    s.MONTHLINKS = 1;
    WriteAll();
    EXPECT_EQ(nameLine("May.html"),
              "<IMG SRC=\"May.gif\" BORDER=\"0\" ALIGN=\"MIDDLE\" ALT=\"May\">"
              "</H2></TD></TR>");
    std::string all = Page("calendar.html");
    EXPECT_EQ(Count(all, "<a href="), 0) << "the all-months page has no neighbour links";
}

TEST_F(HtmlTest, DateCellsShowNotesLinksImagesAndRecurringEntries)
{
    AddNote(3, 2, 2002, {}, {}, "day2.html");
    AddNote(3, 3, 2002, {"one", "two", "", "four"}, {"", "l2", "", "l4"});
    AddNote(3, 4, 2002, {"", "hidden"});
    AddNote(3, 5, 2002, {"<b>x</b> \"q\""}, {}, "", "pic.gif");
    AddNote(3, 6, 2003, {"other year"});
    context.Settings.NOTEDIVIDER = "<HR>";
    context.Settings.COLORNOTESBG = "FFFF00";
    SetRecurring({"\"3\",\"3\",\"Rec A\"", "\"  3\",\" 7\",\"Padded\"", "\"\",\"7\",\"no month\"",
                  "\"3\",\"\",\"no day\"", "\"3\",\"7\",\"\"", "", "\"03\",\"7\",\"After blank\""});
    WriteAll();
    std::string march = Page("March.html");
    auto cell = [&](int day) { return testing::DateCellLine(march, day); };
    const std::string font = "<FONT FACE=\"Verdana\" SIZE=\"1\" COLOR=\"000000\">";
    EXPECT_EQ(cell(2), "<TD>" + font + "<A HREF=\"day2.html\">2<BR></A><BR></FONT></TD>");
    EXPECT_EQ(cell(3), "<TD BGCOLOR=\"FFFF00\">" + font
                           + "3<BR>one<HR><A HREF=\"l2\">two</A><HR>Rec A<BR><BR></FONT></TD>");
    EXPECT_EQ(cell(4), "<TD BGCOLOR=\"FFFF00\">" + font + "4<BR></FONT></TD>")
        << "a later note colours the cell though the first empty note ends the list";
    EXPECT_EQ(cell(5), "<TD BGCOLOR=\"FFFF00\">" + font
                           + "5<BR><b>x</b> &quot;q&quot;<HR><CENTER><IMG SRC=\"pic.gif\"></CENTER>"
                             "</FONT></TD>");
    EXPECT_EQ(cell(6), "<TD>" + font + "6<BR><BR></FONT></TD>");
    EXPECT_EQ(cell(7), "<TD BGCOLOR=\"FFFF00\">" + font
                           + "7<BR>Padded<BR><BR>After blank<BR><BR></FONT></TD>");
    EXPECT_EQ(Count(Page("March.html"), "Rec A"), 1);
}

TEST_F(HtmlTest, RecurringEntriesRepeatEveryYearWritten)
{
    context.Settings.STARTYEAR = 1;
    AddNote(12, 25, 2002, {"Dinner"});
    SetRecurring({"\"12\",\"25\",\"Christmas\""});
    WriteAll();
    EXPECT_NE(Page("December.html").find(">25<BR>Dinner<BR><BR>Christmas<BR><BR></FONT>"),
              std::string::npos);
    EXPECT_EQ(Count(Page("calendar.html"), "Christmas"), 1);
}

TEST_F(HtmlTest, FooterByLastUpdateOptionAndLink)
{
    CalendarSettings& s = context.Settings;
    WriteFile(dir / "foot.txt", "<P>foot</P>\r\n</BODY></HTML>");
    WriteFile(dir / "head.txt", "<HTML><BODY>");
    s.HEADERFILE = dir / "head.txt";
    s.FOOTERFILE = dir / "foot.txt";
    s.FONTFACE = "Arial";
    context.ExtraHtml.Footer = {"<P>after</P>"};
    const std::string updated = "<CENTER>\r\n<FONT FACE=\"Arial\" SIZE=\"1\" "
                                "COLOR=\"000000\">\r\nThis page was last updated on "
                                "02/05/02 10:11:12<BR>\r\n</FONT>\r\n</CENTER>\r\n";
    struct Case {
        int option;
        bool lastUpdate, allowLink;
        std::string ending;
    } cases[] = {
        {0, false, false, "</P>\r\n</FONT>\r\n</BODY>\r\n</HTML>\r\n"},
        {1, true, true, "</P>\r\n" + updated + "<P>foot</P>\r\n</BODY></HTML>\r\n"},
        {2, false, true,
         "</P>\r\n<FONT FACE=\"Arial\" SIZE=\"2\" COLOR=\"000000\">\r\n<P>after</P>\r\n</FONT>\r\n"
         "</FONT>\r\n<BR><BR>\r\n<CENTER><FONT FACE=\"Arial\" SIZE=\"2\"><A HREF=\""
             + std::string(MakerWebAddress) + "\">" + MakerWebAddress
             + "</A></CENTER></FONT>\r\n</BODY>\r\n</HTML>\r\n"},
        {3, true, true, "</P>\r\n" + updated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        s.HTMLOPTION = static_cast<std::uint8_t>(c.option);
        s.LASTUPDATE = c.lastUpdate;
        s.ALLOWLINK = c.allowLink;
        WriteAll();
        std::string page = Page("April.html");
        ASSERT_GE(page.size(), c.ending.size());
        EXPECT_EQ(page.substr(page.size() - c.ending.size()), c.ending);
    }
    s.HTMLOPTION = 2;
    s.ALLOWLINK = false;
    s.LASTUPDATE = false;
    context.ExtraHtml.Footer.clear();
    WriteAll();
    std::string page = Page("April.html");
    EXPECT_EQ(page.substr(page.find("</P>\r\n")),
              "</P>\r\n<FONT FACE=\"Arial\" SIZE=\"2\" COLOR=\"000000\">\r\n</FONT>\r\n</FONT>\r\n"
              "</BODY>\r\n</HTML>\r\n");
}

TEST(LastUpdatedText, LeavesOutTheTimeAtExactlyMidnight)
{
    std::tm moment = testing::LocalTime(2002, 2, 5);
    EXPECT_EQ(LastUpdatedText(moment), "02/05/02");
    moment.tm_sec = 1;
    EXPECT_EQ(LastUpdatedText(moment), "02/05/02 00:00:01");
}

// A locale compiled for the test into its own folder: the machine need not have it.
class GeneratedTimeLocale {
public:
    explicit GeneratedTimeLocale(const std::string& name)
    {
        std::string source = name.substr(0, name.find('.'));
        std::string charset = name.substr(name.find('.') + 1);
        std::string command = "localedef -i " + source + " -f " + charset + " '" + (dir / name)
                              + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        ::setenv("LOCPATH", dir.Path().c_str(), 1);
        active_ = std::setlocale(LC_TIME, name.c_str()) != nullptr;
    }
    ~GeneratedTimeLocale()
    {
        std::setlocale(LC_TIME, "C");
        ::unsetenv("LOCPATH");
    }
    bool Active() const { return active_; }

private:
    TempDir dir;
    bool active_ = false;
};

TEST(LastUpdatedText, UnderAUtf8LocaleIsWindows1252WithReferences)
{
    GeneratedTimeLocale korean("ko_KR.UTF-8");
    if (!korean.Active())
        GTEST_SKIP() << "localedef cannot make ko_KR.UTF-8 here";
    EXPECT_EQ(LastUpdatedText(testing::LocalTime(2002, 2, 5, 13, 4, 5)),
              "2002&#45380; 02&#50900; 05&#51068; 13&#49884; 04&#48516; 05&#52488;");
}

TEST_F(HtmlTest, LanguageNamesFillTablesAndLinks)
{
    context.Settings.LANGUAGESELECTED = "French";
    context.LoadLanguage("French");
    context.Settings.STARTWEEK = 1;
    WriteAll();
    std::string fevrier = Page("F\xE9vrier.html");
    ASSERT_FALSE(fevrier.empty());
    EXPECT_NE(fevrier.find("<TITLE>Calendar - F\xE9vrier</TITLE>"), std::string::npos);
    EXPECT_NE(fevrier.find("SIZE=\"2\">Lundi</FONT></TD>"), std::string::npos);
    std::string dayRow = Between(fevrier, "ALIGN=\"LEFT\" VALIGN=\"TOP\">\r\n", "</TR>");
    EXPECT_EQ(Count(dayRow, "Lundi"), 1);
    EXPECT_LT(dayRow.find("Lundi"), dayRow.find("Dimanche")) << "Monday heads the week";
    EXPECT_EQ(context.Language.DayNames[1], "Dimanche") << "names back in the language's order";

    context.Settings.HTMLFILENAME = 1;
    WriteAll();
    std::string february = Page("February.html");
    EXPECT_NE(february.find("<a href=\"March.html\">Mars</a>"), std::string::npos);
}

}  // namespace
}  // namespace mondeliar
