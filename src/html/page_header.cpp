// The start of every page: the head chosen by HTMLOPTION, the body tag, and the page
// heading with the year link to the all-months page and the optional row of month links.

#include "base/program.h"
#include "html/page_names.h"
#include "html/page_writer.h"

namespace mondeliar {

void PageWriter::WriteHeader(int month, int year)
{
    OpenPage();
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    switch (s.HTMLOPTION) {
    case 0:
        page.WriteLine("<!DOCTYPE HTML>");
        WriteStandardHead(month, true);
        if (!s.BACKGROUNDIMAGE.empty())
            page.WriteLine("<BODY BACKGROUND=\"" + s.BACKGROUNDIMAGE
                           + "\" LEFTMARGIN=\"0\" TOPMARGIN=\"0\">");
        else
            page.WriteLine("<BODY LEFTMARGIN=\"0\" TOPMARGIN=\"0\" BGCOLOR=\"" + s.COLORMAINBG
                           + "\">");
        break;
    case 1:
        WriteTextFile(s.HEADERFILE);
        break;
    case 2:
        page.WriteLine("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
        WriteStandardHead(month, false);
        page.WriteLine("<BODY LEFTMARGIN=\"0\" TOPMARGIN=\"0\" BGCOLOR=\"" + s.COLORMONTHNAMEBG
                       + "\">");
        page.WriteLine("<FONT FACE=\"" + s.FONTFACE + "\" SIZE=\"2\" COLOR=\"" + s.COLORMAINFG
                       + "\">");
        WriteLines(context_.ExtraHtml.Header);
        page.WriteLine("</FONT>");
        break;
    default:
        break;
    }
    WritePageHeading(year);
}

// From the HTML element to the end of the head. The standard head closes the keywords tag
// on a line of its own; the HTML 3.2 head closes it on the keywords line.
void PageWriter::WriteStandardHead(int month, bool keywordsClosedAlone)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("<HTML LANG=\"en\">");
    page.WriteLine("<HEAD>");
    page.WriteLine("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">");
    page.WriteLine("<META NAME=\"Author\" CONTENT=\"" + s.AUTHOR + "\">");
    page.WriteLine("<META NAME=\"Reply-To\" CONTENT=\"" + s.REPLYTO + "\">");
    page.WriteLine(std::string("<META NAME=\"Formatter\" CONTENT=\"Mondeliar, ") + ProgramVersion
                   + " " + MakerWebAddress + "\">");
    page.WriteLine("<META HTTP-EQUIV=\"Description\" NAME=\"Title\" CONTENT=\"" + s.TITLE + "\">");
    if (keywordsClosedAlone) {
        page.WriteLine("<META HTTP-EQUIV=\"Keywords\" CONTENT=\"" + s.KEYWORDS);
        page.WriteLine("\">");
    } else {
        page.WriteLine("<META HTTP-EQUIV=\"Keywords\" CONTENT=\"" + s.KEYWORDS + "\">");
    }
    WriteTitleAndBody(month);
}

void PageWriter::WriteTitleAndBody(int month)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    if (!s.STYLESHEET.empty())
        page.WriteLine("<LINK REL=StyleSheet HREF=\"" + s.STYLESHEET + "\">");
    page.Write("<TITLE>" + s.TITLE);
    if (!WritingAllMonths && s.ADDMONTHTOTITLE)
        page.Write(" - " + context_.Language.MonthNames[month]);
    page.WriteLine("</TITLE>");
    page.WriteLine("</HEAD>");
}

void PageWriter::WritePageHeading(int year)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("<CENTER>");
    if (s.DISPLAYWEBPAGETITLE)
        page.WriteLine("<FONT FACE=\"" + s.FONTFACE + "\" COLOR=\"" + s.COLORMAINFG
                       + "\" SIZE=\"5\">" + s.TITLE + "</FONT>");
    page.Write("<" + s.HEADINGTAGYEAR + "><A HREF=\"" + AllMonthsPageName(s, range_.StartYear)
               + "\">");
    WriteYearLabel(year);
    page.WriteLine("</A></" + s.HEADINGTAGYEAR + ">");
    if (s.MONTHLINKS == 1 || s.MONTHLINKS == 3)
        WriteMonthLinkRow();
    page.WriteLine("</CENTER>");
}

void PageWriter::WriteYearLabel(int year)
{
    const CalendarSettings& s = settings_;
    std::string number = std::to_string(year);
    if (s.YEARLABEL == 1)
        Page().Write("<FONT FACE=\"" + s.FONTFACE + "\" COLOR=\"" + s.COLORMAINFG + "\">" + number
                     + "</FONT>");
    else if (s.YEARLABEL == 2)
        Page().Write("<IMG SRC=\"" + number + ".gif\" BORDER=\"0\" ALT=\"" + number + "\">");
}

// Links to the twelve month pages in writing order, each followed by a blank.
void PageWriter::WriteMonthLinkRow()
{
    PageOutput& page = Page();
    page.Write("<FONT FACE=\"" + settings_.FONTFACE + "\">");
    if (HasMonthPart(settings_)) {
        for (int i = 1; i <= context_.MonthNumbers.Count; ++i) {
            int month = context_.MonthNumbers[i];
            page.Write("<A HREF=\"" + MonthPageNameInRange(month) + "\">"
                       + context_.Language.MonthNames[month] + "</A> ");
        }
    }
    page.WriteLine("</FONT>");
}

void PageWriter::WriteYearSeparator(int year)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("<center>");
    page.WriteLine("<" + s.HEADINGTAGYEAR + ">");
    if (s.YEARLABEL == 1 || s.YEARLABEL == 2) {
        WriteYearLabel(year);
        page.WriteLine();
    }
    page.WriteLine("</" + s.HEADINGTAGYEAR + ">");
}

}  // namespace mondeliar
