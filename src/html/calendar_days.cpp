#include "html/calendar_days.h"

#include "base/errors.h"
#include "base/integer_text.h"

namespace mondeliar {

namespace {

std::optional<int> RecurringNumber(const std::string& text)
{
    return ParseInteger(text, LeadingBlanks::Allowed);
}

}  // namespace

bool HasAnyNote(const CalendarEntry& entry)
{
    for (const std::string& note : entry.Notes)
        if (!note.empty())
            return true;
    return false;
}

int ShownNoteCount(const CalendarEntry& entry)
{
    int count = 0;
    while (count < NotesPerDate && !entry.Notes[static_cast<std::size_t>(count)].empty())
        ++count;
    return count;
}

CalendarDays::CalendarDays(const CalendarContext& context, WrittenRange range)
    : context_(context)
    , range_(range)
    , rangeEntries_(context.Entries.FindRangeEntries(range.StartMonth, range.StartYear))
{
    for (int row = 1; row <= RecurringRows; ++row) {
        const RecurringEntry& entry = context.Recurring.Row(row);
        if (!entry.IsComplete())
            continue;
        std::optional<int> month = RecurringNumber(entry.Month);
        if (!month) {
            badRecurringMonth_ = &entry;
            break;
        }
        if (*month >= 1 && *month <= 12)
            recurringByMonth_[static_cast<std::size_t>(*month - 1)].push_back(
                {RecurringNumber(entry.Day), &entry});
    }
}

void CalendarDays::BeginMonth(int month, int year)
{
    std::size_t index = static_cast<std::size_t>(month - 1);
    monthEntries_ = year == range_.YearOf(month)
                        ? rangeEntries_.at(index)
                        : context_.Entries.FindRangeEntries(month, year).at(index);
}

const CalendarEntry* CalendarDays::SlotOf(int day) const
{
    return monthEntries_.at(static_cast<std::size_t>(day));
}

const std::vector<const RecurringEntry*>& CalendarDays::RecurringOn(int month, int day)
{
    std::vector<const RecurringEntry*>& found = recurringOfDay_;
    found.clear();
    for (const RecurringDay& date : recurringByMonth_.at(static_cast<std::size_t>(month - 1))) {
        if (!date.Day)
            ThrowConversionError(date.Entry->Day);
        if (*date.Day == day)
            found.push_back(date.Entry);
    }
    if (badRecurringMonth_)
        ThrowConversionError(badRecurringMonth_->Month);
    return found;
}

}  // namespace mondeliar
