#include "store/calendar_entry.h"

#include "base/field_text.h"
#include "base/integer_text.h"

#include <algorithm>
#include <cstring>

namespace mondeliar {

namespace {

constexpr int FieldCount = 25;
constexpr int FirstNoteField = 4;      // fields 4..13: notes
constexpr int FirstNoteURLField = 14;  // fields 14..23: note links
constexpr int DateURLField = 24;
constexpr int DateImageField = 25;

// The fields' texts in file order, as FormatEntryLine writes them.
template <typename Visit> void ForEachField(const CalendarEntry& entry, const Visit& visit)
{
    visit(std::to_string(entry.Month));
    visit(std::to_string(entry.Day));
    visit(std::to_string(entry.Year));
    for (const std::string& note : entry.Notes)
        visit(note);
    for (const std::string& url : entry.NoteURLs)
        visit(url);
    visit(entry.DateURL);
    visit(entry.DateImage);
}

// The text field that characters of field n (4..25) are collected into.
std::string* TextField(CalendarEntry& entry, int n)
{
    if (n < FirstNoteURLField)
        return &entry.Notes[n - FirstNoteField];
    if (n < DateURLField)
        return &entry.NoteURLs[n - FirstNoteURLField];
    return n == DateURLField ? &entry.DateURL : &entry.DateImage;
}

// The first double quote from `from` on, or `end`.
const char* NextQuote(const char* from, const char* end)
{
    const void* quote = std::memchr(from, '"', static_cast<std::size_t>(end - from));
    return quote ? static_cast<const char*>(quote) : end;
}

}  // namespace

void CalendarEntry::ClearTexts()
{
    for (std::string& note : Notes)
        note.clear();
    for (std::string& url : NoteURLs)
        url.clear();
    DateURL.clear();
    DateImage.clear();
}

void CalendarEntry::Clear()
{
    Month = Day = Year = 0;
    ClearTexts();
}

void CalendarEntry::FitToFields()
{
    for (std::string& note : Notes)
        note = FieldSafeText(note, NoteCapacity);
    for (std::string& url : NoteURLs)
        url = FieldSafeText(url, NoteCapacity);
    DateURL = FieldSafeText(DateURL, NoteCapacity);
    DateImage = FieldSafeText(DateImage, DateImageCapacity);
}

// Every store rewrites all 1000 lines: each is sized once and filled in one buffer.
std::string FormatEntryLine(const CalendarEntry& entry)
{
    std::size_t size = 3 * FieldCount - 1;  // two quotes per field, commas between
    ForEachField(entry, [&size](const std::string& text) { size += text.size(); });
    std::string line;
    line.reserve(size);
    ForEachField(entry, [&line](const std::string& text) {
        line.append(line.empty() ? "\"" : "\",\"");
        line.append(text);
    });
    line += '"';
    return line;
}

void ParseEntryLine(const std::string& line, CalendarEntry& entry)
{
    entry.ClearTexts();
    std::string dateFields[3];
    // Characters between the (2n-1)-th and the 2n-th quote belong to field n; the rest
    // (separators, anything past the last field) is not part of any field.
    // Each field is one run of characters between two quotes, taken whole.
    const char* end = line.data() + line.size();
    const char* quote = NextQuote(line.data(), end);
    for (int field = 1; field <= FieldCount && quote != end; ++field) {
        const char* start = quote + 1;
        quote = NextQuote(start, end);
        std::size_t length = static_cast<std::size_t>(quote - start);
        if (length > 0 && field <= 3) {
            dateFields[field - 1].assign(start, length);
        } else if (length > 0) {
            std::size_t capacity = field == DateImageField ? DateImageCapacity : NoteCapacity;
            TextField(entry, field)->assign(start, std::min(length, capacity));
        }
        if (quote != end)
            quote = NextQuote(quote + 1, end);
    }
    std::int32_t* numbers[3] = {&entry.Month, &entry.Day, &entry.Year};
    for (int i = 0; i < 3; ++i)
        if (!dateFields[i].empty())
            *numbers[i] = StrToInt(dateFields[i]);
}

}  // namespace mondeliar
