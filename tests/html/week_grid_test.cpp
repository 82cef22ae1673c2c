#include "html/week_grid.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

TEST(WeekGrid, KnowsWeekdaysAndMonthLengths)
{
    struct Case {
        int year, month, day, weekday;
    } cases[] = {
        {2002, 2, 5, 2},  {2000, 1, 1, 6}, {2009, 2, 1, 0},   {1970, 1, 1, 4},
        {2024, 2, 29, 4}, {1, 1, 1, 1},    {9999, 12, 31, 5}, {65535, 1, 1, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WeekdayOf(c.year, c.month, c.day), c.weekday) << c.year << "-" << c.month;
    EXPECT_EQ(DaysInMonth(2, 2000), 29);
    EXPECT_EQ(DaysInMonth(2, 1900), 28);
    EXPECT_EQ(DaysInMonth(2, 2024), 29);
    EXPECT_EQ(DaysInMonth(12, 2002), 31);
}

TEST(WeekGrid, PlacesTheFirstByStartWeekAndFillsSixRows)
{
    struct Case {
        int month, year, startWeek;
        int firstColumn;
        int lastRow;  // row of the month's last day
    } cases[] = {
        {2, 2009, 0, 0, 4},  // 1st on the start day: February fills four rows exactly
        {1, 2000, 0, 6, 6},  // 1st a Saturday: six blanks, then the 1st; 31 days reach row 6
        {1, 2000, 6, 0, 5}, {2, 2002, 1, 4, 5},  {9, 2002, 0, 0, 5},
        {3, 2002, 5, 0, 5}, {3, 2002, 12, 0, 5},  // start days count modulo 7
    };
    for (const Case& c : cases) {
        WeekGrid grid(c.month, c.year, c.startWeek);
        SCOPED_TRACE(::testing::Message() << c.month << "/" << c.year << " start " << c.startWeek);
        for (int column = 0; column < c.firstColumn; ++column)
            EXPECT_EQ(grid.DayAt(1, column), 0);
        EXPECT_EQ(grid.DayAt(1, c.firstColumn), 1);
        int last = DaysInMonth(c.month, c.year);
        int cell = c.firstColumn + last - 1;
        EXPECT_EQ(grid.DayAt(1 + cell / 7, cell % 7), last);
        EXPECT_EQ(1 + cell / 7, c.lastRow);
        for (int rest = cell + 1; rest < 42; ++rest)
            EXPECT_EQ(grid.DayAt(1 + rest / 7, rest % 7), 0);
    }
}

}  // namespace
}  // namespace mondeliar
