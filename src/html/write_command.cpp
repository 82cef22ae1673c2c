#include "html/write_command.h"

#include "base/errors.h"
#include "base/files.h"
#include "html/ics_feed.h"
#include "html/modern_writer.h"
#include "html/page_names.h"

namespace mondeliar {

namespace {

// Puts the day names in week order for the command and back in the language's order
// however the command ends.
class WeekOrderedDayNames {
public:
    WeekOrderedDayNames(Languages& language, int startWeek) : language_(language)
    {
        const DayNameList& names = language.LanguageNames.Days;
        for (int i = 1; i <= DayNameList::Count; ++i)
            language.DayNames[i] = names[(startWeek + i - 1) % 7 + 1];
    }
    ~WeekOrderedDayNames() { language_.RestoreDayNames(); }
    WeekOrderedDayNames(const WeekOrderedDayNames&) = delete;
    WeekOrderedDayNames& operator=(const WeekOrderedDayNames&) = delete;

private:
    Languages& language_;
};

class AllMonthsFlag {
public:
    explicit AllMonthsFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~AllMonthsFlag() { flag_ = false; }
    AllMonthsFlag(const AllMonthsFlag&) = delete;
    AllMonthsFlag& operator=(const AllMonthsFlag&) = delete;

private:
    bool& flag_;
};

// The first month written, by STARTYEAR: January or the current month of today's year, or
// the selected month, which must be a real month of a year from 1 on.
WrittenRange StartOfRange(const CalendarSettings& settings, const Date& today)
{
    switch (settings.STARTYEAR) {
    case 0:
        return {1, today.Year};
    case 2:
        if (settings.SELECTEDSTARTMONTH < 1 || settings.SELECTEDSTARTMONTH > 12)
            throw Error("The selected start month " + std::to_string(settings.SELECTEDSTARTMONTH)
                        + " is not a month from 1 to 12");
        if (settings.SELECTEDSTARTYEAR < 1)
            throw Error("The selected start year " + std::to_string(settings.SELECTEDSTARTYEAR)
                        + " is not a year from 1 on");
        return {settings.SELECTEDSTARTMONTH, settings.SELECTEDSTARTYEAR};
    default:
        return {today.Month, today.Year};
    }
}

// The range of this command, with MonthNumbers in its writing order.
WrittenRange PrepareRange(CalendarContext& context)
{
    WrittenRange range = StartOfRange(context.Settings, context.Today);
    for (int i = 1; i <= context.MonthNumbers.Count; ++i)
        context.MonthNumbers[i] = (range.StartMonth + i - 2) % 12 + 1;
    return range;
}

std::string MonthPagePath(const CalendarContext& context, int month, int year)
{
    const CalendarSettings& s = context.Settings;
    return s.HTMLPATH + MonthPageName(s, context.Language.MonthNames, month, year);
}

// The writer of the calendar's page style: the modern one for PAGESTYLE 1, the classic one
// for every other value.
std::unique_ptr<PageWriterBase> MakePageWriter(CalendarContext& context, const WrittenRange& range,
                                               const PageWriterHooks& hooks,
                                               PageOutputOpener openPage)
{
    if (context.Settings.PAGESTYLE == 1)
        return std::make_unique<ModernPageWriter>(context, range, hooks, std::move(openPage));
    return std::make_unique<PageWriter>(context, range, hooks, std::move(openPage));
}

void WriteMonthPage(PageWriterBase& writer, int month, int year)
{
    writer.WriteHeader(month, year);
    writer.WriteMonth(month, year);
    writer.WriteFooter();
}

// Page names become file names in HTMLPATH and on the server. A month name from a language
// file ("../escaped") or an extension that would put a page outside those folders stops
// the command before any page is written.
void RequirePlainPageNames(const CalendarContext& context, const WrittenRange& range)
{
    const CalendarSettings& s = context.Settings;
    int year = range.StartYear;
    for (int i = 1; i <= context.MonthNumbers.Count; ++i) {
        int month = context.MonthNumbers[i];
        RequirePlainPageName(MonthPageName(s, context.Language.MonthNames, month, year));
        if (month == 12)
            ++year;
    }
    RequirePlainPageName(CurrentPageName(s));
    RequirePlainPageName(AllMonthsPageName(s, range.StartYear));
}

void WriteMonthPages(CalendarContext& context, PageWriterBase& writer, const WrittenRange& range)
{
    const CalendarSettings& s = context.Settings;
    int year = range.StartYear;
    for (int i = 1; i <= context.MonthNumbers.Count; ++i) {
        int month = context.MonthNumbers[i];
        writer.PageFileName = MonthPagePath(context, month, year);
        WriteMonthPage(writer, month, year);
        if (month == 12)
            ++year;
        if (month == context.Today.Month)
            CopyFileTo(writer.PageFileName, s.HTMLPATH + CurrentPageName(s));
    }
}

void WriteAllMonthsPage(CalendarContext& context, PageWriterBase& writer, const WrittenRange& range)
{
    AllMonthsFlag allMonths(writer.WritingAllMonths);
    const CalendarSettings& s = context.Settings;
    int year = range.StartYear;
    writer.PageFileName = s.HTMLPATH + AllMonthsPageName(s, range.StartYear);
    writer.WriteHeader(1, year);
    for (int i = 1; i <= context.MonthNumbers.Count; ++i) {
        int month = context.MonthNumbers[i];
        writer.WriteMonth(month, year);
        if (month == 12)
            writer.WriteYearSeparator(++year);
    }
    writer.WriteFooter();
}

}  // namespace

void WriteCalendarPages(CalendarContext& context, const PageWriterHooks& hooks)
{
    WeekOrderedDayNames weekOrder(context.Language, context.Settings.STARTWEEK);
    context.LoadRecurring();
    WrittenRange range = PrepareRange(context);
    RequirePlainPageNames(context, range);

    std::unique_ptr<PageWriterBase> writer = MakePageWriter(context, range, hooks, OpenPageFile);
    WriteMonthPages(context, *writer, range);
    WriteAllMonthsPage(context, *writer, range);
    if (context.Settings.ICSFEED)
        WriteIcsFeed(context, range.StartYear, hooks.Clock ? hooks.Clock() : std::time(nullptr));
    if (hooks.ShowDate)
        hooks.ShowDate(context.Today);
}

std::string RenderMonthPage(CalendarContext& context, int month, const PageWriterHooks& hooks)
{
    if (month < 1 || month > 12)
        throw Error("The month " + std::to_string(month) + " is not a month from 1 to 12");
    WeekOrderedDayNames weekOrder(context.Language, context.Settings.STARTWEEK);
    WrittenRange range = PrepareRange(context);
    std::string page;
    std::unique_ptr<PageWriterBase> writer
        = MakePageWriter(context, range, hooks, PageIntoText(page));
    int year = range.YearOf(month);
    writer->PageFileName = MonthPagePath(context, month, year);
    WriteMonthPage(*writer, month, year);
    return page;
}

std::string PageLastUpdatedLine(const CalendarSettings& settings, const std::tm& moment)
{
    return settings.PAGESTYLE == 1 ? ModernLastUpdatedLine(moment) : LastUpdatedLine(moment);
}

}  // namespace mondeliar
