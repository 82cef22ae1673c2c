#pragma once
// How the page files are named: an optional year prefix, the month part chosen by
// HTMLFILENAME, then FILEEXTENSION. Links inside the pages use the same names.

#include "config/calendar_settings.h"
#include "config/languages.h"

#include <string>

namespace mondeliar {

// 0: the month's name in the selected language; 1: its English name; 2: its number.
// Any other HTMLFILENAME gives an empty month part.
std::string MonthPart(const CalendarSettings& settings, const MonthNameList& monthNames, int month);

bool HasMonthPart(const CalendarSettings& settings);

// The year in decimal when ADDYEAR is set, else nothing.
std::string YearPrefix(const CalendarSettings& settings, int year);

std::string MonthPageName(const CalendarSettings& settings, const MonthNameList& monthNames,
                          int month, int year);
// A page's name, which becomes a file name in HTMLPATH and on the server, must be a plain
// file name there too: RequirePlainFileName, and no backslash, which a Windows server takes
// for a folder separator. Raises "Invalid filename".
void RequirePlainPageName(const std::string& name);

std::string AllMonthsPageName(const CalendarSettings& settings, int year);
// The copy of the current month's page; it never carries a year.
std::string CurrentPageName(const CalendarSettings& settings);

}  // namespace mondeliar
