#pragma once
// The iCalendar feed (RFC 5545) of the current calendar, "calendar.ics" beside the pages, for
// phones and calendar programs to subscribe to. Every note is an all-day event on its date,
// every recurring entry a yearly all-day event. Each event keeps its UID from one write to
// the next, so a subscriber sees an update, never a duplicate.

#include "config/calendar_context.h"

#include <ctime>
#include <string>

namespace mondeliar {

extern const char* const IcsFeedFileName;  // "calendar.ics"
extern const char* const IcsProductId;     // "-//Mondeliar//Mondeliar 4.02//EN"

// The feed as its CR LF lines. Notes follow the pages: of the slots holding one date the
// first, of its notes those before the first empty one; a slot whose date is not a real
// date is left out. A note's URL is its own link, else the date's link; a link without a
// scheme ("party.html") is relative to the pages and cannot be followed from a feed, so it
// is left out. Recurring entries are the complete rows whose month and day name a real
// date; each starts in `firstYear`, the first year written (29 February in the first leap
// year from then on, repeating in leap years only, as the pages show it). DTSTAMP is
// `writeTime` in UTC.
std::string IcsFeedText(const CalendarContext& context, int firstYear, std::time_t writeTime);

// Writes IcsFeedText to HTMLPATH + IcsFeedFileName; the old feed is replaced only once the
// new one is complete on disk.
void WriteIcsFeed(const CalendarContext& context, int firstYear, std::time_t writeTime);

// The part of every UID that names the calendar: 16 hexadecimal digits of a 64-bit FNV-1a
// digest of its name, so any name gives a UID of plain ASCII.
std::string IcsCalendarKey(const std::string& calendarName);

}  // namespace mondeliar
