#pragma once
// What the pages show of a date, the same in every page style: the slot holding the date's
// notes, the recurring entries that fall on it, whether it counts as having notes, and which
// of its notes are shown.

#include "config/calendar_context.h"

#include <array>
#include <optional>
#include <vector>

namespace mondeliar {

// The range being written: twelve months from a start month, by which every link and page
// name gets the year its month has within the range.
struct WrittenRange {
    int StartMonth = 1;
    int StartYear = 0;
    int YearOf(int month) const { return month < StartMonth ? StartYear + 1 : StartYear; }
};

// True when any of the ten notes is filled, the empty rows included: such a date takes the
// notes colour.
bool HasAnyNote(const CalendarEntry& entry);

// The notes a page shows: those before the first empty one.
int ShownNoteCount(const CalendarEntry& entry);

class CalendarDays {
public:
    // The notes of the range's months are found in one pass over the table, which must not
    // change while the pages are written.
    CalendarDays(const CalendarContext& context, WrittenRange range);

    // Makes `month` of `year` the month that SlotOf answers for.
    void BeginMonth(int month, int year);
    // The first slot holding `day` of that month, or null.
    const CalendarEntry* SlotOf(int day) const;

    // The entries of the recurring list that fall on the date, in list order. An entry
    // whose month is not a whole number raises the conversion error when it is tested, at
    // every date; one whose day is not, at the dates of its month. The answer is reused by
    // the next call.
    const std::vector<const RecurringEntry*>& RecurringOn(int month, int day);

private:
    // A recurring entry of a month; a day that is not a whole number keeps its text for the
    // error it raises when the entry is tested.
    struct RecurringDay {
        std::optional<int> Day;
        const RecurringEntry* Entry;
    };

    const CalendarContext& context_;
    WrittenRange range_;
    // The complete recurring entries of each month, in list order, up to the first entry
    // whose month is not a whole number: the list is tested in order for every date cell,
    // so that entry stops the first table written.
    std::array<std::vector<RecurringDay>, 12> recurringByMonth_;
    const RecurringEntry* badRecurringMonth_ = nullptr;
    std::vector<const RecurringEntry*> recurringOfDay_;
    EntryStore::RangeSlots rangeEntries_{};
    EntryStore::MonthSlots monthEntries_{};
};

}  // namespace mondeliar
