#include "config/recurring_list.h"

#include "base/field_text.h"
#include "base/output_file.h"
#include "base/text_reader.h"

#include <algorithm>

namespace mondeliar {

namespace {

// Fills an entry from a line by counting double quotes: characters seen while the count is
// 1, 3 or 5 belong to the month, the day and the description.
void ParseRecurringLine(const std::string& line, RecurringEntry& entry)
{
    int quotes = 0;
    for (char c : line) {
        if (c == '"') {
            ++quotes;
            continue;
        }
        if (quotes == 1)
            entry.Month += c;
        else if (quotes == 3)
            entry.Day += c;
        else if (quotes == 5)
            entry.Description += c;
    }
}

std::string FormatRecurringLine(const RecurringEntry& entry)
{
    return "\"" + entry.Month + "\",\"" + entry.Day + "\",\"" + entry.Description + "\"";
}

}  // namespace

void RecurringList::SetRow(int r, const std::string& month, const std::string& day,
                           const std::string& description)
{
    Row(r) = {FieldSafeText(month), FieldSafeText(day), FieldSafeText(description)};
}

void RecurringList::MoveRow(int from, int to)
{
    if (from < 1 || from > RecurringRows || to < 1 || to > RecurringRows)
        return;
    auto first = rows_.begin();
    auto source = first + (from - 1);
    auto target = first + (to - 1);
    if (source < target)
        std::rotate(source, source + 1, target + 1);
    else if (target < source)
        std::rotate(target, source, source + 1);
}

void RecurringList::Clear()
{
    rows_.fill({});
}

void LoadRecurring(RecurringList& list, const std::string& path)
{
    list.Clear();
    TextReader reader(path, SmallFileSizeLimit);
    std::string line;
    for (int row = 1; row <= RecurringRows && reader.ReadLine(line); ++row)
        ParseRecurringLine(line, list.Row(row));
}

void SaveRecurring(const RecurringList& list, const std::string& path)
{
    AtomicFile file(path);
    for (int row = 1; row <= RecurringRows && !list.Row(row).Description.empty(); ++row)
        file.WriteLine(FormatRecurringLine(list.Row(row)));
    file.Commit();
}

}  // namespace mondeliar
