// The modern page style: golden pages for what differs from the classic pages, and the texts
// as it writes them. The Nu Html Checker and axe-core check whole calendars of it in
// tests/pagecheck (the CTest test ModernPagesPassTheValidatorAndAxe).

#include "html/modern_style.h"
#include "html/modern_text.h"
#include "html/write_command.h"
#include "html_fixture.h"

#include <cstring>
#include <map>
#include <set>

namespace mondeliar {
namespace {

using testing::Between;
using testing::Count;
using testing::FilesIn;
using testing::HtmlTest;
using testing::PageLines;
using testing::ReadFile;
using testing::WriteFile;

// The fixed style rules are the program's text, not the page's: a golden page holds one line
// in their place. What a calendar puts into the styles is the ":root" line before them.
std::string WithoutStyleRules(std::string page)
{
    std::size_t at = page.find(ModernStyleRules);
    if (at != std::string::npos)
        page.replace(at, std::strlen(ModernStyleRules), "[the program's style rules]\r\n");
    return page;
}

// MONDELIAR_UPDATE_GOLDEN=1 writes the fixture anew; look at the difference before committing.
void ExpectGolden(const std::string& page, const std::string& fixture)
{
    std::string path = std::string(MONDELIAR_TEST_DIR) + "/golden/" + fixture;
    std::string actual = WithoutStyleRules(page);
    if (std::getenv("MONDELIAR_UPDATE_GOLDEN"))
        WriteFile(path, actual);
    EXPECT_EQ(PageLines(actual), PageLines(ReadFile(path))) << fixture;
}

class ModernPageTest : public HtmlTest {
protected:
    ModernPageTest() { context.Settings.PAGESTYLE = 1; }

