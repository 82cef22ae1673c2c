#pragma once
// The record of one date and the rules of the notes file's line.

#include <array>
#include <cstdint>
#include <string>

namespace mondeliar {

constexpr int NotesPerDate = 10;
constexpr std::size_t NoteCapacity = 100;  // notes, note links and the date link
constexpr std::size_t DateImageCapacity = 25;

struct CalendarEntry {
    std::int32_t Month = 0;  // 1..12; 0 in a free slot
    std::int32_t Day = 0;
    std::int32_t Year = 0;
    std::array<std::string, NotesPerDate> Notes;     // display order; empty = empty row
    std::array<std::string, NotesPerDate> NoteURLs;  // link of the note with the same index
    std::string DateURL;
    std::string DateImage;

    bool HoldsDate(std::int32_t month, std::int32_t day, std::int32_t year) const
    {
        return Month == month && Day == day && Year == year;
    }
    bool IsFree() const { return Month == 0; }
    void ClearTexts();
    void Clear();
    // Makes every text fit the notes file: double quotes become "&quot;" and each text
    // is cut to its field's capacity, as texts entering the record are.
    void FitToFields();
};

// The line of a slot in the notes file, without its line end: 25 double-quoted fields.
std::string FormatEntryLine(const CalendarEntry& entry);

// Reads a notes-file line into `entry`, as the notes file is read: texts are emptied and
// refilled, and each date field that is present replaces the number `entry` held.
// A date field that is not a whole number raises the conversion error.
void ParseEntryLine(const std::string& line, CalendarEntry& entry);

}  // namespace mondeliar
