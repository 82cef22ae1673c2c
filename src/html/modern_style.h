#pragma once
// The program's own styles of the modern pages, written into each page's head: the
// calendar's colours, font and layout settings as CSS custom properties, then the fixed
// rules that use them (the month as a table, as a list of its dates with notes on a narrow
// screen, black on white in print).

#include "config/calendar_settings.h"

#include <string>

namespace mondeliar {

// The ":root" rule holding the custom properties of `settings`.
std::string ModernStyleProperties(const CalendarSettings& settings);

// The fixed rules, one line each, each ended by CR LF.
extern const char* const ModernStyleRules;

}  // namespace mondeliar
