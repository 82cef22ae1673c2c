// The end of every page: the optional last-updated line, the page end chosen by
// HTMLOPTION, the optional link to the maker's web page; then the page file is closed.

#include "base/program.h"
#include "base/windows1252.h"
#include "html/page_writer.h"

namespace mondeliar {

namespace {

std::string Formatted(const char* format, const std::tm& moment)
{
    char text[128];
    std::size_t length = std::strftime(text, sizeof text, format, &moment);
    return std::string(text, length);
}

}  // namespace

std::tm CurrentLocalTime()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// strftime writes in the character set of the LC_TIME locale, UTF-8 in most of them today.
std::string LastUpdatedText(const std::tm& moment)
{
    std::string text = Formatted("%x", moment);
    if (moment.tm_hour != 0 || moment.tm_min != 0 || moment.tm_sec != 0)
        text += " " + Formatted("%X", moment);
    return LocaleTextToWindows1252(text, TimeLocaleCharset());
}

std::string LastUpdatedLine(const std::tm& moment)
{
    return "This page was last updated on " + LastUpdatedText(moment) + "<BR>";
}

void PageWriter::WriteFooter()
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    if (s.LASTUPDATE)
        WriteLastUpdated();
    switch (s.HTMLOPTION) {
    case 0:
        if (s.ALLOWLINK)
            WriteMakerLink();
        page.WriteLine("</FONT>");
        page.WriteLine("</BODY>");
        page.WriteLine("</HTML>");
        break;
    case 1:
        WriteTextFile(s.FOOTERFILE);
        break;
    case 2:
        page.WriteLine("<FONT FACE=\"" + s.FONTFACE + "\" SIZE=\"2\" COLOR=\"" + s.COLORMAINFG
                       + "\">");
        WriteLines(context_.ExtraHtml.Footer);
        page.WriteLine("</FONT>");
        page.WriteLine("</FONT>");
        if (s.ALLOWLINK) {
            page.WriteLine("<BR><BR>");
            page.WriteLine("<CENTER><FONT FACE=\"" + s.FONTFACE + "\" SIZE=\"2\"><A HREF=\""
                           + MakerWebAddress + "\">" + MakerWebAddress + "</A></CENTER></FONT>");
        }
        page.WriteLine("</BODY>");
        page.WriteLine("</HTML>");
        break;
    default:
        break;
    }
    ClosePage();
}

void PageWriter::WriteLastUpdated()
{
    PageOutput& page = Page();
    std::tm now = Now();
    page.WriteLine("<CENTER>");
    page.WriteLine("<FONT FACE=\"" + settings_.FONTFACE + "\" SIZE=\"1\" COLOR=\""
                   + settings_.COLORMONTHNAMEFG + "\">");
    page.WriteLine(LastUpdatedLine(now));
    page.WriteLine("</FONT>");
    page.WriteLine("</CENTER>");
}

// Under the standard end the link is drawn in the page's background colour, unobtrusive.
void PageWriter::WriteMakerLink()
{
    PageOutput& page = Page();
    page.WriteLine("<BR><BR>");
    page.WriteLine("<FONT FACE=\"" + settings_.FONTFACE + "\" SIZE=\"2\">");
    page.WriteLine("<A STYLE=\"color:" + settings_.COLORMAINBG + ";text-decoration:none;\" HREF=\""
                   + MakerWebAddress + "\">" + MakerWebAddress + "</A>");
    page.WriteLine("</FONT>");
}

}  // namespace mondeliar
