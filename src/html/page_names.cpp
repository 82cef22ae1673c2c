#include "html/page_names.h"

#include "base/errors.h"

namespace mondeliar {

std::string MonthPart(const CalendarSettings& settings, const MonthNameList& monthNames, int month)
{
    switch (settings.HTMLFILENAME) {
    case 0:
        return monthNames[month];
    case 1:
        return EnglishMonthNames[month];
    case 2:
        return std::to_string(month);
    default:
        return "";
    }
}

bool HasMonthPart(const CalendarSettings& settings)
{
    return settings.HTMLFILENAME <= 2;
}

std::string YearPrefix(const CalendarSettings& settings, int year)
{
    return settings.ADDYEAR ? std::to_string(year) : "";
}

std::string MonthPageName(const CalendarSettings& settings, const MonthNameList& monthNames,
                          int month, int year)
{
    return YearPrefix(settings, year) + MonthPart(settings, monthNames, month)
           + settings.FILEEXTENSION;
}

void RequirePlainPageName(const std::string& name)
{
    RequirePlainFileName(name);
    if (name.find('\\') != std::string::npos)
        throw FileError("Invalid filename");
}

std::string AllMonthsPageName(const CalendarSettings& settings, int year)
{
    return YearPrefix(settings, year) + "calendar" + settings.FILEEXTENSION;
}

std::string CurrentPageName(const CalendarSettings& settings)
{
    return "current" + settings.FILEEXTENSION;
}

}  // namespace mondeliar
