// The modern page around the months: the HTML5 head with the program's styles, the page
// heading with the year link, the month links and the feed, and the page end.

#include "base/errors.h"
#include "base/program.h"
#include "base/text_reader.h"
#include "base/windows1252.h"
#include "html/ics_feed.h"
#include "html/modern_style.h"
#include "html/modern_text.h"
#include "html/modern_writer.h"
#include "html/page_names.h"

#include <cstdio>
#include <vector>

namespace mondeliar {

namespace {

// The element of a heading setting such as "H1"; anything else gives h1.
std::string HeadingElement(const std::string& tag)
{
    if (tag.size() == 2 && (tag[0] == 'H' || tag[0] == 'h') && tag[1] >= '1' && tag[1] <= '6')
        return std::string("h") + tag[1];
    return "h1";
}

// KEYWORDS holds each keyword after a comma (",club,dates"): "club, dates".
std::string KeywordList(const std::string& keywords)
{
    std::string list;
    for (std::size_t start = 0; start <= keywords.size();) {
        std::size_t comma = std::min(keywords.find(',', start), keywords.size());
        std::string keyword = PlainHtmlText(keywords.substr(start, comma - start));
        if (!keyword.empty())
            list += (list.empty() ? "" : ", ") + keyword;
        start = comma + 1;
    }
    return list;
}

// A header or footer file is the user's own: taken as UTF-8 when it is valid UTF-8, else as
// Windows-1252 like every other text. An empty name is a file that is not found.
std::vector<std::string> PageFileLines(const std::string& path)
{
    if (path.empty())
        throw FileError("File not found");
    TextReader reader(path, HtmlTextSizeLimit, HtmlTextSizeLimit);
    std::vector<std::string> lines;
    bool utf8 = true;
    for (std::string line; reader.ReadLine(line);) {
        utf8 = utf8 && IsValidUtf8(line);
        lines.push_back(line);
    }
    if (!utf8)
        for (std::string& line : lines)
            line = HtmlText(line);
    return lines;
}

// Where the program's head elements go in a header file's line: just after its <head> tag.
std::size_t AfterHeadTag(const std::string& line)
{
    for (std::size_t at = line.find('<'); at != std::string::npos; at = line.find('<', at + 1)) {
        bool head = line.size() > at + 5;
        for (std::size_t i = 0; head && i < 4; ++i)
            head = (line[at + 1 + i] | 0x20) == "head"[i];
        char next = head ? line[at + 5] : 0;
        if (head && (next == '>' || next == ' ' || next == '\t' || next == '/')) {
            std::size_t end = line.find('>', at);
            return end == std::string::npos ? std::string::npos : end + 1;
        }
    }
    return std::string::npos;
}

std::string LocalTimeValue(const std::tm& moment)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", moment.tm_year + 1900,
                  moment.tm_mon + 1, moment.tm_mday, moment.tm_hour, moment.tm_min, moment.tm_sec);
    return text;
}

}  // namespace

std::string ModernLastUpdatedLine(const std::tm& moment)
{
    return "<p class=\"updated\">This page was last updated on <time datetime=\""
           + LocalTimeValue(moment) + "\">" + Windows1252ToUtf8(LastUpdatedText(moment))
           + "</time></p>";
}

ModernPageWriter::ModernPageWriter(CalendarContext& context, WrittenRange range,
                                   PageWriterHooks hooks, PageOutputOpener openPage)
    : PageWriterBase(context, range, std::move(hooks), std::move(openPage))
    , language_(PageLanguageTag(context.Language))
    , headingTag_(HeadingElement(context.Settings.HEADINGTAGYEAR))
{
}

std::string ModernPageWriter::MonthLink(int month) const
{
    return PageLink(MonthPageNameInRange(month));
}

const char* ModernPageWriter::EnglishTextLanguage() const
{
    bool english = language_.size() >= 2 && (language_[0] | 0x20) == 'e'
                   && (language_[1] | 0x20) == 'n'
                   && (language_.size() == 2 || language_[2] == '-');
    return english ? "" : " lang=\"en\"";
}

void ModernPageWriter::WriteHeader(int month, int year)
{
    OpenPage();
    switch (settings_.HTMLOPTION) {
    case 0:
    case 2:
        WriteHead(month);
        Page().WriteLine("<body>");
        if (settings_.HTMLOPTION == 2)
            WriteExtraHtml(context_.ExtraHtml.Header);
        break;
    case 1:
        WriteHeaderFile();
        break;
    default:
        break;
    }
    WritePageHeading(month, year);
    Page().WriteLine("<main>");
}

void ModernPageWriter::WriteHead(int month)
{
    PageOutput& page = Page();
    page.WriteLine("<!DOCTYPE html>");
    page.WriteLine("<html lang=\"", language_, "\">");
    page.WriteLine("<head>");
    WriteOwnHeadElements();
    std::string title = PlainHtmlText(settings_.TITLE);
    if (!WritingAllMonths && settings_.ADDMONTHTOTITLE)
        title += " - " + PlainHtmlText(context_.Language.MonthNames[month]);
    page.WriteLine("<title>", title, "</title>");
    WriteMetaTags();
    if (!settings_.STYLESHEET.empty())
        page.WriteLine("<link rel=\"stylesheet\" href=\"", LinkAttribute(settings_.STYLESHEET),
                       "\">");
    page.WriteLine("</head>");
}

