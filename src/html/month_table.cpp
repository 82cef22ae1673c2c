// One month as an HTML table: the month-name row, the day-name row and six week rows whose
// date cells carry the date's notes, the recurring entries of that day, its link and image.

#include "html/page_writer.h"
#include "html/week_grid.h"

namespace mondeliar {

namespace {

std::string AlignmentWord(int value)
{
    switch (value) {
    case 0:
        return "LEFT";
    case 1:
        return "CENTER";
    case 2:
        return "RIGHT";
    default:
        return "";
    }
}

}  // namespace

void PageWriter::WriteMonth(int month, int year)
{
    const CalendarSettings& s = settings_;
    ShowMonth(month, year);
    PageOutput& page = Page();
    page.WriteLine("<P ALIGN=\"" + AlignmentWord(s.ALIGNTABLE) + "\">");
    if (s.ALIGNTABLE == 1)
        page.WriteLine("<CENTER>");
    WriteTableStart();
    WriteMonthNameRow(month);
    WriteDayNameRow();

    days_.BeginMonth(month, year);
    WeekGrid grid(month, year, s.STARTWEEK);
    for (int row = 1; row <= WeekGrid::Rows; ++row) {
        page.WriteLine("<TR BGCOLOR=\"", s.COLORDATESBG, "\" ALIGN=\"", AlignmentWord(s.ALIGNDATE),
                       "\" VALIGN=\"TOP\">");
        for (int column = 0; column < WeekGrid::Columns; ++column) {
            int day = grid.DayAt(row, column);
            if (day == 0)
                WriteBlankCell();
            else
                WriteDateCell(month, day);
        }
        page.WriteLine("</TR>");
    }

    page.WriteLine("</TABLE>");
    if (s.ALIGNTABLE == 1)
        page.WriteLine("</CENTER>");
    page.WriteLine("</P>");
}

void PageWriter::WriteTableStart()
{
    const CalendarSettings& s = settings_;
    std::string tag = "<TABLE ";
    if (s.USEBORDERCOLOR)
        tag += "BORDERCOLOR=\"" + s.COLORBORDER + "\" ";
    tag += "BORDER=\"" + s.BORDER + "\" WIDTH=\"" + s.WIDTH + "%\" ";
    if (s.COLUMNWIDTH)
        tag += "COLS=\"7\" ";
    if (s.ROWHEIGHT)
        tag += "ROWS=\"7\" ";
    Page().WriteLine(tag + ">");
}

// The month's name between links to the months before and after it. The font element
// opened here is closed by the next-month link; without that link it stays open.
void PageWriter::WriteMonthNameRow(int month)
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    const MonthNameList& names = context_.Language.MonthNames;
    page.WriteLine("<TR BGCOLOR=\"" + s.COLORMONTHNAMEBG + "\" ALIGN=\"CENTER\" VALIGN=\"TOP\">");
    page.WriteLine("<TD ALIGN=\"CENTER\" COLSPAN=\"7\"><" + s.HEADINGTAGMONTH + "><FONT FACE=\""
                   + s.FONTFACE + "\" COLOR=\"" + s.COLORMONTHNAMEFG + "\"> ");
    bool neighbourLinks = !WritingAllMonths && (s.MONTHLINKS == 2 || s.MONTHLINKS == 3);
    int previous = month == 1 ? 12 : month - 1;
    int next = month == 12 ? 1 : month + 1;
    if (neighbourLinks)
        page.Write("<FONT SIZE=\"2\"><a href=\"" + MonthPageNameInRange(previous) + "\">"
                   + names[previous] + "</a></FONT> < ");
    if (s.MONTHLABEL == 1)
        page.Write(names[month]);
    else if (s.MONTHLABEL == 2)
        page.Write("<IMG SRC=\"" + names[month] + ".gif\" BORDER=\"0\" ALIGN=\"MIDDLE\" ALT=\""
                   + names[month] + "\">");
    if (neighbourLinks)
        page.Write(" ><FONT SIZE=\"2\"><a href=\"" + MonthPageNameInRange(next) + "\">"
                   + names[next] + "</a></FONT></FONT>");
    page.WriteLine("</" + s.HEADINGTAGMONTH + "></TD></TR>");
}

// Day names in week order: the write command has put the STARTWEEK day first.
void PageWriter::WriteDayNameRow()
{
    PageOutput& page = Page();
    const CalendarSettings& s = settings_;
    page.WriteLine("<TR BGCOLOR=\"" + s.COLORDAYNAMEBG + "\" ALIGN=\"LEFT\" VALIGN=\"TOP\">");
    for (int column = 0; column < WeekGrid::Columns; ++column)
        page.WriteLine(std::string("<TD ALIGN=\"CENTER\"") + (s.COLUMNWIDTH ? " WIDTH=\"14%\"" : "")
                       + "><FONT FACE=\"" + s.FONTFACE + "\" COLOR=\"" + s.COLORDAYNAMEFG
                       + "\" SIZE=\"2\">" + context_.Language.DayNames[column + 1]
                       + "</FONT></TD>");
    page.WriteLine("</TR>");
}

void PageWriter::WriteBlankCell()
{
    Page().WriteLine("  <TD BGCOLOR=\"", settings_.COLORBLANKCELLBG, "\"><FONT FACE=\"",
                     settings_.FONTFACE, "\" SIZE=\"1\">&nbsp;<BR></TD>");
}

// Written piece by piece into the page: a year has some 700 of these cells.
void PageWriter::WriteDateCell(int month, int day)
{
    const CalendarSettings& s = settings_;
    context_.Entries.TakeEntry(days_.SlotOf(day));
    const CalendarEntry& entry = context_.Entries.CurrentEntry;
    const std::vector<const RecurringEntry*>& recurring = days_.RecurringOn(month, day);
    bool hasNotes = HasAnyNote(entry) || !recurring.empty();

    PageOutput& page = Page();
    page.Write("<TD");
    if (s.ROWHEIGHT)
        page.Write(" HEIGHT=\"12%\"");
    if (hasNotes)
        page.Write(" BGCOLOR=\"", s.COLORNOTESBG, "\"");
    page.Write("><FONT FACE=\"", s.FONTFACE, "\" SIZE=\"1\" COLOR=\"", s.COLORNOTESFG, "\">");
    if (!entry.DateURL.empty())
        page.Write("<A HREF=\"", entry.DateURL, "\">");
    page.Write(std::to_string(day), "<BR>");
    if (!entry.DateURL.empty())
        page.Write("</A>");
    if (hasNotes) {
        // The stored notes up to the first empty one, then the recurring entries.
        int shown = ShownNoteCount(entry);
        for (int k = 0; k < shown; ++k) {
            const std::string& link = entry.NoteURLs[k];
            if (!link.empty())
                page.Write("<A HREF=\"", link, "\">");
            page.Write(entry.Notes[k]);
            if (!link.empty())
                page.Write("</A>");
            page.Write(s.NOTEDIVIDER);
        }
        for (const RecurringEntry* recurringEntry : recurring)
            page.Write(recurringEntry->Description, "<BR><BR>");
    } else {
        page.Write("<BR>");
    }
    if (!entry.DateImage.empty())
        page.Write("<CENTER><IMG SRC=\"", entry.DateImage, "\"></CENTER>");
    page.WriteLine("</FONT></TD>");
}

}  // namespace mondeliar
