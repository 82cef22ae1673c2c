#pragma once
// The page writer: every page is WriteHeader, then WriteMonth once (a month page) or twelve
// times (the all-months page), then WriteFooter. Settings, names, notes and links are
// written unchanged, without escaping: the user may put HTML into any of them.

#include "config/calendar_context.h"
#include "html/calendar_days.h"
#include "html/page_output.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace mondeliar {

struct PageWriterHooks {
    // Shown the date of each month as its table is written; the month grid follows it.
    std::function<void(const Date&)> ShowDate;
    // The local time of the last-updated line; the system clock when not set.
    std::function<std::tm()> Now;
    // The moment of writing as stamped into the iCalendar feed; the system clock when not set.
    std::function<std::time_t()> Clock;
};

// "This page was last updated on " text: the locale's short date, a blank and its long
// time; the time is left out at exactly midnight. In Windows-1252, as the page is.
std::string LastUpdatedText(const std::tm& moment);
// The whole line of the last-updated text as a page holds it, without its line end.
std::string LastUpdatedLine(const std::tm& moment);
// The system clock's local time.
std::tm CurrentLocalTime();

class PageWriter {
public:
    // Pages go to their files unless `openPage` sends them elsewhere.
    PageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
               PageOutputOpener openPage = OpenPageFile);
    ~PageWriter();

    std::string PageFileName;       // full path of the page to write next
    bool WritingAllMonths = false;  // no neighbour links, no month in the title

    void WriteHeader(int month, int year);
    void WriteMonth(int month, int year);
    void WriteFooter();
    // The year heading that follows every December on the all-months page.
    void WriteYearSeparator(int year);

private:
    void WriteStandardHead(int month, bool keywordsClosedAlone);
    void WriteTitleAndBody(int month);
    void WriteTextFile(const std::string& path);
    void WriteLines(const TextLines& lines);
    void WritePageHeading(int year);
    void WriteYearLabel(int year);
    void WriteMonthLinkRow();
    void WriteTableStart();
    void WriteMonthNameRow(int month);
    void WriteDayNameRow();
    void WriteBlankCell();
    void WriteDateCell(int month, int day);
    void WriteLastUpdated();
    void WriteMakerLink();
    std::string MonthLink(int month) const;
    PageOutput& Page();

    CalendarContext& context_;
    const CalendarSettings& settings_;
    WrittenRange range_;
    PageWriterHooks hooks_;
    CalendarDays days_;
    PageOutputOpener openPage_;
    std::unique_ptr<PageOutput> page_;
};

}  // namespace mondeliar
