#pragma once
// The notes of the current calendar: a fixed table of MaxEntries dated records, the one
// working record through which every read and write passes, and the notes file, one line
// per table slot.

#include "store/calendar_entry.h"

#include <array>
#include <memory>
#include <string>

namespace mondeliar {

class MessageSink;

constexpr int MaxEntries = 1000;
extern const char* const MaximumEntriesExceeded;  // "Maximum entries exceeded. Purge old entries."

class EntryStore {
public:
    explicit EntryStore(MessageSink& messages);

    // The notes file that LoadEntries reads and SaveEntries writes.
    std::string NotesFileName;

    // The working record: FindEntry fills it, StoreEntry stores it.
    CalendarEntry CurrentEntry;

    // Gives a table with every slot free, as a newly allocated one.
    void AllocateTable();

    // Reads the notes file into the table, line k into slot k. Expects a new table.
    void LoadEntries();
    // Rewrites the notes file from all MaxEntries slots.
    void SaveEntries() const;
    // CurrentEntry := the first slot holding the date, or cleared when there is none.
    void FindEntry(std::int32_t month, std::int32_t day, std::int32_t year);
    // The slots FindEntry finds for the days 1..31 of a month; null for a day without one.
    using MonthSlots = std::array<const CalendarEntry*, 32>;
    // Those of the twelve months from `startMonth` of `startYear` on (index month - 1; the
    // months before `startMonth` are those of the next year), in one pass over the table.
    // The table must not change while they are used.
    using RangeSlots = std::array<MonthSlots, 12>;
    RangeSlots FindRangeEntries(std::int32_t startMonth, std::int32_t startYear) const;
    // CurrentEntry := *slot, or cleared for null: FindEntry's end, for a slot found above.
    void TakeEntry(const CalendarEntry* slot);
    // Copies CurrentEntry into the date's slot, or the first free one, then SaveEntries.
    void StoreEntry(std::int32_t month, std::int32_t day, std::int32_t year);
    void ClearCurrentEntry();
    // Number of slots whose Year is not 0.
    int CountUsedEntries() const;

    // Slot k, 1..MaxEntries. The purge frees slots through it.
    CalendarEntry& Slot(int k) { return (*EntryTable)[static_cast<std::size_t>(k - 1)]; }
    const CalendarEntry& Slot(int k) const
    {
        return (*EntryTable)[static_cast<std::size_t>(k - 1)];
    }

private:
    void ReadLineIntoSlot(const std::string& line, CalendarEntry& slot);
    CalendarEntry* SlotOfDate(std::int32_t month, std::int32_t day, std::int32_t year);
    CalendarEntry* FirstFreeSlot();

    MessageSink& messages_;
    std::unique_ptr<std::array<CalendarEntry, MaxEntries>> EntryTable;
};

}  // namespace mondeliar
