#pragma once
// The write command: the current calendar as twelve month pages, a copy of the current
// month's page and one all-months page, in the output folder HTMLPATH.

#include "html/page_writer.h"

namespace mondeliar {

// Writes the fourteen files in order: the twelve month pages from the start month (each
// followed, for the month of today, by the "current" copy), then the all-months page; with
// ICSFEED set, the iCalendar feed after them.
// Reloads the recurring entries first. Reports each month it writes, and finally today,
// through hooks.ShowDate. An error ends the command at once; pages written before it stay.
// A page name that is no plain file name ("/", a backslash or a control character in it,
// "." or "..") raises "Invalid filename" before any page is written.
void WriteCalendarPages(CalendarContext& context, const PageWriterHooks& hooks = {});

// The page of `month` (1..12) as WriteCalendarPages would write it now, byte for byte, but
// into memory: the same range, names and writer, and nothing on disk. The recurring list is
// used as it stands, where the write command first reloads it from its file.
std::string RenderMonthPage(CalendarContext& context, int month, const PageWriterHooks& hooks = {});

// The last-updated line of the pages of the calendar's page style, without its line end: the
// one line that changes with every write.
std::string PageLastUpdatedLine(const CalendarSettings& settings, const std::tm& moment);

}  // namespace mondeliar
