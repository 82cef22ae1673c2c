#include "store/entry_store.h"

#include "base/messages.h"
#include "base/output_file.h"
#include "base/text_reader.h"

namespace mondeliar {

const char* const MaximumEntriesExceeded = "Maximum entries exceeded. Purge old entries.";

EntryStore::EntryStore(MessageSink& messages) : messages_(messages)
{
    AllocateTable();
}

void EntryStore::AllocateTable()
{
    EntryTable = std::make_unique<std::array<CalendarEntry, MaxEntries>>();
}

void EntryStore::LoadEntries()
{
    TextReader reader(NotesFileName, NotesFileSizeLimit);
    std::string line;
    int k = 0;
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
        ParseEntryLine(line, CurrentEntry);
        Slot(k) = CurrentEntry;
    }
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
