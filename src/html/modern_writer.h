#pragma once
// The modern page style (PAGESTYLE 1): the same pages with the same names, links and content
// as the classic writer's, as HTML5 in UTF-8 that reads on a phone, in a screen reader and
// on paper. The write command calls it as it calls the classic writer: WriteHeader, then
// WriteMonth once or twelve times, then WriteFooter.

#include "html/calendar_days.h"
#include "html/page_writer.h"

#include <array>
#include <ctime>
#include <string>

namespace mondeliar {

// The last-updated line of a modern page, without its line end.
std::string ModernLastUpdatedLine(const std::tm& moment);

class ModernPageWriter : public PageWriterBase {
public:
    ModernPageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                     PageOutputOpener openPage = OpenPageFile);

    void WriteHeader(int month, int year) override;
    void WriteMonth(int month, int year) override;
    void WriteFooter() override;
    void WriteYearSeparator(int year) override;

private:
    void WriteHead(int month);
    void WriteMetaTags();
    void WriteOwnHeadElements();
    void WriteHeaderFile();
    void WriteFooterFile();
    void WriteExtraHtml(const TextLines& lines);
    void WritePageHeading(int month, int year);
    void WriteYearLabel(int year);
    void WriteMonthLinks(int month);
    void WriteNeighbourLinks(int month);
    void WriteCaption(int month, int year);
    void WriteDayNames();
    void PrepareDateTexts(int month, int year);
    void WriteDateCell(int month, int day, int year, int column);
    std::string DateCell(int month, int day, int year, int column);
    void AppendNotes(std::string& cell, const CalendarEntry* entry,
                     const std::vector<const RecurringEntry*>& recurring);
    void WritePageEnd();
    std::string MonthLink(int month) const;
    // ` lang="en"` for the program's own English texts on a page in another language.
    const char* EnglishTextLanguage() const;

    std::string language_;    // the pages' language tag
    std::string headingTag_;  // the year heading's element, h1 .. h6
    // The date cells written, by month and day, with the year they were written for.
    struct WrittenCell {
        bool Filled = false;
        int Year = 0;
        std::string Text;
    };
    std::array<std::array<WrittenCell, 32>, 12> writtenCells_;
    std::string timeStart_;     // "<time datetime=\"YYYY-MM-" of the month being written
    std::string monthAndYear_;  // the month and year after a linked day, for screen readers
};

}  // namespace mondeliar