// The character set first, as a browser expects it within the first bytes, then the
// viewport and the program's styles.
void ModernPageWriter::WriteOwnHeadElements()
{
    PageOutput& page = Page();
    page.WriteLine("<meta charset=\"utf-8\">");
    page.WriteLine("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
    page.WriteLine("<style>");
    page.WriteLine(ModernStyleProperties(settings_));
    page.Write(ModernStyleRules);
    page.WriteLine("</style>");
}

// The description is the calendar's description, or its title as on the classic pages.
void ModernPageWriter::WriteMetaTags()
{
    PageOutput& page = Page();
    std::string description = PlainHtmlText(settings_.DESCRIPTION);
    if (description.empty())
        description = PlainHtmlText(settings_.TITLE);
    const std::pair<const char*, std::string> metas[] = {
        {"author", PlainHtmlText(settings_.AUTHOR)},
        {"reply-to", PlainHtmlText(settings_.REPLYTO)},
        {"generator", std::string("Mondeliar, ") + ProgramVersion + " " + MakerWebAddress},
        {"description", description},
        {"keywords", KeywordList(settings_.KEYWORDS)},
    };
    for (const auto& [name, content] : metas)
        if (!content.empty())
            page.WriteLine("<meta name=\"", name, "\" content=\"", content, "\">");
    if (settings_.ICSFEED)
        page.WriteLine("<link rel=\"alternate\" type=\"text/calendar\" href=\"", IcsFeedFileName,
                       "\">");
}

// The header file holds the head and the body tag; the program's own head elements go
// right after its <head> tag, so that what the file links or styles comes later and wins.
void ModernPageWriter::WriteHeaderFile()
{
    bool placed = false;
    for (const std::string& line : PageFileLines(settings_.HEADERFILE)) {
        std::size_t split = placed ? std::string::npos : AfterHeadTag(line);
        if (split == std::string::npos) {
            Page().WriteLine(line);
            continue;
        }
        Page().WriteLine(std::string_view(line).substr(0, split));
        WriteOwnHeadElements();
        if (split < line.size())
            Page().WriteLine(std::string_view(line).substr(split));
        placed = true;
    }
}

void ModernPageWriter::WriteFooterFile()
{
    for (const std::string& line : PageFileLines(settings_.FOOTERFILE))
        Page().WriteLine(line);
}

void ModernPageWriter::WriteExtraHtml(const TextLines& lines)
{
    if (lines.empty())
        return;
    PageOutput& page = Page();
    page.WriteLine("<div class=\"extra-html\">");
    for (std::string_view line : lines)
        page.WriteLine(HtmlText(line));
    page.WriteLine("</div>");
}

void ModernPageWriter::WritePageHeading(int month, int year)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("<header class=\"page-heading\">");
    if (s.DISPLAYWEBPAGETITLE)
        page.WriteLine("<p class=\"site-title\">", HtmlText(s.TITLE), "</p>");
    page.Write("<", headingTag_, " class=\"year\"><a href=\"",
               PageLink(AllMonthsPageName(s, range_.StartYear)), "\">");
    WriteYearLabel(year);
    page.WriteLine("</a></", headingTag_, ">");
    if ((s.MONTHLINKS == 1 || s.MONTHLINKS == 3) && HasMonthPart(s))
        WriteMonthLinks(month);
    if (s.ICSFEED)
        page.WriteLine("<p class=\"subscribe\"", EnglishTextLanguage(), "><a href=\"",
                       IcsFeedFileName, "\">Subscribe to this calendar</a></p>");
    page.WriteLine("</header>");
}

// Without a year label the year stays for screen readers, so that no link or heading is
// empty.
void ModernPageWriter::WriteYearLabel(int year)
{
    std::string number = std::to_string(year);
    if (settings_.YEARLABEL == 1)
        Page().Write(number);
    else if (settings_.YEARLABEL == 2)
        Page().Write("<img src=\"", PageLink(number + ".gif"), "\" alt=\"", number, "\">");
    else
        Page().Write("<span class=\"vh\">", number, "</span>");
}

// The twelve month pages in writing order; on a month page its own link is marked.
void ModernPageWriter::WriteMonthLinks(int month)
{
    PageOutput& page = Page();
    page.Write("<nav class=\"months\" aria-label=\"Months\"><ul>");
    for (int i = 1; i <= context_.MonthNumbers.Count; ++i) {
        int linked = context_.MonthNumbers[i];
        bool current = !WritingAllMonths && linked == month;
        page.Write("<li><a href=\"", MonthLink(linked),
                   current ? "\" aria-current=\"page\">" : "\">",
                   HtmlText(context_.Language.MonthNames[linked]), "</a></li>");
    }
    page.WriteLine("</ul></nav>");
}

void ModernPageWriter::WriteYearSeparator(int year)
{
    Page().Write("<", headingTag_, " class=\"year-separator\">");
    WriteYearLabel(year);
    Page().WriteLine("</", headingTag_, ">");
}

void ModernPageWriter::WriteFooter()
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("</main>");
    if (s.HTMLOPTION == 2)
        WriteExtraHtml(context_.ExtraHtml.Footer);
    bool makerLink = s.ALLOWLINK && (s.HTMLOPTION == 0 || s.HTMLOPTION == 2);
    if (s.LASTUPDATE || makerLink) {
        page.WriteLine("<footer class=\"page-end\"", EnglishTextLanguage(), ">");
        if (s.LASTUPDATE)
            page.WriteLine(ModernLastUpdatedLine(Now()));
        if (makerLink)
            page.WriteLine("<p class=\"maker\"><a href=\"", MakerWebAddress, "\">", MakerWebAddress,
                           "</a></p>");
        page.WriteLine("</footer>");
    }
    WritePageEnd();
    ClosePage();
}

void ModernPageWriter::WritePageEnd()
{
    switch (settings_.HTMLOPTION) {
    case 0:
    case 2:
        Page().WriteLine("</body>");
        Page().WriteLine("</html>");
        break;
    case 1:
        WriteFooterFile();
        break;
    default:
        break;
    }
}

}  // namespace mondeliar
