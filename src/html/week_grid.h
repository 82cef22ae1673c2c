#pragma once
// Calendar arithmetic for the month table (proleptic Gregorian calendar).

namespace mondeliar {

bool IsLeapYear(int year);
int DaysInMonth(int month, int year);
// 0 Sunday .. 6 Saturday.
int WeekdayOf(int year, int month, int day);

// Where the days of a month stand in the table of six week rows whose first column is the
// weekday `startWeek` (0 Sunday .. 6 Saturday; larger values count modulo 7).
class WeekGrid {
public:
    static constexpr int Rows = 6;
    static constexpr int Columns = 7;

    WeekGrid(int month, int year, int startWeek);
    // The day standing in row 1..6, column 0..6, or 0 for a cell outside the month.
    int DayAt(int row, int column) const;

private:
    int firstColumn_;  // column of the 1st
    int days_;
};

}  // namespace mondeliar
