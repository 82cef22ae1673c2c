// One month of a modern page: a table with a caption and column headers whose date cells
// carry a <time>, the date's notes and recurring entries as a list, its link and image. On
// a narrow screen the styles show it as the list of its dates with notes.

#include "html/modern_text.h"
#include "html/modern_writer.h"
#include "html/week_grid.h"

#include <cstdio>

namespace mondeliar {

namespace {

// A day of 1..31 as two digits, as a date value has it.
void AppendTwoDigits(std::string& out, int day)
{
    out += static_cast<char>('0' + day / 10);
    out += static_cast<char>('0' + day % 10);
}

}  // namespace

void ModernPageWriter::WriteMonth(int month, int year)
{
    ShowMonth(month, year);
    PageOutput& page = Page();
    page.WriteLine("<div class=\"month\">");
    if (!WritingAllMonths && (settings_.MONTHLINKS == 2 || settings_.MONTHLINKS == 3))
        WriteNeighbourLinks(month);
    page.WriteLine("<table>");
    WriteCaption(month, year);
    WriteDayNames();

    days_.BeginMonth(month, year);
    PrepareDateTexts(month, year);
    WeekGrid grid(month, year, settings_.STARTWEEK);
    page.WriteLine("<tbody>");
    // The rows after the last day, which the classic table keeps blank, are left out.
    for (int row = 1; row <= WeekGrid::Rows && (row == 1 || grid.DayAt(row, 0) != 0); ++row) {
        page.WriteLine("<tr>");
        for (int column = 0; column < WeekGrid::Columns; ++column) {
            int day = grid.DayAt(row, column);
            if (day == 0)
                page.WriteLine("<td class=\"blank\"></td>");
            else
                WriteDateCell(month, day, year, column);
        }
        page.WriteLine("</tr>");
    }
    page.WriteLine("</tbody>");
    page.WriteLine("</table>");
    page.WriteLine("</div>");
}

void ModernPageWriter::WriteNeighbourLinks(int month)
{
    const MonthNameList& names = context_.Language.MonthNames;
    int previous = month == 1 ? 12 : month - 1;
    int next = month == 12 ? 1 : month + 1;
    Page().WriteLine(
        "<nav class=\"neighbours\" aria-label=\"Previous and next month\"><a href=\"",
        MonthLink(previous), "\" rel=\"prev\"><span aria-hidden=\"true\">&lsaquo; </span>",
        HtmlText(names[previous]), "</a> <a href=\"", MonthLink(next), "\" rel=\"next\">",
        HtmlText(names[next]), "<span aria-hidden=\"true\"> &rsaquo;</span></a></nav>");
}

// The caption names the month and its year whatever MONTHLABEL shows: without a label it is
// there for screen readers only.
void ModernPageWriter::WriteCaption(int month, int year)
{
    std::string name = HtmlText(context_.Language.MonthNames[month]);
    std::string number = std::to_string(year);
    PageOutput& page = Page();
    switch (settings_.MONTHLABEL) {
    case 1:
        page.WriteLine("<caption>", name, " ", number, "</caption>");
        break;
    case 2:
        page.WriteLine("<caption><img src=\"",
                       PageLink(context_.Language.MonthNames[month] + ".gif"), "\" alt=\"",
                       PlainHtmlText(context_.Language.MonthNames[month]), "\"> ", number,
                       "</caption>");
        break;
    default:
        page.WriteLine("<caption><span class=\"vh\">", name, " ", number, "</span></caption>");
        break;
    }
}

// Day names in week order, the write command having put the STARTWEEK day first: a short
// name shown, the full name as the header's abbr.
void ModernPageWriter::WriteDayNames()
{
    PageOutput& page = Page();
    page.Write("<thead><tr>");
    for (int column = 0; column < WeekGrid::Columns; ++column) {
        const std::string& name = context_.Language.DayNames[column + 1];
        page.Write("<th scope=\"col\" abbr=\"", PlainHtmlText(name), "\">",
                   HtmlText(ShortName(name)), "</th>");
    }
    page.WriteLine("</tr></thead>");
}

// The parts of the month's date cells that are the same for every day: a year of a page
// has some 700 cells.
void ModernPageWriter::PrepareDateTexts(int month, int year)
{
    char text[48];
    std::snprintf(text, sizeof text, "<time datetime=\"%04d-%02d-", year, month);
    timeStart_ = text;
    monthAndYear_ = "<span class=\"vh\"> ";
    AppendHtmlText(monthAndYear_, context_.Language.MonthNames[month]);
    monthAndYear_ += " " + std::to_string(year) + "</span>";
}

// Written as one line; the weekday shows only where the month is a list. The all-months
// page repeats the cells of the month pages, so each is put together once per write.
void ModernPageWriter::WriteDateCell(int month, int day, int year, int column)
{
    WrittenCell& written
        = writtenCells_[static_cast<std::size_t>(month - 1)][static_cast<std::size_t>(day)];
    if (!written.Filled || written.Year != year) {
        written.Filled = true;
        written.Year = year;
        written.Text = DateCell(month, day, year, column);
    }
    Page().WriteLine(written.Text);
}

std::string ModernPageWriter::DateCell(int month, int day, int year, int column)
{
    const CalendarEntry* entry = days_.SlotOf(day);
    const std::vector<const RecurringEntry*>& recurring = days_.RecurringOn(month, day);
    bool hasNotes = (entry && HasAnyNote(*entry)) || !recurring.empty();
    bool today = context_.Today == Date{year, month, day};

    std::string cell;
    cell.reserve(256);
    cell.assign(hasNotes ? "<td class=\"day notes" : "<td class=\"day");
    cell += today ? " today\" aria-current=\"date\">" : "\">";
    if (hasNotes) {
        cell += "<span class=\"weekday\">";
        AppendHtmlText(cell, context_.Language.DayNames[column + 1]);
        cell += "</span> ";
    }
    bool dateLink = entry && !entry->DateURL.empty();
    if (dateLink) {
        cell += "<a href=\"";
        AppendLinkAttribute(cell, entry->DateURL);
        cell += "\">";
    }
    cell += timeStart_;
    AppendTwoDigits(cell, day);
    cell += "\">";
    if (day >= 10)
        cell += static_cast<char>('0' + day / 10);
    cell += static_cast<char>('0' + day % 10);
    // A link's text names the whole date, so it makes sense out of the table too.
    cell += dateLink ? monthAndYear_ + "</time></a>" : "</time>";
    AppendNotes(cell, entry, recurring);
    if (entry && !entry->DateImage.empty()) {
        cell += "<img src=\"";
        AppendLinkAttribute(cell, entry->DateImage);
        cell += "\" alt=\"\">";
    }
    cell += "</td>";
    return cell;
}

// The notes before the first empty one, then the recurring entries of the day.
void ModernPageWriter::AppendNotes(std::string& cell, const CalendarEntry* entry,
                                   const std::vector<const RecurringEntry*>& recurring)
{
    int shown = entry ? ShownNoteCount(*entry) : 0;
    if (shown == 0 && recurring.empty())
        return;
    cell += "<ul>";
    for (int k = 0; k < shown; ++k) {
        const std::string& link = entry->NoteURLs[static_cast<std::size_t>(k)];
        cell += "<li>";
        if (!link.empty()) {
            cell += "<a href=\"";
            AppendLinkAttribute(cell, link);
            cell += "\">";
        }
        AppendHtmlText(cell, entry->Notes[static_cast<std::size_t>(k)]);
        cell += link.empty() ? "</li>" : "</a></li>";
    }
    for (const RecurringEntry* yearly : recurring) {
        cell += "<li class=\"yearly\">";
        AppendHtmlText(cell, yearly->Description);
        cell += "</li>";
    }
    cell += "</ul>";
}

}  // namespace mondeliar
