#pragma once
// The page writer: every page is WriteHeader, then WriteMonth once (a month page) or twelve
// times (the all-months page), then WriteFooter. On the classic pages settings, names, notes
// and links are written unchanged, without escaping: the user may put HTML into any of them.

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

// What the writers of both page styles share: how the write command drives them, the
// calendar they read, the date lookup and the page they write into.
class PageWriterBase {
public:
    virtual ~PageWriterBase();
    PageWriterBase(const PageWriterBase&) = delete;
    PageWriterBase& operator=(const PageWriterBase&) = delete;

    std::string PageFileName;       // full path of the page to write next
    bool WritingAllMonths = false;  // no neighbour links, no month in the title

    virtual void WriteHeader(int month, int year) = 0;
    virtual void WriteMonth(int month, int year) = 0;
    virtual void WriteFooter() = 0;
    // The year heading that follows every December on the all-months page.
    virtual void WriteYearSeparator(int year) = 0;

protected:
    // Pages go to their files unless `openPage` sends them elsewhere.
    PageWriterBase(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                   PageOutputOpener openPage);

    // Creates the page named PageFileName, empty.
    void OpenPage();
    // The page is complete: hands it on and closes it.
    void ClosePage();
    PageOutput& Page() { return *page_; }
    // The month grid follows the month whose table is written.
    void ShowMonth(int month, int year) const;
    // The moment of the last-updated line.
    std::tm Now() const;
    // The name of the page of `month` within the range, as links between pages give it.
    std::string MonthPageNameInRange(int month) const;

    CalendarContext& context_;
    const CalendarSettings& settings_;
    WrittenRange range_;
    CalendarDays days_;

private:
    PageWriterHooks hooks_;
    PageOutputOpener openPage_;
    std::unique_ptr<PageOutput> page_;
};

// The classic pages.
class PageWriter : public PageWriterBase {
public:
    PageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
               PageOutputOpener openPage = OpenPageFile);

    void WriteHeader(int month, int year) override;
    void WriteMonth(int month, int year) override;
    void WriteFooter() override;
    void WriteYearSeparator(int year) override;

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
};

}  // namespace mondeliar
