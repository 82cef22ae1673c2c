#include "html/ics_feed.h"

#include "base/integer_text.h"
#include "base/output_file.h"
#include "html/calendar_days.h"
#include "html/ics_content_line.h"
#include "html/plain_text.h"
#include "html/week_grid.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace mondeliar {

const char* const IcsFeedFileName = "calendar.ics";
const char* const IcsProductId = "-//Mondeliar//Mondeliar 4.02//EN";

namespace {

// A DATE value has four digits for the year.
constexpr int LastWritableYear = 9999;

// A recurring entry names a day of any year: 29 February counts.
constexpr int AnyLeapYear = 2000;

struct AllDayEvent {
    std::string Uid;
    Date Start;
    std::string Summary;  // plain UTF-8 text, not yet escaped
    std::string Url;      // empty: none
    std::string Rule;     // the RRULE value; empty: a single day
};

bool IsWritableDate(int year, int month, int day)
{
    return year >= 1 && year <= LastWritableYear && month >= 1 && month <= 12 && day >= 1
           && day <= DaysInMonth(month, year);
}

std::optional<Date> NextDay(const Date& date)
{
    Date next = date;
    if (++next.Day > DaysInMonth(next.Month, next.Year)) {
        next.Day = 1;
        if (++next.Month > 12) {
            next.Month = 1;
            ++next.Year;
        }
    }
    if (next.Year > LastWritableYear)
        return std::nullopt;
    return next;
}

// "YYYYMMDD", the DATE value of RFC 5545, 3.3.4.
std::string IcsDate(const Date& date)
{
    char text[36];  // room for any three ints, so the compiler sees nothing cut
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.Year, date.Month, date.Day);
    return text;
}

// "MMDD": the day of a recurring entry.
std::string MonthAndDay(int month, int day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d", month, day);
    return text;
}

// "YYYYMMDDTHHMMSSZ", a DATE-TIME in UTC (RFC 5545, 3.3.5).
std::string IcsUtcTime(std::time_t moment)
{
    std::tm utc{};
    gmtime_r(&moment, &utc);
    char text[32];
    std::size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return std::string(text, length);
}

