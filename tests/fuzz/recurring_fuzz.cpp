// The recurring-entries reader. Property: the rows that are saved (those before the first
// empty description) load again as themselves, and nothing after them; saving again gives
// the same bytes.

#include "config/recurring_list.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mondeliar;
    RecurringList loaded;
    RecurringList again;
    LoadRecurring(loaded, fuzz::WriteInput("club.rcr", data, size));

    std::string savedPath = fuzz::Folder() + "saved.rcr";
    SaveRecurring(loaded, savedPath);
    LoadRecurring(again, savedPath);
    bool saving = true;
    for (int row = 1; row <= RecurringRows; ++row) {
        const RecurringEntry& before = loaded.Row(row);
        const RecurringEntry& after = again.Row(row);
        saving = saving && !before.Description.empty();
        RecurringEntry expected = saving ? before : RecurringEntry{};
        fuzz::Require(after.Month == expected.Month && after.Day == expected.Day
                          && after.Description == expected.Description,
                      "saved rows load as themselves");
    }

    std::string againPath = fuzz::Folder() + "saved-again.rcr";
    SaveRecurring(again, againPath);
    fuzz::Require(fuzz::ReadWhole(againPath) == fuzz::ReadWhole(savedPath),
                  "saving again gives the same bytes");
    return 0;
}
