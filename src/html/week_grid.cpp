#include "html/week_grid.h"

namespace mondeliar {

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int WeekdayOf(int year, int month, int day)
{
    // Days since 1970-01-01 (a Thursday) by Howard Hinnant's days_from_civil.
    long long y = static_cast<long long>(year) - (month <= 2);
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yearOfEra = y - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    long long days = era * 146097 + dayOfEra - 719468;
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

WeekGrid::WeekGrid(int month, int year, int startWeek)
    : firstColumn_((WeekdayOf(year, month, 1) - startWeek % 7 + 7) % 7)
    , days_(DaysInMonth(month, year))
{
}

int WeekGrid::DayAt(int row, int column) const
{
    int day = (row - 1) * Columns + column - firstColumn_ + 1;
    return day >= 1 && day <= days_ ? day : 0;
}

}  // namespace mondeliar
