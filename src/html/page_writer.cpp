#include "html/page_writer.h"

#include "base/errors.h"
#include "base/integer_text.h"
#include "base/text_reader.h"
#include "html/page_names.h"

namespace mondeliar {

namespace {

// Lines of a header or footer file are copied whole, however long; the file's size limit
// bounds them.
constexpr std::size_t MaxCopiedLineLength = HtmlTextSizeLimit;

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
    , rangeEntries_(context.Entries.FindRangeEntries(range.StartMonth, range.StartYear))
{
    for (int row = 1; row <= RecurringRows; ++row) {
        const RecurringEntry& entry = context.Recurring.Row(row);
        if (!entry.IsComplete())
            continue;
        std::optional<int> month = RecurringNumber(entry.Month);
        if (!month) {
            badRecurringMonth_ = &entry;
            break;
        }
        if (*month >= 1 && *month <= 12)
            recurringByMonth_[static_cast<std::size_t>(*month - 1)].push_back(
                {RecurringNumber(entry.Day), &entry});
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
    TextReader reader(path, HtmlTextSizeLimit, MaxCopiedLineLength);
    std::string line;
    while (reader.ReadLine(line))
        Page().WriteLine(line);
}

void PageWriter::WriteLines(const TextLines& lines)
{
    for (std::string_view line : lines)
        Page().WriteLine(line);
}

// The entries of the recurring list that fall on the date, in list order. An entry whose
// month is not a whole number stops the command when it is tested, at every date; one whose
// day is not, at the dates of its month.
const std::vector<const RecurringEntry*>& PageWriter::RecurringOn(int month, int day)
{
    std::vector<const RecurringEntry*>& found = recurringOfDay_;
    found.clear();
    for (const RecurringDay& date : recurringByMonth_.at(static_cast<std::size_t>(month - 1))) {
        if (!date.Day)
            ThrowConversionError(date.Entry->Day);
        if (*date.Day == day)
            found.push_back(date.Entry);
    }
    if (badRecurringMonth_)
        ThrowConversionError(badRecurringMonth_->Month);
    return found;
}

}  // namespace mondeliar
