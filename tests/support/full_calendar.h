#pragma once
// A full calendar for tests and benchmarks: 1000 notes spread over one year and a few weeks of
// the next, each date with three linked notes, a link and an image, and 499 recurring entries.

#include "config/recurring_list.h"
#include "store/entry_store.h"

#include <string>

namespace mondeliar::testing {

inline void FillNotes(EntryStore& entries, int year)
{
    for (int k = 1; k <= MaxEntries; ++k) {
        CalendarEntry& slot = entries.Slot(k);
        slot.Clear();
        slot.Year = year + (k - 1) / 336;
        slot.Month = (k - 1) / 28 % 12 + 1;
        slot.Day = (k - 1) % 28 + 1;
        for (int n = 0; n < 3; ++n) {
            slot.Notes[n] = "Note " + std::to_string(n + 1) + " of slot " + std::to_string(k)
                            + " with some text to carry";
            slot.NoteURLs[n] = "http://example.org/notes/" + std::to_string(k);
        }
        slot.DateURL = "http://example.org/day/" + std::to_string(k);
        slot.DateImage = "image" + std::to_string(k) + ".gif";
    }
}

inline void FillRecurring(RecurringList& list)
{
    for (int r = 1; r <= RecurringRows; ++r)
        list.SetRow(r, std::to_string(r % 12 + 1), std::to_string(r % 28 + 1),
                    "Yearly entry number " + std::to_string(r));
}

}  // namespace mondeliar::testing