std::uint64_t Fnv1a64(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string Hex64(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// An absolute URI begins with its scheme: a letter, then letters, digits, "+", "-" or ".",
// then ":" (RFC 3986, 3.1). One letter alone is a drive, not a scheme.
bool HasScheme(std::string_view link)
{
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    std::size_t colon = link.find(':');
    if (colon == std::string_view::npos || colon < 2 || !isLetter(link[0]))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        char c = link[i];
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool NeedsPercentEncoding(unsigned char byte)
{
    static const std::string_view excluded = "\"<>\\^`{|}";
    return byte <= 0x20 || byte >= 0x7F
           || excluded.find(static_cast<char>(byte)) != std::string_view::npos;
}

// A link as the feed can carry it: its references decoded as a browser reads the page's
// attribute, without blanks at either end, characters that a URI cannot hold
// percent-encoded in UTF-8. A relative link gives nothing.
std::string FeedUrl(const std::string& link)
{
    std::string url = ToUtf8(DecodeEntities(FromWindows1252(link)));
    std::size_t first = url.find_first_not_of(" \t\r\n\f");
    if (first == std::string::npos)
        return "";
    url = url.substr(first, url.find_last_not_of(" \t\r\n\f") - first + 1);
    if (!HasScheme(url))
        return "";
    std::string encoded;
    for (char c : url) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (!NeedsPercentEncoding(byte)) {
            encoded += c;
            continue;
        }
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", byte);
        encoded += escape;
    }
    return encoded;
}

void AppendLine(std::string& feed, const std::string& line)
{
    feed += FoldIcsLine(line);
    feed += "\r\n";
}

void AppendEvent(std::string& feed, const AllDayEvent& event, const std::string& stamp)
{
    AppendLine(feed, "BEGIN:VEVENT");
    AppendLine(feed, "UID:" + event.Uid);
    AppendLine(feed, "DTSTAMP:" + stamp);
    AppendLine(feed, "DTSTART;VALUE=DATE:" + IcsDate(event.Start));
    // Without DTEND an all-day event still lasts its one day (RFC 5545, 3.6.1).
    if (std::optional<Date> end = NextDay(event.Start))
        AppendLine(feed, "DTEND;VALUE=DATE:" + IcsDate(*end));
    if (!event.Rule.empty())
        AppendLine(feed, "RRULE:" + event.Rule);
    AppendLine(feed, "SUMMARY:" + EscapeIcsText(event.Summary));
    if (!event.Url.empty())
        AppendLine(feed, "URL:" + event.Url);
    // Notes mark a day; they do not make its owner busy.
    AppendLine(feed, "TRANSP:TRANSPARENT");
    AppendLine(feed, "END:VEVENT");
}

// The first slot of every real date, in date order: the pages show that slot's notes.
std::vector<const CalendarEntry*> DatedRecords(const EntryStore& entries)
{
    std::map<std::tuple<int, int, int>, const CalendarEntry*> byDate;
    for (int k = 1; k <= MaxEntries; ++k) {
        const CalendarEntry& entry = entries.Slot(k);
        if (IsWritableDate(entry.Year, entry.Month, entry.Day))
            byDate.emplace(std::make_tuple(entry.Year, entry.Month, entry.Day), &entry);
    }
    std::vector<const CalendarEntry*> records;
    for (const auto& [date, entry] : byDate)
        records.push_back(entry);
    return records;
}

// One event per note, up to the first empty note as on the pages. The UID names the
// calendar, the date and the note's place in the date's record.
void AppendNoteEvents(std::string& feed, const CalendarContext& context, const std::string& key,
                      const std::string& stamp)
{
    for (const CalendarEntry* entry : DatedRecords(context.Entries)) {
        Date date{entry->Year, entry->Month, entry->Day};
        std::string dateUrl = FeedUrl(entry->DateURL);
        int shown = ShownNoteCount(*entry);
        for (int k = 0; k < shown; ++k) {
            std::string url = FeedUrl(entry->NoteURLs[k]);
            AllDayEvent event;
            event.Uid = key + "-" + IcsDate(date) + "-" + std::to_string(k + 1) + "@mondeliar";
            event.Start = date;
            event.Summary = HtmlToPlainText(entry->Notes[k]);
            event.Url = url.empty() ? dateUrl : url;
            AppendEvent(feed, event, stamp);
        }
    }
}

// One yearly event per complete row whose month and day name a real date. The UID names
// the calendar, the day and the text, not the row: rows are reordered by dragging and
// shift when one is removed, while a changed text is a changed entry anyway. A second row
// with the same day and text is told apart by its count.
void AppendRecurringEvents(std::string& feed, const CalendarContext& context, int firstYear,
                           const std::string& key, const std::string& stamp)
{
    std::map<std::string, int> seen;
    for (int row = 1; row <= RecurringRows; ++row) {
        const RecurringEntry& entry = context.Recurring.Row(row);
        if (!entry.IsComplete())
            continue;
        std::optional<int> month = ParseInteger(entry.Month, LeadingBlanks::Allowed);
        std::optional<int> day = ParseInteger(entry.Day, LeadingBlanks::Allowed);
        if (!month || !day || !IsWritableDate(AnyLeapYear, *month, *day))
            continue;
        bool leapDay = *month == 2 && *day == 29;
        int year = firstYear;
        while (leapDay && year <= LastWritableYear && !IsLeapYear(year))
            ++year;
        if (!IsWritableDate(year, *month, *day))
            continue;

        std::string dayAndText
            = MonthAndDay(*month, *day) + "-" + Hex64(Fnv1a64(entry.Description));
        int count = ++seen[dayAndText];
        AllDayEvent event;
        event.Uid = key + "-yearly-" + dayAndText + (count > 1 ? "-" + std::to_string(count) : "")
                    + "@mondeliar";
        event.Start = Date{year, *month, *day};
        event.Summary = HtmlToPlainText(entry.Description);
        // 29 February repeats in leap years only, as the pages show it; the explicit day
        // keeps programs that move a missing day to the 28th from doing so.
        event.Rule = leapDay ? "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29" : "FREQ=YEARLY";
        AppendEvent(feed, event, stamp);
    }
}

std::string CalendarDisplayName(const CalendarContext& context)
{
    std::string title = HtmlToPlainText(context.Settings.TITLE);
    return title.empty() ? ToUtf8(FromWindows1252(context.CalendarName)) : title;
}

}  // namespace

std::string IcsCalendarKey(const std::string& calendarName)
{
    return Hex64(Fnv1a64(calendarName));
}

std::string IcsFeedText(const CalendarContext& context, int firstYear, std::time_t writeTime)
{
    const std::string key = IcsCalendarKey(context.CalendarName);
    const std::string stamp = IcsUtcTime(writeTime);
    std::string feed;
    AppendLine(feed, "BEGIN:VCALENDAR");
    AppendLine(feed, "VERSION:2.0");
    AppendLine(feed, std::string("PRODID:") + IcsProductId);
    AppendLine(feed, "CALSCALE:GREGORIAN");
    AppendLine(feed, "X-WR-CALNAME:" + EscapeIcsText(CalendarDisplayName(context)));
    AppendNoteEvents(feed, context, key, stamp);
    AppendRecurringEvents(feed, context, firstYear, key, stamp);
    AppendLine(feed, "END:VCALENDAR");
    return feed;
}

void WriteIcsFeed(const CalendarContext& context, int firstYear, std::time_t writeTime)
{
    std::string feed = IcsFeedText(context, firstYear, writeTime);
    AtomicFile file(context.Settings.HTMLPATH + IcsFeedFileName);
    file.Write(feed);
    file.Commit();
}

}  // namespace mondeliar
