#include "store/entry_store.h"

#include "base/errors.h"
#include "base/messages.h"
#include "base/output_file.h"
#include "base/text_reader.h"

namespace mondeliar {

const char* const MaximumEntriesExceeded = "Maximum entries exceeded. Purge old entries.";

EntryStore::EntryStore(MessageSink& messages) : messages_(messages)
{
    AllocateTable();
}

// A table already allocated is emptied in place: the same state, without paging in a new
// table of 1000 records.
void EntryStore::AllocateTable()
{
    if (!EntryTable) {
        // Each record starts free by its own initialisers; value-initialising the array
        // would first clear its 700 KB for nothing.
        EntryTable.reset(new std::array<CalendarEntry, MaxEntries>);
        return;
    }
    for (CalendarEntry& slot : *EntryTable)
        slot.Clear();
}

void EntryStore::LoadEntries()
{
    TextReader reader(NotesFileName, NotesFileSizeLimit);
    std::string line;
    int k = 0;
    int stored = 0;
    bool overflowReported = false;
    while (reader.ReadLine(line)) {
        ++k;
        if (k > MaxEntries) {
            // Only a file edited by hand has more lines than slots. One message tells it;
            // one per line would bury the user under identical boxes.
            if (!overflowReported)
                messages_.ShowMessage(MaximumEntriesExceeded);
            overflowReported = true;
            continue;
        }
        ReadLineIntoSlot(line, Slot(k));
        stored = k;
    }
    if (stored > 0)
        CurrentEntry = Slot(stored);
}

// The line is read in the slot itself, as if into CurrentEntry and then copied: it starts
// from CurrentEntry's numbers (a missing date field keeps the number of the line before),
// and only CurrentEntry's numbers follow it. A line that fails leaves CurrentEntry holding
// what was read of it, and its slot free, as the table had it.
void EntryStore::ReadLineIntoSlot(const std::string& line, CalendarEntry& slot)
{
    slot.Month = CurrentEntry.Month;
    slot.Day = CurrentEntry.Day;
    slot.Year = CurrentEntry.Year;
    try {
        ParseEntryLine(line, slot);
    } catch (const ConversionError&) {
        CurrentEntry = slot;
        slot.Clear();
        throw;
    }
    CurrentEntry.Month = slot.Month;
    CurrentEntry.Day = slot.Day;
    CurrentEntry.Year = slot.Year;
}

void EntryStore::SaveEntries() const
{
    AtomicFile file(NotesFileName);
    for (int k = 1; k <= MaxEntries; ++k)
        file.WriteLine(FormatEntryLine(Slot(k)));
    file.Commit();
}

void EntryStore::FindEntry(std::int32_t month, std::int32_t day, std::int32_t year)
{
    ClearCurrentEntry();
    if (const CalendarEntry* slot = SlotOfDate(month, day, year))
        CurrentEntry = *slot;
}

EntryStore::RangeSlots EntryStore::FindRangeEntries(std::int32_t startMonth,
                                                    std::int32_t startYear) const
{
    RangeSlots slots{};
    // Backwards, so that the first slot of a date is the one left.
    for (int k = MaxEntries; k >= 1; --k) {
        const CalendarEntry& slot = Slot(k);
        if (slot.Month < 1 || slot.Month > 12 || slot.Day < 1 || slot.Day > 31)
            continue;
        std::int32_t year = slot.Month >= startMonth ? startYear : startYear + 1;
        if (slot.Year == year)
            slots[static_cast<std::size_t>(slot.Month - 1)][static_cast<std::size_t>(slot.Day)]
                = &slot;
    }
    return slots;
}

void EntryStore::TakeEntry(const CalendarEntry* slot)
{
    if (slot)
        CurrentEntry = *slot;
    else
        ClearCurrentEntry();
}

void EntryStore::StoreEntry(std::int32_t month, std::int32_t day, std::int32_t year)
{
    CalendarEntry* slot = SlotOfDate(month, day, year);
    if (!slot)
        slot = FirstFreeSlot();
    if (slot) {
        *slot = CurrentEntry;
        slot->FitToFields();
    } else
        messages_.ShowMessage(MaximumEntriesExceeded);
    SaveEntries();
}

void EntryStore::ClearCurrentEntry()
{
    CurrentEntry.Clear();
}

int EntryStore::CountUsedEntries() const
{
    int used = 0;
    for (const CalendarEntry& slot : *EntryTable)
        used += slot.Year != 0;
    return used;
}

CalendarEntry* EntryStore::SlotOfDate(std::int32_t month, std::int32_t day, std::int32_t year)
{
    for (CalendarEntry& slot : *EntryTable)
        if (slot.HoldsDate(month, day, year))
            return &slot;
    return nullptr;
}

CalendarEntry* EntryStore::FirstFreeSlot()
{
    for (CalendarEntry& slot : *EntryTable)
        if (slot.IsFree())
            return &slot;
    return nullptr;
}

}  // namespace mondeliar