    void UseLanguage(const std::string& name)
    {
        context.Settings.LANGUAGESELECTED = name;
        context.LoadLanguage(name);
    }
};

TEST_F(ModernPageTest, MonthPageWithDefaultSettings)
{
    AddNote(2, 5, 2002, {"Meeting", "Caf\xE9 & cr\xE8me", "a < b", "", "after an empty row"},
            {"http://example.org/m"}, "http://example.org/day", "party.gif");
    AddNote(2, 20, 2002, {}, {}, "http://example.org/20");
    AddNote(2, 22, 2002, {"", "behind an empty row"});
    SetRecurring({"\"2\",\"14\",\"Valentine\"", "\"2\",\"5\",\"<b>Yearly</b>\""});
    std::string page = WriteSingleMonth(2, 2002);
    ExpectGolden(page, "modern_month.html");
    EXPECT_EQ(Count(page, PageLastUpdatedLine(context.Settings, hooks.Now()) + "\r\n"), 1)
        << "the line that changed-only publishing leaves out";
}

TEST_F(ModernPageTest, MonthPageWithLanguageImagesFeedAndExtraHtml)
{
    UseLanguage("French");
    CalendarSettings& s = context.Settings;
    s.HTMLOPTION = 2;
    s.ICSFEED = s.DISPLAYWEBPAGETITLE = s.USEBORDERCOLOR = true;
    s.LASTUPDATE = s.ALLOWLINK = false;
    s.STYLESHEET = "my style.css";
    s.TITLE = "Club <b>\xE9t\xE9</b>";
    s.DESCRIPTION = "Les dates du club";
    s.KEYWORDS = ",club,f\xEAtes";
    s.YEARLABEL = s.MONTHLABEL = s.MONTHLINKS = 2;
    s.STARTWEEK = 1;
    s.COLORBORDER = "123456";
    s.COLORNOTESBG = "FFEEDD";
    s.FONTFACE = "Times New Roman, serif";
    context.ExtraHtml.Header = TextLines({"<p>Bienvenue \xE0 tous</p>"});
    context.ExtraHtml.Footer = TextLines({"<p>\x80 5</p>"});
    AddNote(12, 24, 2002, {"R\xE9veillon"}, {"http://example.org/f\xEAte"}, "",
            "sapin d\xE9"
            "cor.gif");
    s.STARTYEAR = 2;
    s.SELECTEDSTARTMONTH = 12;
    s.SELECTEDSTARTYEAR = 2002;
    WriteAll();
    ExpectGolden(Page("D\xE9"
                      "cembre.html"),
                 "modern_options.html");
}

TEST_F(ModernPageTest, AllMonthsPageHoldsTheTwelveMonthsAndTheYearHeading)
{
    context.Settings.STARTYEAR = 1;
    context.Settings.YEARLABEL = 0;
    AddNote(2, 5, 2002, {"Meeting"}, {}, "http://example.org/day");
    AddNote(1, 7, 2003, {"Next year"});
    WriteAll();
    std::string page = Page("calendar.html");
    for (const char* month : {"February 2002", "January 2003"})
        EXPECT_EQ(
            Between(page, std::string("<caption>") + month, "</table>"),
            Between(Page(std::string(month).substr(0, std::string(month).find(' ')) + ".html"),
                    std::string("<caption>") + month, "</table>"))
            << "the all-months page has the month pages' cells";
    EXPECT_EQ(Count(page, "Next year"), 1);
    EXPECT_NE(page.find("<title>Calendar</title>"), std::string::npos);
    EXPECT_EQ(Count(page, "<div class=\"month\">"), 12);
    EXPECT_EQ(Count(page, "class=\"neighbours\""), 0);
    EXPECT_EQ(Count(page, "aria-current=\"page\""), 0);
    EXPECT_NE(page.find("<caption>December 2002</caption>\r\n"), std::string::npos);
    EXPECT_EQ(Between(page, "<caption>December 2002", "<caption>January 2003"),
              Between(page, "<caption>December 2002", "<h1 class=\"year-separator\">")
                  + "<h1 class=\"year-separator\"><span class=\"vh\">2003</span></h1>\r\n"
                    "<div class=\"month\">\r\n<table>\r\n");
    EXPECT_EQ(Page("current.html"), Page("February.html"));
}

// A header file holds the head: the program's head elements go right after its <head> tag.
// It is taken as UTF-8 when it is, else as Windows-1252.
TEST_F(ModernPageTest, HeaderAndFooterFilesKeepTheirHeadAndGetTheStyles)
{
    struct Row {
        std::string header;
        std::string expectedStart;  // up to the program's first head element
    } rows[] = {
        {"<html lang=\"de\"><HEAD><title>M\xC3\xA4rz</title></head><body>",
         "<html lang=\"de\"><HEAD>\r\n<meta charset=\"utf-8\">\r\n"},
        {"<html>\r\n<head>\r\n<title>M\xE4rz</title></head><body>",
         "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"},
        {"<header>no head: no styles</header>",
         "<header>no head: no styles</header>\r\n<header class=\"page-heading\">"},
    };
    CalendarSettings& s = context.Settings;
    s.HTMLOPTION = 1;
    s.HEADERFILE = dir / "head.html";
    s.FOOTERFILE = dir / "foot.html";
    WriteFile(s.FOOTERFILE, "<p>Fu\xDF</p></body></html>\r\n");
    const std::string footer = "<p>Fu\xC3\x9F</p></body></html>\r\n";
    for (const Row& row : rows) {
        WriteFile(s.HEADERFILE, row.header + "\r\n");
        WriteAll();
        std::string page = Page("March.html");
        EXPECT_EQ(page.substr(0, row.expectedStart.size()), row.expectedStart);
        bool styled = row.expectedStart.find("<meta") != std::string::npos;
        EXPECT_EQ(Count(page, "</style>\r\n<title>M\xC3\xA4rz</title></head><body>\r\n"),
                  styled ? 1 : 0);
        EXPECT_EQ(page.substr(page.size() - footer.size()), footer);
    }
}

// Both styles write the same files, and every page links the same pages.
TEST_F(HtmlTest, BothStylesWriteTheSameFilesWithTheSameLinks)
{
    auto pageLinks = [this](const std::string& file) {
        std::set<std::string> links;
        std::string page = Page(file);
        for (const char* attribute : {"HREF=\"", "href=\""})
            for (std::size_t at = page.find(attribute); at != std::string::npos;
                 at = page.find(attribute, at + 1)) {
                std::size_t start = at + 6;
                std::string link = page.substr(start, page.find('"', start) - start);
                for (std::size_t pc; (pc = link.find('%')) != std::string::npos;)
                    link.replace(pc, 3, 1,
                                 static_cast<char>(std::stoi(link.substr(pc + 1, 2), nullptr, 16)));
                if (link.find(".htm") != std::string::npos)
                    links.insert(link);
            }
        return links;
    };
    auto written = [&] {
        std::map<std::string, std::set<std::string>> files;
        for (const std::string& file : FilesIn(out()))
            files[file] = pageLinks(file);
        return files;
    };
    struct Row {
        int startYear, fileName, monthLinks;
        bool addYear;
        const char* language;
    } rows[] = {
        {0, 0, 3, false, "English"}, {1, 0, 1, true, "French"},   {2, 2, 2, false, "German"},
        {1, 1, 3, true, "Spanish"},  {0, 5, 3, false, "English"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        CalendarSettings& s = context.Settings;
        s.STARTYEAR = static_cast<std::uint8_t>(row.startYear);
        s.HTMLFILENAME = static_cast<std::uint8_t>(row.fileName);
        s.MONTHLINKS = static_cast<std::uint8_t>(row.monthLinks);
        s.ADDYEAR = row.addYear;
        s.SELECTEDSTARTMONTH = 11;
        s.SELECTEDSTARTYEAR = 2001;
        context.LoadLanguage(row.language);
        std::map<std::string, std::string> classicPages;
        std::map<std::string, std::set<std::string>> byStyle[3];
        for (int style : {0, 1, 2}) {
            std::filesystem::remove_all(out());
            std::filesystem::create_directory(out());
            s.PAGESTYLE = static_cast<std::uint8_t>(style);
            WriteAll();
            byStyle[style] = written();
            for (const auto& file : byStyle[style]) {
                if (style == 0) {
                    classicPages[file.first] = Page(file.first);
                } else if (style == 2) {
                    EXPECT_EQ(Page(file.first), classicPages[file.first])
                        << "PAGESTYLE 2 is no style: classic pages";
                }
            }
        }
        EXPECT_EQ(byStyle[1], byStyle[0]);
        EXPECT_EQ(byStyle[0].size(), row.fileName == 5 ? 3u : 14u);
    }
}

TEST(ModernText, HtmlKeepsMarkupAndMakesTheRestSafe)
{
    const std::pair<std::string, std::string> rows[] = {
        {"<b>Caf\xE9</b> &amp; Co", "<b>Caf\xC3\xA9</b> &amp; Co"},
        {"a < b, c<3, <!-- remark -->, </i>", "a &lt; b, c&lt;3, <!-- remark -->, </i>"},
        {"x<", "x&lt;"},
        {"\x80 \x81 \x9F", "\xE2\x82\xAC \xEF\xBF\xBD \xC5\xB8"},
        {std::string("tab\tbell\a\x7F"
                     "del\x01",
                     14),
         "tab\tbelldel"},
        {"&#26085; <a href='x'>", "&#26085; <a href='x'>"},
    };
    for (const auto& [text, html] : rows)
        EXPECT_EQ(HtmlText(text), html) << text;
}

TEST(ModernText, AttributesLinksAndStyles)
{
    EXPECT_EQ(PlainHtmlText("<b>Tom</b> &amp; \"Jerry\" <i>&lt;3</i> \xE9"),
              "Tom &amp; &quot;Jerry&quot; &lt;3 \xC3\xA9");
    const std::pair<std::string, std::string> links[] = {
        {" http://example.org/a b?q=\"x\"&r=<1> ", "http://example.org/a%20b?q=%22x%22&r=%3C1%3E"},
        {"f\xEAte.gif", "f\xC3\xAAte.gif"},
        {"C:\\pics\\a|b.gif", "C:%5Cpics%5Ca%7Cb.gif"},
    };
    for (const auto& [link, attribute] : links)
        EXPECT_EQ(LinkAttribute(link), attribute) << link;
    EXPECT_EQ(PageLink("2002F\xE9vrier #1?.html"), "2002F%E9vrier%20%231%3F.html");
    const std::pair<std::string, std::string> colours[] = {
        {"C0c0C0", "#C0c0C0"}, {"red", "red"}, {"12345", "#FFF"}, {"1;}x", "#FFF"}, {"", "#FFF"},
    };
    for (const auto& [stored, css] : colours)
        EXPECT_EQ(CssColour(stored, "#FFF"), css) << stored;
    EXPECT_EQ(CssFontFamily("Verdana"), "\"Verdana\", sans-serif");
    EXPECT_EQ(CssFontFamily(" Times New Roman ,serif,,\"x\";}</style>"),
              "\"Times New Roman\", serif, \"x/style\", sans-serif");
    EXPECT_EQ(CssFontFamily("sans-serif"), "sans-serif");
}

TEST(ModernText, ShortDayNamesAndUtf8)
{
    EXPECT_EQ(ShortName("Wednesday"), "Wed");
    EXPECT_EQ(ShortName("Mo"), "Mo");
    EXPECT_EQ(ShortName("&#26085;&#26332;&#26085;x"), "&#26085;&#26332;&#26085;");
    EXPECT_EQ(ShortName("&amp x"), "&am");
    for (const char* valid : {"", "plain", "M\xC3\xA4rz", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"})
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    for (const char* invalid :
         {"M\xE4rz", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF5\x80\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
}

}  // namespace
}  // namespace mondeliar
