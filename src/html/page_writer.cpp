#include "html/page_writer.h"

#include "base/errors.h"
#include "base/integer_text.h"
#include "base/text_reader.h"
#include "html/page_names.h"

namespace mondeliar {

namespace {

// Lines of a header or footer file are copied whole; only a file made to exhaust memory is cut.
constexpr std::size_t MaxCopiedLineLength = 16 * 1024 * 1024;

std::optional<int> RecurringNumber(const std::string& text)
{
    return ParseInteger(text, LeadingBlanks::Allowed);
}

}  // namespace

PageWriter::PageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                       PageOutputOpener openPage)
    : context_(context)
    , settings_(context.Settings)
    , range_(range)
    , hooks_(std::move(hooks))
    , openPage_(std::move(openPage))
{
    for (int row = 1; row <= RecurringRows; ++row) {
        const RecurringEntry& entry = context.Recurring.Row(row);
        if (entry.IsComplete())
            recurring_.push_back(
                {RecurringNumber(entry.Month), RecurringNumber(entry.Day), &entry});
    }
}

PageWriter::~PageWriter() = default;

PageOutput& PageWriter::Page()
{
    return *page_;
}

std::string PageWriter::MonthLink(int month) const
{
    return MonthPageName(settings_, context_.Language.MonthNames, month, range_.YearOf(month));
}

// Copies a header or footer file, each of its lines ended by CR LF.
void PageWriter::WriteTextFile(const std::string& path)
{
    if (path.empty())
        throw FileError("File not found");
    TextReader reader(path, MaxCopiedLineLength);
    std::string line;
    while (reader.ReadLine(line))
        Page().WriteLine(line);
}

void PageWriter::WriteLines(const TextLines& lines)
{
    for (const std::string& line : lines)
        Page().WriteLine(line);
}

// The entries of the recurring list that fall on the date, in list order. An entry whose
// month or day is not a whole number stops the command when it is tested.
std::vector<const RecurringEntry*> PageWriter::RecurringOn(int month, int day) const
{
    std::vector<const RecurringEntry*> found;
    for (const RecurringDate& date : recurring_) {
        if (!date.Month)
            ThrowConversionError(date.Entry->Month);
        if (*date.Month != month)
            continue;
        if (!date.Day)
            ThrowConversionError(date.Entry->Day);
        if (*date.Day == day)
            found.push_back(date.Entry);
    }
    return found;
}

}  // namespace mondeliar
