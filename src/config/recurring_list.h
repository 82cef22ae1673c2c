#pragma once
// The recurring entries of a calendar: texts tied to a month and a day and shown on that
// date in every year written. The configuration dialog's grid is a view of this list and
// edits it in place; the month table reads it.

#include <array>
#include <string>

namespace mondeliar {

constexpr int RecurringRows = 499;

struct RecurringEntry {
    std::string Month;        // a whole number 1..12 when the entry is to be used
    std::string Day;          // a whole number 1..31
    std::string Description;  // the text written into the date cell

    bool IsComplete() const { return !Month.empty() && !Day.empty() && !Description.empty(); }
};

class RecurringList {
public:
    // Row r, 1..RecurringRows, in list order.
    RecurringEntry& Row(int r) { return rows_.at(static_cast<std::size_t>(r - 1)); }
    const RecurringEntry& Row(int r) const { return rows_.at(static_cast<std::size_t>(r - 1)); }

    // Sets a row as an edit of the grid does: quotes and line ends cannot be stored.
    void SetRow(int r, const std::string& month, const std::string& day,
                const std::string& description);
    // Moves row `from` to position `to`, the rows between shifting by one.
    void MoveRow(int from, int to);
    void Clear();

private:
    std::array<RecurringEntry, RecurringRows> rows_;
};

// Empties the list, then reads the file at `path`, line n into row n. Lines beyond the
// last row are ignored.
void LoadRecurring(RecurringList& list, const std::string& path);

// Writes the rows up to the first one with an empty description.
void SaveRecurring(const RecurringList& list, const std::string& path);

}  // namespace mondeliar
